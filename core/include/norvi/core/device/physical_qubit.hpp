#pragma once
// A physical qubit of a device and its two text forms: the display form "P7" (device-model errors)
// and the diagnostic form "PhysicalQubit(Qubit(7))" (topology errors).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

namespace norvi::core {

// A qubit index as the device and its configuration number them.
using QubitIndex = std::uint32_t;

struct PhysicalQubit {
  QubitIndex index = 0;
  bool operator==(const PhysicalQubit&) const = default;
};

// "P{}".
std::string display_text(PhysicalQubit qubit);
// "PhysicalQubit(Qubit({}))", no blanks.
std::string diagnostic_text(PhysicalQubit qubit);

// The index a configuration names a qubit by: "Q", an optional single "+", then decimal digits only
// (leading zeros allowed) that fit 32 bits. "Q007" and "Q+7" are qubit 7; "q7", "Q", "Q-1" and
// "Q4294967296" name none.
std::optional<QubitIndex> qubit_index_from_name(std::string_view name);

}  // namespace norvi::core

// The display form.
template <>
struct fmt::formatter<norvi::core::PhysicalQubit> : fmt::formatter<unsigned> {
  template <typename Context>
  auto format(norvi::core::PhysicalQubit qubit, Context& ctx) const {
    return fmt::format_to(ctx.out(), "P{}", qubit.index);
  }
};
