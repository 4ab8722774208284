#include "norvi/symbolic/known_symbols.hpp"

#include "norvi/symbolic/fatal.hpp"
#include "norvi/symbolic/symbol_registry.hpp"

namespace norvi::symbolic {
namespace {

KnownSymbols build_known_symbols() {
  KnownSymbols known{};
  for (std::size_t i = 0; i < kKnownSymbolCount; ++i) {
    const auto record = symbol_by_key(intern_symbol(kKnownSymbolNames[i]).as_u64());
    if (!record) fatal_error("Just-created symbol should always be found");
    known.keys[i] = record->key;
  }
  return known;
}

}  // namespace

const KnownSymbols& known_symbols() {
  static const KnownSymbols known = build_known_symbols();
  return known;
}

}  // namespace norvi::symbolic
