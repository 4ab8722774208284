#include "norvi/core/circuit/vesk.hpp"

#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include <fmt/format.h>

#include "norvi/core/circuit/debug_text.hpp"
#include "norvi/symbolic/debug_writer.hpp"
#include "norvi/symbolic/evaluate.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/number_format.hpp"
#include "norvi/symbolic/overloaded.hpp"
#include "norvi/symbolic/utf8.hpp"

namespace norvi::core {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kE = 2.718281828459045;
constexpr double kAngleTolerance = 1e-10;
constexpr double kTickTolerance = 1e-10;

std::unexpected<VeskError> fail(VeskErrorKind kind, std::string detail) {
  return std::unexpected<VeskError>(VeskError{kind, std::move(detail)});
}

std::unexpected<VeskError> symbolic_parameter_index(std::uint32_t index) {
  return fail(VeskErrorKind::SymbolicParameter, fmt::format("p{}", index));
}

void append_angle(std::string& out, double x) {
  struct Named {
    double value;
    std::string_view text;
  };
  static constexpr Named kNamed[] = {
      {kPi, "pi"}, {-kPi, "-pi"}, {kPi / 2, "pi/2"}, {-kPi / 2, "-pi/2"}, {kPi / 4, "pi/4"}, {-kPi / 4, "-pi/4"},
  };
  for (const Named& named : kNamed) {
    if (std::fabs(x - named.value) < kAngleTolerance) {
      out += named.text;
      return;
    }
  }
  if (x == 0.0) {
    out += '0';  // -0.0 too
    return;
  }
  char buf[64];
  if (x - std::trunc(x) == 0.0) {
    if (std::fabs(x) < 1e15) {
      const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(x));
      out.append(buf, static_cast<std::size_t>(r.ptr - buf));
    } else {
      out += symbolic::format_positional(x);  // every digit, no exponent
    }
    return;
  }
  if (!std::isfinite(x)) {
    out += std::isnan(x) ? "NaN" : (x > 0 ? "inf" : "-inf");
    return;
  }
  // Ten decimals, correctly rounded from the exact binary value; then no trailing zeros or point.
  const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 10);
  const char* end = r.ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  out.append(buf, static_cast<std::size_t>(end - buf));
}

void append_labels(std::string& out, std::span<const Qubit> qubits) {
  char buf[16];
  bool first = true;
  for (const Qubit qubit : qubits) {
    if (!first) out += ' ';
    first = false;
    buf[0] = 'Q';
    const auto r = std::to_chars(buf + 1, buf + sizeof buf, qubit.index);
    out.append(buf, static_cast<std::size_t>(r.ptr - buf));
  }
}

std::string replace_pi_sign(std::string text) {
  static constexpr std::string_view kPiSign = "π";
  for (std::size_t at = text.find(kPiSign); at != std::string::npos; at = text.find(kPiSign, at + 2)) {
    text.replace(at, kPiSign.size(), "pi");
  }
  return text;
}

// The circuit's parameter table, each entry evaluated on first use only: a large circuit refers to
// the same few entries over and over. The cost follows the entries used, so that one operation over a
// huge table costs what it costs over a small one: they are kept by index in a hash map until a
// vector over the whole table costs little beside the work already done, then in that vector.
class ParamTable {
 public:
  explicit ParamTable(std::span<const Parameter> table) : table_(table) {
    if (dense_pays(0)) dense_.resize(table_.size());
  }

  std::size_t size() const noexcept { return table_.size(); }

  // The value of entry `index` (within the table), or none when it stays symbolic.
  std::optional<double> value(std::uint32_t index) { return entry(index).value; }

  // The entry's plain text, for one that stays symbolic.
  std::string plain(std::uint32_t index) const { return symbolic::plain_text(*table_[index].expr); }

  // The text of one parameter reference in a gate line. A symbolic entry's text holds the caller's
  // names: one that is not UTF-8 would make the text (and the JSON body it goes into) ill-formed, one
  // with a line breaker in it would start a line of its own. They fail as InvalidUtf8 and
  // ControlCharacter with the entry's name "p{}" (a gate line names its operation instead).
  std::expected<void, VeskError> append_param(std::string& out, const ParamRef& param) {
    if (const auto* fixed = std::get_if<param_ref::Fixed>(&param)) {
      append_angle(out, fixed->value);
      return {};
    }
    const std::uint32_t index = std::get<param_ref::Index>(param).index;
    if (index >= size()) return symbolic_parameter_index(index);
    Entry& e = entry(index);
    if (e.value) {
      append_angle(out, *e.value);
      return {};
    }
    if (!e.written) {
      e.written = replace_pi_sign(plain(index));
      if (!symbolic::valid_utf8(*e.written)) {
        e.refused = VeskErrorKind::InvalidUtf8;
      } else if (symbolic::holds_line_breaker(*e.written)) {
        e.refused = VeskErrorKind::ControlCharacter;
      }
    }
    if (e.refused) return fail(*e.refused, fmt::format("p{}", index));
    out += *e.written;
    return {};
  }

 private:
  struct Entry {
    bool evaluated = false;
    std::optional<VeskErrorKind> refused;  // why `written` cannot be written
    std::optional<double> value;
    std::optional<std::string> written;  // the plain text with "pi" for "π", as a gate line has it
  };

  // Whether a vector of the whole table costs at most 16 times the entries used so far, counting
  // four more: so a small table takes it at once.
  bool dense_pays(std::size_t used) const noexcept { return table_.size() <= 16 * (used + 4); }

  Entry& entry(std::uint32_t index) {
    Entry& e = dense_.empty() ? sparse_entry(index) : dense_[index];
    if (!e.evaluated) {
      e.evaluated = true;
      if (auto number = evaluate_expr_f64(*table_[index].expr)) e.value = *number;
    }
    return e;
  }

  Entry& sparse_entry(std::uint32_t index) {
    const auto [at, fresh] = sparse_.try_emplace(index);
    if (!fresh || !dense_pays(sparse_.size())) return at->second;
    dense_.resize(table_.size());
    for (auto& [kept, e] : sparse_) dense_[kept] = std::move(e);
    sparse_ = {};
    return dense_[index];
  }

  std::span<const Parameter> table_;
  std::unordered_map<std::uint32_t, Entry> sparse_;
  std::vector<Entry> dense_;  // once taken, every entry of the table
};

// The VESK name of a standard gate; null for the two gates VESK cannot express.
std::string_view vesk_gate_name(StandardGate gate) {
  switch (gate) {
    case StandardGate::SDG: return "SD";
    case StandardGate::TDG: return "TD";
    case StandardGate::Phase: return "PHASE";
    case StandardGate::I:
    case StandardGate::GPhase: return {};
    default: return standard_gate_name(gate);
  }
}

std::expected<void, VeskError> append_standard(std::string& out, StandardGate gate, const Operation& op,
                                               ParamTable& table) {
  // The name goes first in the line, but a parameter failure is reported before an unsupported name.
  const std::string_view name = vesk_gate_name(gate);
  out += name;
  out += ' ';
  append_labels(out, op.qubits);
  for (const ParamRef& param : op.params) {
    out += ' ';
    if (auto appended = table.append_param(out, param); !appended) {
      const VeskErrorKind kind = appended.error().kind;
      if (kind == VeskErrorKind::ControlCharacter || kind == VeskErrorKind::InvalidUtf8) {
        appended.error().detail = instruction_name(op.instruction);
      }
      return appended;
    }
  }
  if (name.empty()) return fail(VeskErrorKind::UnsupportedGate, std::string(standard_gate_name(gate)));
  return {};
}

std::expected<void, VeskError> append_delay(std::string& out, const Operation& op, ParamTable& table) {
  if (op.params.size() != 1) {
    return fail(VeskErrorKind::InvalidDelay, "VESK delay requires exactly one tick parameter");
  }
  double ticks = 0.0;
  if (const auto* fixed = std::get_if<param_ref::Fixed>(&op.params[0])) {
    ticks = fixed->value;
  } else {
    const std::uint32_t index = std::get<param_ref::Index>(op.params[0]).index;
    if (index >= table.size()) return symbolic_parameter_index(index);
    const std::optional<double> number = table.value(index);
    if (!number) return fail(VeskErrorKind::SymbolicParameter, table.plain(index));
    ticks = *number;
  }
  const double whole = std::trunc(ticks);
  if (!std::isfinite(ticks) || ticks < 0.0 || !(std::fabs(ticks - whole) < kTickTolerance)) {
    return fail(VeskErrorKind::InvalidDelay,
                fmt::format("{} is not a non-negative integer number of 0.5 ns ticks", symbolic::format_positional(ticks)));
  }
  out += "I ";
  append_labels(out, op.qubits);
  out += ' ';
  // A value accepted just above a whole number is written as that whole number of ticks.
  append_angle(out, whole);
  return {};
}

std::expected<void, VeskError> append_line(std::string& out, const Operation& op, ParamTable& table) {
  auto labelled = [&](std::string_view name) -> std::expected<void, VeskError> {
    out += name;
    out += ' ';
    append_labels(out, op.qubits);
    return {};
  };
  return std::visit(
      symbolic::Overloaded{
          [&](StandardGate gate) { return append_standard(out, gate, op, table); },
          [&](const std::shared_ptr<const MCGate>&) -> std::expected<void, VeskError> {
            return fail(VeskErrorKind::UnsupportedGate, "Multi-controlled gate");
          },
          [&](const std::shared_ptr<const UnitaryGate>&) -> std::expected<void, VeskError> {
            return fail(VeskErrorKind::UnsupportedGate, "UnitaryGate");
          },
          [&](const std::shared_ptr<const CircuitGate>&) -> std::expected<void, VeskError> {
            return fail(VeskErrorKind::UnsupportedGate, "CircuitGate (custom gate)");
          },
          [&](DirectiveKind kind) -> std::expected<void, VeskError> {
            switch (kind) {
              case DirectiveKind::Barrier: return labelled("B");
              case DirectiveKind::Measure: return labelled("M");
              case DirectiveKind::Reset: break;
            }
            return fail(VeskErrorKind::UnsupportedGate, "Reset");
          },
          [&](const ClassicalDataOp& data) -> std::expected<void, VeskError> {
            // A measure writes its qubits; the classical targets have no VESK form.
            if (std::holds_alternative<classical_data::Store>(data)) {
              return fail(VeskErrorKind::UnsupportedClassicalData, "store");
            }
            return labelled("M");
          },
          [&](const ControlFlow& flow) -> std::expected<void, VeskError> {
            return fail(VeskErrorKind::UnsupportedClassicalControl, debug_text(flow));
          },
          [&](DelayInstruction) { return append_delay(out, op, table); },
      },
      op.instruction.value());
}

}  // namespace

std::string VeskError::message() const {
  switch (kind) {
    case VeskErrorKind::UnsupportedGate:
      return fmt::format("Unsupported gate '{}': it is not represented by the VESK circuit format", detail);
    case VeskErrorKind::UnsupportedClassicalData:
      return fmt::format("Unsupported classical data operation '{}': VESK does not represent classical storage",
                         detail);
    case VeskErrorKind::UnsupportedClassicalControl:
      return fmt::format("Unsupported classical control operation '{}': VESK does not represent classical control flow",
                         detail);
    case VeskErrorKind::SymbolicParameter:
      return fmt::format(
          "Symbolic parameter '{}': VESK only supports numeric parameters. Please bind all symbolic parameters to "
          "numeric values before dumping.",
          detail);
    case VeskErrorKind::ControlCharacter:
      return fmt::format("Control character in a parameter of '{}': VESK writes each operation on one line", detail);
    case VeskErrorKind::InvalidUtf8:
      return fmt::format("Invalid UTF-8 in a parameter of '{}': VESK text is UTF-8", detail);
    case VeskErrorKind::InvalidDelay: break;
  }
  return fmt::format("Invalid VESK delay parameter: {}", detail);
}

std::string CircuitError::message() const {
  switch (kind) {
    case Kind::NotNumeric: return expression;
    case Kind::NaN: return fmt::format("Evaluation of '{}' resulted in NaN", expression);
    case Kind::Infinite: break;
  }
  return fmt::format("Evaluation of '{}' resulted in infinity", expression);
}

std::expected<std::string, VeskError> circuit_to_vesk(const Circuit& circuit) {
  ParamTable table(circuit.parameters);
  std::string out;
  for (const Operation& op : circuit.data) {
    if (auto appended = append_line(out, op, table); !appended) return std::unexpected(std::move(appended.error()));
    out += '\n';
  }
  return out;
}

std::expected<double, CircuitError> evaluate_expr_f64(const symbolic::Expr& expr) {
  static const symbolic::CustomFunctions kNoCustom;
  static const symbolic::Bindings kHostConstants = {{"π", kPi}, {"e", kE}};
  auto number_of = [](const symbolic::ExprPtr& e) -> std::optional<double> {
    if (const auto* n = std::get_if<symbolic::Number>(&e->kind())) return n->value;
    return std::nullopt;
  };
  std::optional<double> value = number_of(symbolic::evaluate_expr_rec(expr, kNoCustom));
  if (!value) value = number_of(symbolic::evaluate_with_bindings(expr, kHostConstants, kNoCustom));
  if (!value) return std::unexpected(CircuitError{CircuitError::Kind::NotNumeric, symbolic::plain_text(expr)});
  if (std::isnan(*value)) return std::unexpected(CircuitError{CircuitError::Kind::NaN, symbolic::plain_text(expr)});
  if (std::isinf(*value)) return std::unexpected(CircuitError{CircuitError::Kind::Infinite, symbolic::plain_text(expr)});
  return *value;
}

std::string format_qubit_labels(std::span<const Qubit> qubits) {
  std::string out;
  append_labels(out, qubits);
  return out;
}

std::expected<std::vector<std::string>, VeskError> format_vesk_params(std::span<const ParamRef> params,
                                                                      std::span<const Parameter> table) {
  ParamTable entries(table);
  std::vector<std::string> texts;
  texts.reserve(params.size());
  for (const ParamRef& param : params) {
    std::string text;
    if (auto appended = entries.append_param(text, param); !appended) return std::unexpected(std::move(appended.error()));
    texts.push_back(std::move(text));
  }
  return texts;
}

std::string format_vesk_angle(double x) {
  std::string out;
  append_angle(out, x);
  return out;
}

}  // namespace norvi::core
