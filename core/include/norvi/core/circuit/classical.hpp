#pragma once
// Classical data of circuits: typed variables, measurement values and typed expressions over them, so
// that measurement results can be stored and control flow can branch on them.

#include <cstdint>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

#include "norvi/symbolic/debug_writer.hpp"

namespace norvi::core {

using symbolic::UInt128;

// Identifies a circuit; classical variables and values name the circuit they belong to.
struct CircuitId {
  std::uint64_t value = 0;
  bool operator==(const CircuitId&) const = default;
};

namespace classical_type {
struct Bit {
  bool operator==(const Bit&) const = default;
};
struct UInt {
  std::uint32_t width = 0;
  bool operator==(const UInt&) const = default;
};
struct Bool {
  bool operator==(const Bool&) const = default;
};
struct BitVec {
  std::uint32_t width = 0;
  bool operator==(const BitVec&) const = default;
};
}  // namespace classical_type

using ClassicalType = std::variant<classical_type::Bit, classical_type::UInt, classical_type::Bool, classical_type::BitVec>;

// A classical variable; `index` is its position among its circuit's `classical_vars`.
struct ClassicalVar {
  CircuitId circuit_id;
  std::uint32_t index = 0;
  ClassicalType ty;
  bool operator==(const ClassicalVar&) const = default;
};

// A measurement result; `index` is its position among its circuit's `classical_values`.
struct ClassicalValue {
  CircuitId circuit_id;
  std::uint32_t index = 0;
  ClassicalType ty;
  bool operator==(const ClassicalValue&) const = default;
};

struct ClassicalExprNode;

// A classical expression. Nodes are immutable and shared between the expressions that contain them.
struct ClassicalExpr {
  std::shared_ptr<const ClassicalExprNode> node;
  // By the nodes' contents, walked with an explicit stack (chains may be any depth deep); two
  // expressions without a node are equal.
  friend bool operator==(const ClassicalExpr& a, const ClassicalExpr& b);
};

enum class UnaryOp : std::uint8_t { Not };
enum class BinaryOp : std::uint8_t { And, Or, Xor };
enum class CompareOp : std::uint8_t { Eq, Ne, Lt, Le, Gt, Ge };
enum class CastKind : std::uint8_t { BitToBool, BitVecToUInt };

namespace classical_expr {
struct Var {
  ClassicalVar var;
  bool operator==(const Var&) const = default;
};
struct Value {
  ClassicalValue value;
  bool operator==(const Value&) const = default;
};
struct BoolLiteral {
  bool value = false;
  bool operator==(const BoolLiteral&) const = default;
};
struct BitLiteral {
  bool value = false;
  bool operator==(const BitLiteral&) const = default;
};
struct UIntLiteral {
  std::uint32_t width = 0;
  UInt128 value = 0;
  bool operator==(const UIntLiteral&) const = default;
};
struct BitVecLiteral {
  std::uint32_t width = 0;
  UInt128 value = 0;
  bool operator==(const BitVecLiteral&) const = default;
};
struct Unary {
  UnaryOp op = UnaryOp::Not;
  ClassicalExpr expr;
  bool operator==(const Unary&) const = default;
};
struct Binary {
  BinaryOp op = BinaryOp::And;
  ClassicalExpr lhs;
  ClassicalExpr rhs;
  bool operator==(const Binary&) const = default;
};
struct Compare {
  CompareOp op = CompareOp::Eq;
  ClassicalExpr lhs;
  ClassicalExpr rhs;
  bool operator==(const Compare&) const = default;
};
struct Cast {
  CastKind cast = CastKind::BitToBool;
  ClassicalExpr expr;
  bool operator==(const Cast&) const = default;
};
struct Select {
  ClassicalExpr condition;
  ClassicalExpr then_expr;
  ClassicalExpr else_expr;
  bool operator==(const Select&) const = default;
};
struct ExtractBit {
  ClassicalExpr value;
  std::uint32_t index = 0;
  bool operator==(const ExtractBit&) const = default;
};
struct ExtractBits {
  ClassicalExpr value;
  std::uint32_t offset = 0;
  std::uint32_t width = 0;
  bool operator==(const ExtractBits&) const = default;
};
struct Concat {
  std::vector<ClassicalExpr> parts;
  bool operator==(const Concat&) const = default;
};
struct PackBits {
  std::vector<ClassicalExpr> bits;
  bool operator==(const PackBits&) const = default;
};
}  // namespace classical_expr

// The alternatives' order is their one-byte discriminant, 0 to 14.
using ClassicalExprKind =
    std::variant<classical_expr::Var, classical_expr::Value, classical_expr::BoolLiteral, classical_expr::BitLiteral,
                 classical_expr::UIntLiteral, classical_expr::BitVecLiteral, classical_expr::Unary,
                 classical_expr::Binary, classical_expr::Compare, classical_expr::Cast, classical_expr::Select,
                 classical_expr::ExtractBit, classical_expr::ExtractBits, classical_expr::Concat,
                 classical_expr::PackBits>;

struct ClassicalExprNode {
  ClassicalExprNode(ClassicalType ty, ClassicalExprKind kind) noexcept : ty(ty), kind(std::move(kind)) {}
  ClassicalExprNode(const ClassicalExprNode&) = default;
  ClassicalExprNode(ClassicalExprNode&&) noexcept = default;
  ClassicalExprNode& operator=(const ClassicalExprNode&) = default;
  ClassicalExprNode& operator=(ClassicalExprNode&&) noexcept = default;
  // Hands the children to an iterative release, so a chain of any depth is freed without recursion.
  ~ClassicalExprNode();

  ClassicalType ty;
  ClassicalExprKind kind;
  bool operator==(const ClassicalExprNode&) const = default;
};

namespace classical_data {
struct Store {
  ClassicalVar target;
  ClassicalExpr value;
  bool operator==(const Store&) const = default;
};
struct MeasureBit {
  ClassicalValue result;
  bool operator==(const MeasureBit&) const = default;
};
struct MeasureBits {
  ClassicalValue result;
  bool operator==(const MeasureBits&) const = default;
};
}  // namespace classical_data

using ClassicalDataOp = std::variant<classical_data::Store, classical_data::MeasureBit, classical_data::MeasureBits>;

}  // namespace norvi::core
