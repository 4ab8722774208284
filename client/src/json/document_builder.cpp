#include "json/document_builder.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace norvi::client::json::detail {

DocumentBuilder::DocumentBuilder() : document_(std::make_shared<Document>()) {}

Node DocumentBuilder::string_node(std::string_view text) {
  Node n;
  n.kind = Kind::string;
  n.first = document_->chars.size();
  n.size = static_cast<std::uint32_t>(text.size());
  document_->chars.append(text);
  return n;
}

void DocumentBuilder::scalar(const Event& e) {
  Node n;
  switch (e.kind) {
    case EventKind::null:
      break;
    case EventKind::boolean:
      n.kind = Kind::boolean;
      n.boolean = e.boolean;
      break;
    case EventKind::unsigned_integer:
      n.kind = Kind::integer;
      n.unsigned_integer = e.unsigned_integer;
      break;
    case EventKind::negative_integer:
      n.kind = Kind::integer;
      n.negative = true;
      n.negative_integer = e.negative_integer;
      break;
    case EventKind::floating:
      n.kind = Kind::floating;
      n.floating = e.floating;
      break;
    case EventKind::string:
      n = string_node(e.string());
      break;
    case EventKind::array:
    case EventKind::object:
      return;  // containers arrive through open()
  }
  pending_.push_back(n);
}

void DocumentBuilder::key(std::string_view key) { pending_.push_back(string_node(key)); }

void DocumentBuilder::open(EventKind kind) { open_.push_back({pending_.size(), kind == EventKind::object}); }

// Stable sort of the (key, value) pairs from `start` by key bytes; of equal keys the last one stays.
void DocumentBuilder::sort_members(std::size_t start) {
  const std::size_t pairs = (pending_.size() - start) / 2;
  const char* chars = document_->chars.data();
  auto key_of = [&](std::size_t pair) {
    const Node& k = pending_[start + 2 * pair];
    return std::string_view(chars + k.first, k.size);
  };
  bool ascending = true;
  for (std::size_t i = 1; i < pairs && ascending; ++i) ascending = key_of(i - 1) < key_of(i);
  if (ascending) return;

  order_.resize(pairs);
  for (std::size_t i = 0; i < pairs; ++i) order_[i] = i;
  std::stable_sort(order_.begin(), order_.end(), [&](std::size_t x, std::size_t y) { return key_of(x) < key_of(y); });
  std::vector<Node> sorted;
  sorted.reserve(2 * pairs);
  for (std::size_t i = 0; i < pairs; ++i) {
    if (i + 1 < pairs && key_of(order_[i]) == key_of(order_[i + 1])) continue;  // a later one wins
    sorted.push_back(pending_[start + 2 * order_[i]]);
    sorted.push_back(pending_[start + 2 * order_[i] + 1]);
  }
  pending_.resize(start);
  pending_.insert(pending_.end(), sorted.begin(), sorted.end());
}

// Arrays whose elements are all integers from 0 to 255 (tables of shot outcomes and qubit indices)
// keep one byte per element instead of a node.
bool DocumentBuilder::pack(std::size_t start) {
  const std::size_t count = pending_.size() - start;
  if (count == 0) return false;
  for (std::size_t i = start; i < pending_.size(); ++i) {
    const Node& n = pending_[i];
    if (n.kind != Kind::integer || n.negative || n.unsigned_integer > 255) return false;
  }
  Node array;
  array.kind = Kind::array;
  array.packed = true;
  array.first = document_->chars.size();
  array.size = static_cast<std::uint32_t>(count);
  for (std::size_t i = start; i < pending_.size(); ++i) {
    document_->chars.push_back(static_cast<char>(pending_[i].unsigned_integer));
  }
  pending_.resize(start);
  pending_.push_back(array);
  return true;
}

void DocumentBuilder::close() {
  const Open o = open_.back();
  open_.pop_back();
  if (o.object) {
    sort_members(o.start);
  } else if (pack(o.start)) {
    return;
  }

  std::vector<Node>& nodes = document_->nodes;
  Node container;
  container.kind = o.object ? Kind::object : Kind::array;
  container.first = nodes.size();
  const std::size_t count = pending_.size() - o.start;
  container.size = static_cast<std::uint32_t>(o.object ? count / 2 : count);
  nodes.insert(nodes.end(), pending_.begin() + static_cast<std::ptrdiff_t>(o.start), pending_.end());
  pending_.resize(o.start);
  pending_.push_back(container);
}

Value DocumentBuilder::finish() {
  std::vector<Node>& nodes = document_->nodes;
  nodes.push_back(pending_.back());
  pending_.clear();
  const Node* root = &nodes.back();
  return ValueAccess::make(std::move(document_), root);
}

}  // namespace norvi::client::json::detail
