#pragma once
// VESK text, the circuit form the platform accepts: one line per operation, a gate name followed by
// qubit labels and parameter values, each line ending with a line feed. Circuit objects are converted
// to it before they are submitted.

#include <cstdint>
#include <expected>
#include <span>
#include <string>
#include <vector>

#include "norvi/core/circuit/circuit.hpp"
#include "norvi/symbolic/expr.hpp"

namespace norvi::core {

enum class VeskErrorKind : std::uint8_t {
  UnsupportedGate,
  UnsupportedClassicalData,
  UnsupportedClassicalControl,
  SymbolicParameter,
  InvalidDelay,
  ControlCharacter,
  InvalidUtf8,
};

// Why a circuit has no VESK text. `detail` is what the message names: the gate, the classical
// operation, the control flow's structural text, the parameter, the delay's problem, or the operation
// whose parameter text holds a control character or a line or paragraph separator, or is not
// well-formed UTF-8 (its instruction name; "p{}", the table entry, from format_vesk_params, which has
// no operation).
struct VeskError {
  VeskErrorKind kind = VeskErrorKind::UnsupportedGate;
  std::string detail;

  // "Unsupported gate '{}': it is not represented by the VESK circuit format", ...
  std::string message() const;
};

// A gate parameter that does not evaluate to a finite number.
struct CircuitError {
  enum class Kind : std::uint8_t { NotNumeric, NaN, Infinite };
  Kind kind = Kind::NotNumeric;
  std::string expression;  // the plain text of the expression evaluated

  // The expression's text for NotNumeric; "Evaluation of '{}' resulted in NaN" / "... in infinity".
  std::string message() const;
};

// The VESK text of a circuit, or the first operation's failure met (then nothing is written).
std::expected<std::string, VeskError> circuit_to_vesk(const Circuit& circuit);

// The value of a gate parameter: evaluated without bindings, then with "π" and "e" bound.
std::expected<double, CircuitError> evaluate_expr_f64(const symbolic::Expr& expr);

// "Q0 Q1 Q2"; empty for no qubit.
std::string format_qubit_labels(std::span<const Qubit> qubits);

// The text of each parameter reference, in order, against the circuit's parameter table. A table entry
// that stays symbolic is written as its plain text with "pi" for "π", unless that text is not
// well-formed UTF-8 or holds a control character or a line or paragraph separator.
std::expected<std::vector<std::string>, VeskError> format_vesk_params(std::span<const ParamRef> params,
                                                                      std::span<const Parameter> table);

// "pi", "-pi/2", "pi/4", "0", "2", "0.3333333333": multiples of pi by name within 1e-10, whole numbers
// without a point, other values rounded to ten decimals without trailing zeros; "NaN", "inf", "-inf".
std::string format_vesk_angle(double x);

}  // namespace norvi::core
