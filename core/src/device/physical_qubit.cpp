#include "norvi/core/device/physical_qubit.hpp"

#include <algorithm>
#include <charconv>

namespace norvi::core {

std::string display_text(PhysicalQubit qubit) { return fmt::format("P{}", qubit.index); }

std::string diagnostic_text(PhysicalQubit qubit) { return fmt::format("PhysicalQubit(Qubit({}))", qubit.index); }

std::optional<QubitIndex> qubit_index_from_name(std::string_view name) {
  if (name.empty() || name.front() != 'Q') return std::nullopt;
  name.remove_prefix(1);
  if (!name.empty() && name.front() == '+') name.remove_prefix(1);
  if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  QubitIndex index = 0;
  const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), index);
  if (ec != std::errc{} || end != name.data() + name.size()) return std::nullopt;
  return index;
}

}  // namespace norvi::core
