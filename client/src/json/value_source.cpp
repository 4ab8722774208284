// Decoding a generic value: its nodes are walked and sent to the decoder as events, members of an
// object in the value's (byte) order of keys. Errors carry no position.

#include "json/document_builder.hpp"
#include "json/decoder.hpp"
#include "norvi/client/json/decode.hpp"

namespace norvi::client::json::detail {

struct ValueSource {
  Decoder& decoder;
  const Document* document;

  static DecodeResult<void> run(const Value& value, Decoder& decoder) {
    const std::shared_ptr<const Document>& document = ValueAccess::document(value);
    decoder.shared_ = &document;
    static const Node null_node{};
    const Node* root = ValueAccess::node(value.ref());
    ValueSource source{decoder, document.get()};
    if (!source.walk(root != nullptr ? root : &null_node)) return std::unexpected(decoder.take_error());
    return {};
  }

  std::string_view text(const Node& n) const { return {document->chars.data() + n.first, n.size}; }

  bool walk(const Node* n) {
    Event e;
    decoder.current_ = n;
    switch (n->kind) {
      case Kind::null:
        return decoder.value(e);
      case Kind::boolean:
        e.kind = EventKind::boolean;
        e.boolean = n->boolean;
        return decoder.value(e);
      case Kind::integer:
        if (n->negative) {
          e.kind = EventKind::negative_integer;
          e.negative_integer = n->negative_integer;
          return decoder.value(e);
        }
        return decoder.unsigned_integer(n->unsigned_integer);
      case Kind::floating:
        e.kind = EventKind::floating;
        e.floating = n->floating;
        return decoder.value(e);
      case Kind::string:
        e.kind = EventKind::string;
        e.chars = {document->chars.data() + n->first, n->size};
        return decoder.value(e);
      case Kind::array:
      case Kind::object:
        break;
    }
    const bool object = n->kind == Kind::object;
    e.kind = object ? EventKind::object : EventKind::array;
    e.length = n->size;
    if (!decoder.value(e)) return false;
    if (decoder.skip_value_) {  // the codec took or skipped the whole value
      decoder.skip_value_ = false;
      return true;
    }
    if (n->packed) {
      const char* bytes = document->chars.data() + n->first;
      for (std::size_t i = 0; i < n->size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        decoder.current_ = &small_integers[b];
        if (!decoder.unsigned_integer(b)) return false;
      }
      return decoder.end();
    }
    const Node* child = document->nodes.data() + n->first;
    for (std::size_t i = 0; i < n->size; ++i) {
      if (object) {
        if (!decoder.key(text(*child++))) return false;
      }
      if (!walk(child++)) return false;
    }
    return decoder.end();
  }
};

DecodeResult<void> decode_value(const Value& value, const Codec& codec, void* out) {
  Decoder decoder(codec, out);
  return ValueSource::run(value, decoder);
}

}  // namespace norvi::client::json::detail
