#pragma once
// A broken internal invariant of the engine abandons the operation: the text goes to stderr and the
// process aborts. Callers never see a result.
#include <string_view>

namespace norvi::symbolic {

[[noreturn]] void fatal_error(std::string_view text);

}  // namespace norvi::symbolic
