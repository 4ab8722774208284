#pragma once
// Symbol keys and interned symbols. A symbol is identified by its key alone: two symbols with equal
// keys are the same symbol whatever their name pointers hold.
#include <cstdint>
#include <string>

namespace norvi::symbolic {

struct DefaultKey {
  std::uint32_t index = 0;
  std::uint32_t version = 0;

  // Version in the high half, index in the low half.
  [[nodiscard]] constexpr std::uint64_t as_u64() const {
    return (static_cast<std::uint64_t>(version) << 32) | index;
  }
  // Handed-out keys always have an odd version, so the lowest version bit is forced on.
  [[nodiscard]] static constexpr DefaultKey from_u64(std::uint64_t form) {
    return DefaultKey{static_cast<std::uint32_t>(form), static_cast<std::uint32_t>(form >> 32) | 1U};
  }
  friend constexpr bool operator==(DefaultKey, DefaultKey) = default;
};

struct InternedSymbol {
  DefaultKey key;
  // Names are interned for the life of the process and never freed, so a plain pointer serves
  // every copy; null only for a symbol made without a name.
  const std::string* name = nullptr;

  friend bool operator==(const InternedSymbol& a, const InternedSymbol& b) { return a.key == b.key; }
};

}  // namespace norvi::symbolic
