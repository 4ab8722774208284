#include "norvi/core/gates/standard_gate.hpp"

namespace norvi::core {

namespace {

struct GateRow {
  std::string_view name;
  GateShape shape;  // controls, targets, params
};

constexpr std::array<GateRow, kStandardGateCount> kGateTable{{
    {"I", {0, 1, 0}},     {"H", {0, 1, 0}},      {"RX", {0, 1, 1}},     {"RXX", {0, 2, 1}},
    {"RXY", {0, 1, 2}},   {"RY", {0, 1, 1}},     {"RYY", {0, 2, 1}},    {"RZ", {0, 1, 1}},
    {"RZX", {0, 2, 1}},   {"RZZ", {0, 2, 1}},    {"S", {0, 1, 0}},      {"SDG", {0, 1, 0}},
    {"SWAP", {0, 2, 0}},  {"T", {0, 1, 0}},      {"TDG", {0, 1, 0}},    {"U", {0, 1, 3}},
    {"X", {0, 1, 0}},     {"XY", {0, 1, 1}},     {"X2P", {0, 1, 0}},    {"X2M", {0, 1, 0}},
    {"XY2P", {0, 1, 1}},  {"XY2M", {0, 1, 1}},   {"Y", {0, 1, 0}},      {"Y2P", {0, 1, 0}},
    {"Y2M", {0, 1, 0}},   {"Z", {0, 1, 0}},      {"Phase", {0, 1, 1}},  {"GPhase", {0, 0, 1}},
    {"CX", {1, 1, 0}},    {"CCX", {2, 1, 0}},    {"CY", {1, 1, 0}},     {"CZ", {1, 1, 0}},
    {"CRX", {1, 1, 1}},   {"CRY", {1, 1, 1}},    {"CRZ", {1, 1, 1}},    {"FSIM", {0, 2, 2}},
}};

static_assert(static_cast<std::size_t>(StandardGate::FSIM) + 1 == kStandardGateCount);

}  // namespace

std::array<StandardGate, kStandardGateCount> all_standard_gates() noexcept {
  std::array<StandardGate, kStandardGateCount> gates{};
  for (std::size_t i = 0; i < gates.size(); ++i) gates[i] = static_cast<StandardGate>(i);
  return gates;
}

GateShape gate_shape(StandardGate gate) noexcept { return kGateTable[static_cast<std::size_t>(gate)].shape; }

std::string_view standard_gate_name(StandardGate gate) noexcept {
  const auto position = static_cast<std::size_t>(gate);
  return position < kGateTable.size() ? kGateTable[position].name : std::string_view();
}

}  // namespace norvi::core
