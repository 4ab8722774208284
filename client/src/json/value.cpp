#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

#include "norvi/client/json/value.hpp"

namespace norvi::client::json {

std::optional<bool> ValueRef::as_bool() const noexcept {
  if (!is_bool()) return std::nullopt;
  return node_->boolean;
}

std::optional<std::int64_t> ValueRef::as_i64() const noexcept {
  if (!is_integer()) return std::nullopt;
  if (node_->negative) return node_->negative_integer;
  if (node_->unsigned_integer > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
  return static_cast<std::int64_t>(node_->unsigned_integer);
}

std::optional<std::uint64_t> ValueRef::as_u64() const noexcept {
  if (!is_integer() || node_->negative) return std::nullopt;
  return node_->unsigned_integer;
}

std::optional<double> ValueRef::as_f64() const noexcept {
  switch (kind()) {
    case Kind::integer:
      return node_->negative ? static_cast<double>(node_->negative_integer) : static_cast<double>(node_->unsigned_integer);
    case Kind::floating:
      return node_->floating;
    default:
      return std::nullopt;
  }
}

std::optional<std::string_view> ValueRef::as_string() const noexcept {
  if (!is_string()) return std::nullopt;
  return text_of(node_);
}

std::optional<ValueRef> ValueRef::find(std::string_view key) const noexcept {
  if (!is_object()) return std::nullopt;
  std::size_t lo = 0;
  std::size_t hi = node_->size;
  while (lo < hi) {
    const std::size_t mid = lo + (hi - lo) / 2;
    const std::string_view k = this->key(mid);
    if (k == key) return member_value(mid);
    if (k < key) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return std::nullopt;
}

// Keys enter the character pool as they are read, so their offsets follow the text. Two keys share an
// offset only when the first is empty, hence the size as the second criterion.
std::vector<std::size_t> ValueRef::document_order() const {
  std::vector<std::size_t> order(is_object() ? size() : 0);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [this](std::size_t x, std::size_t y) {
    const detail::Node* a = child(2 * x);
    const detail::Node* b = child(2 * y);
    return a->first != b->first ? a->first < b->first : a->size < b->size;
  });
  return order;
}

bool operator==(ValueRef a, ValueRef b) noexcept {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case Kind::null:
      return true;
    case Kind::boolean:
      return a.node_->boolean == b.node_->boolean;
    case Kind::integer:
      return a.node_->negative == b.node_->negative && a.node_->unsigned_integer == b.node_->unsigned_integer;
    case Kind::floating:
      return a.node_->floating == b.node_->floating;
    case Kind::string:
      return a.as_string() == b.as_string();
    case Kind::array:
      if (a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i) {
        if (!(a[i] == b[i])) return false;
      }
      return true;
    case Kind::object:
      if (a.size() != b.size()) return false;
      for (std::size_t i = 0; i < a.size(); ++i) {
        if (a.key(i) != b.key(i) || !(a.member_value(i) == b.member_value(i))) return false;
      }
      return true;
  }
  return false;
}

}  // namespace norvi::client::json
