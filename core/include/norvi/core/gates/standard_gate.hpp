#pragma once
// The 36 standard gates: one byte each, its value the gate's position in the gate table. The position
// is part of the contract (native gates are chosen by it), so new gates go at the end, never between.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <fmt/format.h>

namespace norvi::core {

enum class StandardGate : std::uint8_t {
  I, H, RX, RXX, RXY, RY, RYY, RZ, RZX, RZZ, S, SDG, SWAP, T, TDG, U, X, XY, X2P, X2M, XY2P, XY2M,
  Y, Y2P, Y2M, Z, Phase, GPhase, CX, CCX, CY, CZ, CRX, CRY, CRZ, FSIM,
};

inline constexpr std::size_t kStandardGateCount = 36;

// How many control qubits, target qubits and real parameters a gate takes.
struct GateShape {
  std::uint8_t controls = 0;
  std::uint8_t targets = 0;
  std::uint8_t params = 0;
  // The qubits the gate acts on: controls plus targets (0 for GPhase).
  constexpr std::uint8_t qubits() const noexcept { return static_cast<std::uint8_t>(controls + targets); }
  bool operator==(const GateShape&) const = default;
};

// Every gate in table order, for walking the table.
std::array<StandardGate, kStandardGateCount> all_standard_gates() noexcept;

GateShape gate_shape(StandardGate gate) noexcept;

// "I", "H", "RX", ... "Phase", "GPhase", ... "FSIM": case matters. Empty for a number outside the enum.
std::string_view standard_gate_name(StandardGate gate) noexcept;

}  // namespace norvi::core

// Writes the gate's name; width, fill and alignment requests are ignored.
template <>
struct fmt::formatter<norvi::core::StandardGate> {
  constexpr auto parse(fmt::format_parse_context& ctx) {
    auto it = ctx.begin();
    while (it != ctx.end() && *it != '}') ++it;
    return it;
  }
  template <typename Context>
  auto format(norvi::core::StandardGate gate, Context& ctx) const {
    const std::string_view name = norvi::core::standard_gate_name(gate);
    return std::copy(name.begin(), name.end(), ctx.out());
  }
};
