#pragma once
// A property a fuzz target checks beside the sanitizers: a violation is reported and aborts, so that
// libFuzzer keeps the input as a crash.

#include <cstdio>
#include <cstdlib>

namespace norvi::fuzz {

inline void require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

}  // namespace norvi::fuzz
