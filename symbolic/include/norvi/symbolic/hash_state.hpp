#pragma once
// The one word-absorbing hash state of the engine: symbol names, symbol keys and expression nodes all
// hash through it, so equal inputs give equal hashes everywhere.
#include <bit>
#include <cstdint>

namespace norvi::symbolic {

struct HashState {
  static constexpr std::uint64_t kMultiplier = 0xf1357aea2e62a9c5ULL;

  std::uint64_t state = 0;

  constexpr void absorb(std::uint64_t word) { state = (state + word) * kMultiplier; }
  [[nodiscard]] constexpr std::uint64_t finish() const { return std::rotl(state, 26); }
};

}  // namespace norvi::symbolic
