// The decoding engine: the decoder's frame stack, its failure texts, the frames of records, skipped
// values and generic values, and the codecs of the standard scalar types.

#include <fmt/format.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "json/document_builder.hpp"
#include "json/decoder.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/symbolic/debug_writer.hpp"
#include "norvi/symbolic/number_format.hpp"

namespace norvi::client::json {

std::string DecodeError::text() const {
  if (!position) return message;
  return fmt::format("{} at line {} column {}", message, position->line, position->column);
}

bool Frame::key(Decoder&, std::string_view) { return true; }

namespace {

// A string as the error texts quote it: the diagnostic form's quoting, escapes and all.
std::string quoted(std::string_view s) {
  std::string out;
  symbolic::DebugWriter::append_quoted(out, s);
  return out;
}

std::string found_text(const Event& e) {
  switch (e.kind) {
    case EventKind::null: return "null";
    case EventKind::boolean: return e.boolean ? "boolean `true`" : "boolean `false`";
    case EventKind::unsigned_integer: return fmt::format("integer `{}`", e.unsigned_integer);
    case EventKind::negative_integer: return fmt::format("integer `{}`", e.negative_integer);
    case EventKind::floating:
      return fmt::format("floating point `{}`", symbolic::format_positional(e.floating, symbolic::IntegralForm::with_point));
    case EventKind::string: return "string " + quoted(e.string());
    case EventKind::array: return "sequence";
    case EventKind::object: return "map";
  }
  return "value";
}

// The rest of a value nobody reads: nested containers are only counted.
class SkipFrame final : public Frame {
 public:
  bool value(Decoder&, const Event& e) override {
    if (e.is_container()) ++depth_;
    return true;
  }
  Step end(Decoder&) override { return --depth_ == 0 ? Step::done : Step::more; }

 private:
  std::size_t depth_ = 1;
};

// A generic value built from the events of one array or object.
class BuilderFrame final : public Frame {
 public:
  BuilderFrame(Value* out, EventKind kind) : out_(out), builder_(std::make_unique<detail::DocumentBuilder>()) {
    builder_->open(kind);
  }
  bool value(Decoder&, const Event& e) override {
    if (e.is_container()) {
      builder_->open(e.kind);
      ++depth_;
    } else {
      builder_->scalar(e);
    }
    return true;
  }
  bool key(Decoder&, std::string_view key) override {
    builder_->key(key);
    return true;
  }
  Step end(Decoder&) override {
    builder_->close();
    if (--depth_ != 0) return Step::more;
    *out_ = builder_->finish();
    return Step::done;
  }

 private:
  Value* out_;
  std::unique_ptr<detail::DocumentBuilder> builder_;
  std::size_t depth_ = 1;
};

// A record given as an object (members by key) or as an array (fields by position).
class RecordFrame final : public Frame {
 public:
  RecordFrame(const Record* record, void* object, bool array, std::size_t length)
      : record_(record), object_(object), length_(length), array_(array) {}

  bool key(Decoder& d, std::string_view key) override {
    const auto& fields = record_->fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (!fields[i].matches(key)) continue;
      if (seen_ & (std::uint64_t{1} << i)) return d.duplicate_field(fields[i].key);
      seen_ |= std::uint64_t{1} << i;
      pending_ = i;
      return true;
    }
    pending_ = kSkip;
    return true;
  }

  bool value(Decoder& d, const Event& e) override {
    const auto& fields = record_->fields();
    std::size_t i = pending_;
    if (array_) {
      i = count_++;
      if (i >= fields.size()) return d.excess_element(length_);
      seen_ |= std::uint64_t{1} << i;
    } else if (i == kSkip) {
      return d.skip(e);
    }
    const FieldInfo& f = fields[i];
    const Codec& codec = f.codec();
    return codec.begin(d, codec, f.member(object_), e);
  }

  Step end(Decoder& d) override {
    const auto& fields = record_->fields();
    if (array_) {
      for (std::size_t j = count_; j < fields.size(); ++j) {
        if (!fields[j].or_default) {
          d.invalid_length(j, record_->expected_length());
          return Step::fail;
        }
      }
      return Step::done;
    }
    for (std::size_t j = 0; j < fields.size(); ++j) {
      if (!(seen_ & (std::uint64_t{1} << j)) && record_->required(j)) {
        d.missing_field(fields[j].key);
        return Step::fail;
      }
    }
    return Step::done;
  }

 private:
  static constexpr std::size_t kSkip = static_cast<std::size_t>(-1);
  const Record* record_;
  void* object_;
  std::size_t length_;
  std::uint64_t seen_ = 0;
  std::size_t pending_ = kSkip;
  std::size_t count_ = 0;
  bool array_;
};

bool begin_record(Decoder& d, const Codec& self, void* out, const Event& e) {
  const auto* record = static_cast<const Record*>(self.data);
  if (e.kind == EventKind::object) return d.push<RecordFrame>(record, out, false, e.length);
  if (e.kind == EventKind::array) return d.push<RecordFrame>(record, out, true, e.length);
  return d.invalid_type(e, self.expected);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------

Record::Record(std::string name, std::vector<FieldInfo> fields)
    : name_(std::move(name)),
      fields_(std::move(fields)),
      expected_("struct " + name_),
      expected_length_(fmt::format("struct {} with {} element{}", name_, fields_.size(), fields_.size() == 1 ? "" : "s")) {
  if (fields_.size() > 64) std::abort();  // the decoder marks the fields it has seen in one 64-bit word
  for (const FieldInfo& f : fields_) required_.push_back(!f.optional && !f.or_default);
  codec_ = Codec{expected_, &begin_record, this};
}

Decoder::Decoder(const Codec& root, void* out) : root_(root, out) {}

Decoder::~Decoder() {
  while (depth_ != 0) pop();
}

Decoder::Slot* Decoder::next_slot() {
  if (depth_ >= kMaxFrames) {
    record("recursion limit exceeded", At::token_peek);
    return nullptr;
  }
  if (!slots_) slots_.reset(new Slot[kMaxFrames]);
  return &slots_[depth_];
}

void Decoder::pop() noexcept {
  if (top_->collecting_) collected_count_ = 0;  // not read by its frame: no other frame gets it
  top_->~Frame();
  --depth_;
  top_ = depth_ != 0 ? slots_[depth_ - 1].frame : &root_;
  collecting_ = top_->collecting_;
}

bool Decoder::deliver_unsigned_integer(std::uint64_t u) {
  if (!collecting_) {
    Event e;
    e.kind = EventKind::unsigned_integer;
    e.unsigned_integer = u;
    return top_->value(*this, e);
  }
  const std::size_t capacity = collected_capacity_ == 0 ? 256 : 2 * collected_capacity_;
  auto grown = std::make_unique_for_overwrite<std::uint64_t[]>(capacity);
  std::copy(collected_.get(), collected_.get() + collected_count_, grown.get());
  collected_ = std::move(grown);
  collected_capacity_ = capacity;
  collected_[collected_count_++] = u;
  return true;
}

std::optional<Value> Decoder::share(const Event& event) {
  if (shared_ == nullptr || !*shared_ || current_ == nullptr) return std::nullopt;
  skip_value_ = event.is_container();
  return detail::ValueAccess::make(*shared_, current_);
}

bool Decoder::skip(const Event& event) {
  if (!event.is_container()) return true;
  if (!from_text()) {
    skip_value_ = true;
    return true;
  }
  return push<SkipFrame>();
}

bool Decoder::record(std::string message, At at) {
  if (error_) return false;
  std::optional<Position> position;
  if (cursor_ != nullptr) position = cursor_->locate(at, message);
  error_ = DecodeError{std::move(message), position};
  return false;
}

bool Decoder::invalid_type(const Event& found, std::string_view expected) {
  return record(fmt::format("invalid type: {}, expected {}", found_text(found), expected),
                found.is_container() ? At::token_start : At::after_token);
}

bool Decoder::invalid_value(const Event& found, std::string_view expected) {
  return record(fmt::format("invalid value: {}, expected {}", found_text(found), expected), At::after_token);
}

bool Decoder::invalid_length(std::size_t length, std::string_view expected) {
  return record(fmt::format("invalid length {}, expected {}", length, expected), At::after_token);
}

bool Decoder::missing_field(std::string_view key) { return record(fmt::format("missing field `{}`", key), At::after_token); }

bool Decoder::duplicate_field(std::string_view key) {
  return record(fmt::format("duplicate field `{}`", key), At::after_key);
}

bool Decoder::excess_element(std::size_t array_length) {
  if (from_text()) return record("trailing characters", At::token_peek);
  return record(fmt::format("invalid length {}, expected fewer elements in array", array_length), At::after_token);
}

bool Decoder::fail(std::string message) { return record(std::move(message), At::after_token); }

// ---------------------------------------------------------------------------------------------------

namespace detail {

bool begin_string(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::string) return d.invalid_type(e, self.expected);
  static_cast<std::string*>(out)->assign(e.string());
  return true;
}

bool begin_bool(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::boolean) return d.invalid_type(e, self.expected);
  *static_cast<bool*>(out) = e.boolean;
  return true;
}

bool begin_f64(Decoder& d, const Codec& self, void* out, const Event& e) {
  double& target = *static_cast<double*>(out);
  switch (e.kind) {
    case EventKind::unsigned_integer: target = static_cast<double>(e.unsigned_integer); return true;
    case EventKind::negative_integer: target = static_cast<double>(e.negative_integer); return true;
    case EventKind::floating: target = e.floating; return true;
    default: return d.invalid_type(e, self.expected);
  }
}

namespace {

// Stores `v`, already checked against the target's range, in an integer of `size` bytes.
template <typename Wide>
void store_integer(void* out, std::size_t size, Wide v) {
  using S = std::make_signed_t<Wide>;
  using U = std::make_unsigned_t<Wide>;
  if constexpr (std::is_signed_v<Wide>) {
    switch (size) {
      case 1: *static_cast<std::int8_t*>(out) = static_cast<std::int8_t>(v); return;
      case 2: *static_cast<std::int16_t*>(out) = static_cast<std::int16_t>(v); return;
      case 4: *static_cast<std::int32_t*>(out) = static_cast<std::int32_t>(v); return;
      default: *static_cast<S*>(out) = v; return;
    }
  } else {
    switch (size) {
      case 1: *static_cast<std::uint8_t*>(out) = static_cast<std::uint8_t>(v); return;
      case 2: *static_cast<std::uint16_t*>(out) = static_cast<std::uint16_t>(v); return;
      case 4: *static_cast<std::uint32_t*>(out) = static_cast<std::uint32_t>(v); return;
      default: *static_cast<U*>(out) = v; return;
    }
  }
}

class ListFrame final : public Frame {
 public:
  ListFrame(void* out, const ListOps* ops) : out_(out), ops_(ops) {}
  bool value(Decoder& d, const Event& e) override {
    const Codec& element = ops_->element();
    return element.begin(d, element, ops_->append(out_), e);
  }
  Step end(Decoder&) override { return Step::done; }

 private:
  void* out_;
  const ListOps* ops_;
};

// Text keys to values; a key given twice keeps its last value.
class MapFrame final : public Frame {
 public:
  MapFrame(void* out, const MapOps* ops) : out_(out), ops_(ops) {}
  bool key(Decoder&, std::string_view key) override {
    key_.assign(key);
    return true;
  }
  bool value(Decoder& d, const Event& e) override {
    const Codec& inner = ops_->mapped();
    return inner.begin(d, inner, ops_->slot(out_, key_), e);
  }
  Step end(Decoder&) override { return Step::done; }

 private:
  void* out_;
  const MapOps* ops_;
  std::string key_;
};

}  // namespace

bool begin_integer(Decoder& d, const Codec& self, void* out, const Event& e) {
  const auto& ops = *static_cast<const IntegerOps*>(self.data);
  if (e.kind == EventKind::unsigned_integer) {
    if (e.unsigned_integer > ops.max) return d.invalid_value(e, self.expected);
    if (ops.is_signed) {
      store_integer(out, ops.size, static_cast<std::int64_t>(e.unsigned_integer));
    } else {
      store_integer(out, ops.size, e.unsigned_integer);
    }
    return true;
  }
  if (e.kind == EventKind::negative_integer) {
    if (!ops.is_signed || e.negative_integer < ops.min) return d.invalid_value(e, self.expected);
    store_integer(out, ops.size, e.negative_integer);
    return true;
  }
  return d.invalid_type(e, self.expected);
}

bool begin_optional(Decoder& d, const Codec& self, void* out, const Event& e) {
  const auto& ops = *static_cast<const OptionalOps*>(self.data);
  if (e.kind == EventKind::null) {
    ops.reset(out);
    return true;
  }
  const Codec& inner = ops.inner();
  return inner.begin(d, inner, ops.emplace(out), e);
}

bool begin_list(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::array) return d.invalid_type(e, self.expected);
  const auto* ops = static_cast<const ListOps*>(self.data);
  ops->clear(out, e.length != Event::unknown_length ? e.length : 0);
  return d.push<ListFrame>(out, ops);
}

bool begin_map(Decoder& d, const Codec& self, void* out, const Event& e) {
  if (e.kind != EventKind::object) return d.invalid_type(e, self.expected);
  const auto* ops = static_cast<const MapOps*>(self.data);
  ops->clear(out);
  return d.push<MapFrame>(out, ops);
}

bool begin_value(Decoder& d, const Codec&, void* out, const Event& e) {
  Value& target = *static_cast<Value*>(out);
  if (auto shared = d.share(e)) {
    target = std::move(*shared);
    return true;
  }
  if (!e.is_container()) {
    DocumentBuilder builder;
    builder.scalar(e);
    target = builder.finish();
    return true;
  }
  return d.push<BuilderFrame>(&target, e.kind);
}

}  // namespace detail
}  // namespace norvi::client::json
