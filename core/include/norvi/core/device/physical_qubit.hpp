#pragma once
// A physical qubit of a device and its two text forms: the display form "P7" (device-model errors)
// and the diagnostic form "PhysicalQubit(Qubit(7))" (topology errors).

#include <cstdint>
#include <string>

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

}  // namespace norvi::core

// The display form.
template <>
struct fmt::formatter<norvi::core::PhysicalQubit> : fmt::formatter<unsigned> {
  template <typename Context>
  auto format(norvi::core::PhysicalQubit qubit, Context& ctx) const {
    return fmt::format_to(ctx.out(), "P{}", qubit.index);
  }
};
