#pragma once
// Builds one generic-value document from decoding events: values of open containers wait on a stack
// and move, contiguous, into the document's node array when their container closes (objects sorted by
// key bytes there, a repeated key keeping its last value). No heap node per value.

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include "json/event.hpp"
#include "norvi/client/json/value.hpp"

namespace norvi::client::json::detail {

struct ValueAccess {
  static Value make(std::shared_ptr<const Document> document, const Node* node) {
    return Value(std::move(document), node);
  }
  static const std::shared_ptr<const Document>& document(const Value& v) { return v.document_; }
  static const Node* node(ValueRef v) { return v.node_; }
  static const Document* document(ValueRef v) { return v.doc_; }
};

class DocumentBuilder {
 public:
  DocumentBuilder();

  void scalar(const Event& event);  // any event but array and object
  void key(std::string_view key);
  void open(EventKind kind);        // array or object
  void close();                     // the innermost open container
  Value finish();                   // once the root value is complete

 private:
  struct Open {
    std::size_t start;
    bool object;
  };
  Node string_node(std::string_view text);
  void sort_members(std::size_t start);
  bool pack(std::size_t start);

  std::shared_ptr<Document> document_;
  std::vector<Node> pending_;  // values of the open containers (object members as key, value)
  std::vector<Open> open_;
  std::vector<std::size_t> order_;  // scratch for sorting members
};

}  // namespace norvi::client::json::detail
