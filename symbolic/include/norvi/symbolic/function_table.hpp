#pragma once
// The known-function table: one row per known function, keyed by the symbol key of its name.
#include <cstddef>
#include <optional>
#include <span>

#include "norvi/symbolic/expr.hpp"
#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

// Argument values in, the value out; none when the function has no value there (or when it is
// handed fewer values than it reads). Values beyond the arity are ignored.
using FunctionEval = std::optional<double> (*)(std::span<const double> values);

// The derivative of one call from its argument nodes and their derivatives (chain rule included).
using DerivativeRule = ExprPtr (*)(std::span<const ExprPtr> args, std::span<const ExprPtr> arg_derivatives);

struct FunctionDefinition {
  const char* name = "";
  FunctionEval eval = nullptr;
  DerivativeRule derivative = nullptr;
  std::size_t min_arity = 0;
  std::size_t max_arity = 0;
  bool flag = false;
};

inline constexpr std::size_t kKnownFunctionCount = 60;

// The rows in table order.
std::span<const FunctionDefinition> function_rows();

// The row of a key; built on the first call, then read without locks. Null when there is no row.
const FunctionDefinition* get_function_definition(DefaultKey key);

}  // namespace norvi::symbolic
