#pragma once
// The keys of the engine's reserved names (known functions, sign spellings, constants), built once.
#include <array>
#include <cstddef>

#include "norvi/symbolic/symbol.hpp"

namespace norvi::symbolic {

inline constexpr std::size_t kKnownSymbolCount = 67;

// Positions of the reserved names, in build order.
inline constexpr std::array<const char*, kKnownSymbolCount> kKnownSymbolNames = {
    "sqrt", "cbrt", "exp", "ln", "log", "log10", "log2",
    "sin", "cos", "tan", "cot", "sec", "csc", "asin", "acos", "atan", "atan2", "acot", "asec", "acsc",
    "sinh", "cosh", "tanh", "coth", "sech", "csch", "asinh", "acosh", "atanh", "acoth", "asech", "acsch",
    "abs", "signum", "floor", "ceil", "round", "sign", "sgn",
    "erf", "erfc", "gamma", "digamma", "trigamma", "beta",
    "besselj", "bessely", "besseli", "besselk", "polygamma", "tetragamma",
    "sinc", "lambertw", "elliptic_k", "elliptic_e", "zeta", "zeta_deriv",
    "hermite", "assoc_legendre", "spherical_harmonic", "ynm", "exp_polar",
    "pi", "PI", "Pi", "e", "E"};

inline constexpr std::size_t kKnownPi = 62;
inline constexpr std::size_t kKnownE = 65;
inline constexpr std::size_t kKnownUpperE = 66;

struct KnownSymbols {
  std::array<DefaultKey, kKnownSymbolCount> keys;
};

// Built on first access; concurrent first callers wait for the one build.
const KnownSymbols& known_symbols();

}  // namespace norvi::symbolic
