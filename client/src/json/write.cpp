#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cmath>
#include <optional>

#include "norvi/client/json/write.hpp"
#include "norvi/symbolic/number_format.hpp"

namespace norvi::client::json {

namespace {

using Buffer = rapidjson::StringBuffer;
using Compact = rapidjson::Writer<Buffer>;
using Pretty = rapidjson::PrettyWriter<Buffer>;

// `s` as a JSON string, quotes included.
void append_escaped(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

}  // namespace

struct Writer::Impl {
  explicit Impl(Layout l) : layout(l) {
    if (l == Layout::pretty) {
      pretty.emplace(buffer);
      pretty->SetIndent(' ', 2);
    } else {
      compact.emplace(buffer);
    }
  }
  template <typename F>
  void with(F&& f) {
    if (pretty) {
      f(*pretty);
    } else {
      f(*compact);
    }
  }
  void raw(std::string_view text, rapidjson::Type type) {
    with([&](auto& w) { w.RawValue(text.data(), text.size(), type); });
  }
  void quoted(std::string_view s) {
    scratch.clear();
    append_escaped(scratch, s);
    raw(scratch, rapidjson::kStringType);
  }
  void write(ValueRef v) {
    switch (v.kind()) {
      case Kind::null: with([](auto& w) { w.Null(); }); return;
      case Kind::boolean: with([&](auto& w) { w.Bool(*v.as_bool()); }); return;
      case Kind::integer:
        if (auto u = v.as_u64()) {
          with([&](auto& w) { w.Uint64(*u); });
        } else {
          with([&](auto& w) { w.Int64(*v.as_i64()); });
        }
        return;
      case Kind::floating: number(*v.as_f64()); return;
      case Kind::string: quoted(*v.as_string()); return;
      case Kind::array:
        with([](auto& w) { w.StartArray(); });
        for (ValueRef e : v.elements()) write(e);
        with([](auto& w) { w.EndArray(); });
        return;
      case Kind::object:
        with([](auto& w) { w.StartObject(); });
        for (const Member& m : v.members()) {
          quoted(m.key);
          write(m.value);
        }
        with([](auto& w) { w.EndObject(); });
        return;
    }
  }
  void number(double d) {
    if (!std::isfinite(d)) {
      with([](auto& w) { w.Null(); });
      return;
    }
    const std::string text = symbolic::format_json_number(d);
    raw(text, rapidjson::kNumberType);
  }

  Buffer buffer;
  std::optional<Compact> compact;
  std::optional<Pretty> pretty;
  Layout layout;
  std::string scratch;
};

Writer::Writer(Layout layout) : impl_(std::make_unique<Impl>(layout)) {}
Writer::~Writer() = default;

Writer& Writer::begin_object() {
  impl_->with([](auto& w) { w.StartObject(); });
  return *this;
}
Writer& Writer::end_object() {
  impl_->with([](auto& w) { w.EndObject(); });
  return *this;
}
Writer& Writer::begin_array() {
  impl_->with([](auto& w) { w.StartArray(); });
  return *this;
}
Writer& Writer::end_array() {
  impl_->with([](auto& w) { w.EndArray(); });
  return *this;
}
Writer& Writer::key(std::string_view key) {
  impl_->quoted(key);
  return *this;
}
Writer& Writer::string(std::string_view text) {
  impl_->quoted(text);
  return *this;
}
Writer& Writer::signed_integer(std::int64_t value) {
  impl_->with([&](auto& w) { w.Int64(value); });
  return *this;
}
Writer& Writer::unsigned_integer(std::uint64_t value) {
  impl_->with([&](auto& w) { w.Uint64(value); });
  return *this;
}
Writer& Writer::number(double value) {
  impl_->number(value);
  return *this;
}
Writer& Writer::boolean(bool value) {
  impl_->with([&](auto& w) { w.Bool(value); });
  return *this;
}
Writer& Writer::null() {
  impl_->with([](auto& w) { w.Null(); });
  return *this;
}
Writer& Writer::value(ValueRef value) {
  impl_->write(value);
  return *this;
}

std::string Writer::take() {
  std::string text(impl_->buffer.GetString(), impl_->buffer.GetSize());
  impl_ = std::make_unique<Impl>(impl_->layout);
  return text;
}

std::string to_text(ValueRef value) { return Writer().value(value).take(); }

}  // namespace norvi::client::json
