#include "norvi/symbolic/fatal.hpp"

#include <cstdio>
#include <cstdlib>

namespace norvi::symbolic {

void fatal_error(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
  std::abort();
}

}  // namespace norvi::symbolic
