// Freeing, copying and comparing the circuit model's nested values. Control-flow bodies hold
// operations that hold bodies again, custom gates hold circuits of operations, and classical
// expressions hold expressions: each to any depth. The compiler-made members would recurse once per
// level, so the nesting points (a body's operations, a circuit's operation list, an expression node's
// children) hand their nested part to a walk of this thread instead: the outermost call keeps the
// pending parts on an explicit stack and works them off, and every nested call met meanwhile only adds
// to that stack.

#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "norvi/core/circuit/circuit.hpp"
#include "norvi/symbolic/overloaded.hpp"
#include "norvi/symbolic/work_stack.hpp"

namespace norvi::core {

namespace {

// Makes `walk` this thread's active walk for the guard's lifetime, the one before it afterwards.
template <typename Walk>
class ActiveWalk {
 public:
  ActiveWalk(Walk*& active, Walk& walk) noexcept : active_(active), previous_(active) { active = &walk; }
  ActiveWalk(const ActiveWalk&) = delete;
  ActiveWalk& operator=(const ActiveWalk&) = delete;
  ~ActiveWalk() { active_ = previous_; }

 private:
  Walk*& active_;
  Walk* previous_;
};

// ---- Freeing: a part whose last holder goes is destroyed here, after its holder, not inside it.

using Doomed = std::variant<std::shared_ptr<const ClassicalExprNode>, std::vector<Operation>,
                            std::shared_ptr<const std::vector<Operation>>>;
using ReleaseWalk = std::vector<Doomed>;
thread_local ReleaseWalk* active_release = nullptr;

template <typename T>
void release(T&& part) noexcept {
  if (active_release != nullptr) {
    active_release->emplace_back(std::in_place_type<std::remove_cvref_t<T>>, std::forward<T>(part));
    return;
  }
  ReleaseWalk pending;
  const ActiveWalk guard(active_release, pending);
  { const std::remove_cvref_t<T> dying(std::forward<T>(part)); }
  while (!pending.empty()) {
    const Doomed dying = std::move(pending.back());
    pending.pop_back();
  }
}

void release(ClassicalExpr& child) noexcept {
  if (child.node) release(std::move(child.node));
}

// ---- Copying: a body met inside a copy is left empty and filled by the outermost copy.

struct BodyCopy {
  ControlBody* target;
  const ControlBody* source;
};
using CopyWalk = symbolic::WorkStack<BodyCopy, 16>;
thread_local CopyWalk* active_copy = nullptr;

// Copies `source` into the empty `target` in a walk of its own. Each nested body is made in place
// inside the operations just copied, which do not move again, so its address stays valid until the
// walk fills it.
void copy_body(ControlBody& target, const ControlBody& source) {
  CopyWalk pending;
  const ActiveWalk guard(active_copy, pending);
  pending.push({&target, &source});
  while (!pending.empty()) {
    const BodyCopy next = pending.pop();
    std::vector<Operation> operations(next.source->operations);
    next.target->operations = std::move(operations);
  }
}

// ---- Comparing: a pair met inside a comparison counts as equal for now and is compared later.

struct PendingPair {
  const void* a;
  const void* b;
  bool (*equal)(const void* a, const void* b);
};
using EqualWalk = symbolic::WorkStack<PendingPair, 16>;
thread_local EqualWalk* active_equal = nullptr;

template <typename T>
bool equal_as(const void* a, const void* b) {
  return *static_cast<const T*>(a) == *static_cast<const T*>(b);
}

// The pair's own comparison, or, inside a walk, true with the pair put on the walk's stack.
template <typename T>
bool compare_pair(const T& a, const T& b) {
  const PendingPair pair{&a, &b, &equal_as<T>};
  if (active_equal != nullptr) {
    active_equal->push(pair);
    return true;
  }
  EqualWalk pending;
  const ActiveWalk guard(active_equal, pending);
  pending.push(pair);
  while (!pending.empty()) {
    const PendingPair next = pending.pop();
    if (!next.equal(next.a, next.b)) return false;
  }
  return true;
}

}  // namespace

ClassicalExprNode::~ClassicalExprNode() {
  namespace ce = classical_expr;
  std::visit(symbolic::Overloaded{
                 [](ce::Unary& k) { release(k.expr); },
                 [](ce::Binary& k) {
                   release(k.lhs);
                   release(k.rhs);
                 },
                 [](ce::Compare& k) {
                   release(k.lhs);
                   release(k.rhs);
                 },
                 [](ce::Cast& k) { release(k.expr); },
                 [](ce::Select& k) {
                   release(k.condition);
                   release(k.then_expr);
                   release(k.else_expr);
                 },
                 [](ce::ExtractBit& k) { release(k.value); },
                 [](ce::ExtractBits& k) { release(k.value); },
                 [](ce::Concat& k) {
                   for (ClassicalExpr& part : k.parts) release(part);
                 },
                 [](ce::PackBits& k) {
                   for (ClassicalExpr& bit : k.bits) release(bit);
                 },
                 [](auto&) {},
             },
             kind);
}

bool operator==(const ClassicalExpr& a, const ClassicalExpr& b) {
  if (a.node == b.node) return true;
  if (a.node == nullptr || b.node == nullptr) return false;
  return compare_pair(*a.node, *b.node);
}

ControlBody::ControlBody() noexcept = default;
ControlBody::ControlBody(std::vector<Operation> operations) noexcept : operations(std::move(operations)) {}

ControlBody::ControlBody(const ControlBody& other) {
  if (active_copy != nullptr) {
    active_copy->push({this, &other});
    return;
  }
  copy_body(*this, other);
}

ControlBody::ControlBody(ControlBody&& other) noexcept = default;

ControlBody& ControlBody::operator=(const ControlBody& other) {
  // Its own walk: this body may be anywhere, not in operations a walk has just made.
  ControlBody copy;
  copy_body(copy, other);
  std::swap(operations, copy.operations);
  return *this;
}

ControlBody& ControlBody::operator=(ControlBody&& other) noexcept {
  std::vector<Operation> taken = std::move(other.operations);
  std::swap(operations, taken);
  if (!taken.empty()) release(std::move(taken));
  return *this;
}

ControlBody::~ControlBody() {
  if (!operations.empty()) release(std::move(operations));
}

bool operator==(const ControlBody& a, const ControlBody& b) {
  if (a.operations.size() != b.operations.size()) return false;
  return compare_pair(a.operations, b.operations);
}

OperationList::~OperationList() {
  if (operations_) release(std::move(operations_));
}

}  // namespace norvi::core
