#include "norvi/core/device/physical_qubit.hpp"

namespace norvi::core {

std::string display_text(PhysicalQubit qubit) { return fmt::format("P{}", qubit.index); }

std::string diagnostic_text(PhysicalQubit qubit) { return fmt::format("PhysicalQubit(Qubit({}))", qubit.index); }

}  // namespace norvi::core
