#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>

#include "json/document_builder.hpp"
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

namespace detail {

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

}  // namespace detail
}  // namespace norvi::client::json
