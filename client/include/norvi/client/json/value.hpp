#pragma once
// The generic JSON value: a parsed document held immutable in one flat arena (16 bytes per value, all
// strings in one character pool, arrays of integers 0 to 255 one byte per element) and shared by every
// handle into it, so copies are cheap and a part of a document can be kept without copying it.
//
// A number without fraction or exponent that fits 64 bits is an integer (negative ones held signed,
// the others unsigned: 18446744073709551615 is an integer, 18446744073709551616 a float); any other
// number is a 64-bit float. Object members are ordered by the bytes of their keys, and a key repeated
// in the text keeps its last value; the order of the text stays available (document_order).
//
// `Value` owns (a share of) its document; `ValueRef` is a borrowed view, valid while a `Value` of the
// same document lives, and is what traversal hands out.

#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace norvi::client::json {

enum class Kind : std::uint8_t { null, boolean, integer, floating, string, array, object };

namespace detail {

struct Node {
  Kind kind = Kind::null;
  bool negative = false;    // integer: held as a signed value below zero
  bool packed = false;      // array: its elements are integers 0 to 255, one byte each in the pool
  std::uint32_t size = 0;   // string bytes, array elements, object members
  union {
    std::uint64_t first = 0;  // string, packed array: offset in the pool; array, object: index of the first child node
    bool boolean;
    std::uint64_t unsigned_integer;
    std::int64_t negative_integer;
    double floating;
  };
};
static_assert(sizeof(Node) == 16);

// The elements of packed arrays: an integer node for each byte value.
constexpr std::array<Node, 256> make_small_integers() {
  std::array<Node, 256> nodes{};
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    nodes[i].kind = Kind::integer;
    nodes[i].unsigned_integer = i;
  }
  return nodes;
}
inline constexpr std::array<Node, 256> small_integers = make_small_integers();

// Children of an array are contiguous nodes (or bytes, when packed); an object's members are contiguous
// (key, value) pairs.
struct Document {
  std::vector<Node> nodes;
  std::string chars;  // strings and the bytes of packed arrays
};

struct ValueAccess;

}  // namespace detail

class ValueRef;

struct Member;

class ValueRef {
 public:
  ValueRef() = default;  // null

  Kind kind() const noexcept { return node_ != nullptr ? node_->kind : Kind::null; }
  bool is_null() const noexcept { return kind() == Kind::null; }
  bool is_bool() const noexcept { return kind() == Kind::boolean; }
  bool is_integer() const noexcept { return kind() == Kind::integer; }
  bool is_floating() const noexcept { return kind() == Kind::floating; }
  bool is_number() const noexcept { return is_integer() || is_floating(); }
  bool is_string() const noexcept { return kind() == Kind::string; }
  bool is_array() const noexcept { return kind() == Kind::array; }
  bool is_object() const noexcept { return kind() == Kind::object; }

  std::optional<bool> as_bool() const noexcept;
  std::optional<std::int64_t> as_i64() const noexcept;   // an integer within the signed range
  std::optional<std::uint64_t> as_u64() const noexcept;  // an integer not below zero
  std::optional<double> as_f64() const noexcept;         // any number, integers converted
  std::optional<std::string_view> as_string() const noexcept;

  // Elements of an array or members of an object; 0 for every other kind.
  std::size_t size() const noexcept { return is_array() || is_object() ? node_->size : 0; }
  // Element `i` of an array; `i` below size().
  ValueRef operator[](std::size_t i) const noexcept { return {doc_, child(i)}; }
  // Key and value of member `i` of an object; `i` below size().
  std::string_view key(std::size_t i) const noexcept { return text_of(child(2 * i)); }
  ValueRef member_value(std::size_t i) const noexcept { return {doc_, child(2 * i + 1)}; }
  // The member of an object with this key (compared byte for byte); none for other kinds.
  std::optional<ValueRef> find(std::string_view key) const noexcept;
  // The member indices of an object in the order their keys stood in the text (a repeated key where
  // its kept, last occurrence stood); empty for other kinds. For the few readers whose result depends
  // on which member came first.
  std::vector<std::size_t> document_order() const;

  template <typename Item>
  class Range;
  using Elements = Range<ValueRef>;
  using Members = Range<Member>;
  Elements elements() const noexcept;  // of an array; none for other kinds
  Members members() const noexcept;    // of an object; none for other kinds

  // Structural equality: same kinds and contents; an integer never equals a float.
  friend bool operator==(ValueRef a, ValueRef b) noexcept;

 private:
  friend struct detail::ValueAccess;
  friend class Value;
  ValueRef(const detail::Document* doc, const detail::Node* node) : doc_(doc), node_(node) {}

  const detail::Node* child(std::size_t i) const noexcept {
    if (node_->packed) return &detail::small_integers[static_cast<unsigned char>(doc_->chars[node_->first + i])];
    return doc_->nodes.data() + node_->first + i;
  }
  std::string_view text_of(const detail::Node* n) const noexcept { return {doc_->chars.data() + n->first, n->size}; }

  const detail::Document* doc_ = nullptr;
  const detail::Node* node_ = nullptr;
};

struct Member {
  std::string_view key;
  ValueRef value;
};

// The elements (ValueRef) or the members (Member) of a container, for range-for.
template <typename Item>
class ValueRef::Range {
 public:
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Item;
    using difference_type = std::ptrdiff_t;
    iterator() = default;
    Item operator*() const noexcept {
      if constexpr (std::is_same_v<Item, Member>) {
        return {parent_.key(i_), parent_.member_value(i_)};
      } else {
        return parent_[i_];
      }
    }
    iterator& operator++() noexcept { return ++i_, *this; }
    iterator operator++(int) noexcept {
      iterator old = *this;
      ++i_;
      return old;
    }
    bool operator==(const iterator& o) const noexcept { return i_ == o.i_; }

   private:
    friend class Range;
    iterator(ValueRef parent, std::size_t i) : parent_(parent), i_(i) {}
    ValueRef parent_;
    std::size_t i_ = 0;
  };
  iterator begin() const noexcept { return {parent_, 0}; }
  iterator end() const noexcept {
    const bool fits = std::is_same_v<Item, Member> ? parent_.is_object() : parent_.is_array();
    return {parent_, fits ? parent_.size() : 0};
  }

 private:
  friend class ValueRef;
  explicit Range(ValueRef parent) : parent_(parent) {}
  ValueRef parent_;
};

inline ValueRef::Elements ValueRef::elements() const noexcept { return Elements(*this); }
inline ValueRef::Members ValueRef::members() const noexcept { return Members(*this); }

// An owning handle: keeps its document alive. Reading goes through the same calls as `ValueRef`.
class Value {
 public:
  Value() = default;  // null

  // Like a std::string_view of a std::string, the view is valid while this handle (or another handle
  // of the same document) lives.
  ValueRef ref() const noexcept { return ref_; }
  operator ValueRef() const noexcept { return ref_; }  // NOLINT(google-explicit-constructor)

  Kind kind() const noexcept { return ref_.kind(); }
  bool is_null() const noexcept { return ref_.is_null(); }
  bool is_bool() const noexcept { return ref_.is_bool(); }
  bool is_integer() const noexcept { return ref_.is_integer(); }
  bool is_floating() const noexcept { return ref_.is_floating(); }
  bool is_number() const noexcept { return ref_.is_number(); }
  bool is_string() const noexcept { return ref_.is_string(); }
  bool is_array() const noexcept { return ref_.is_array(); }
  bool is_object() const noexcept { return ref_.is_object(); }
  std::optional<bool> as_bool() const noexcept { return ref_.as_bool(); }
  std::optional<std::int64_t> as_i64() const noexcept { return ref_.as_i64(); }
  std::optional<std::uint64_t> as_u64() const noexcept { return ref_.as_u64(); }
  std::optional<double> as_f64() const noexcept { return ref_.as_f64(); }
  std::optional<std::string_view> as_string() const noexcept { return ref_.as_string(); }
  std::size_t size() const noexcept { return ref_.size(); }
  ValueRef operator[](std::size_t i) const noexcept { return ref_[i]; }
  std::string_view key(std::size_t i) const noexcept { return ref_.key(i); }
  ValueRef member_value(std::size_t i) const noexcept { return ref_.member_value(i); }
  std::optional<ValueRef> find(std::string_view key) const noexcept { return ref_.find(key); }
  std::vector<std::size_t> document_order() const { return ref_.document_order(); }
  ValueRef::Elements elements() const noexcept { return ref_.elements(); }
  ValueRef::Members members() const noexcept { return ref_.members(); }

  // An owning handle to a part of this value (`part` must have been reached from this value).
  Value share(ValueRef part) const { return Value(document_, part.node_); }

  friend bool operator==(const Value& a, const Value& b) noexcept { return a.ref_ == b.ref_; }

 private:
  friend struct detail::ValueAccess;
  Value(std::shared_ptr<const detail::Document> document, const detail::Node* node)
      : document_(std::move(document)), ref_(document_.get(), node) {}

  std::shared_ptr<const detail::Document> document_;
  ValueRef ref_;
};

}  // namespace norvi::client::json
