#pragma once
// The process-wide symbol registry: one name, one key, for the life of the process, from any thread.
// Records are only ever added.
#include <cstdint>
#include <optional>
#include <string_view>

#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

// The key of a name, interning it on first sight.
DefaultKey intern_symbol(std::string_view name);

// The record of an interned key (64-bit form), or none when no symbol has that key.
std::optional<InternedSymbol> symbol_by_key(std::uint64_t key);

// The hash of a name's bytes; its low four bits choose the name's shard.
std::uint64_t symbol_name_hash(std::string_view name);

}  // namespace norvi::symbolic
