#pragma once
// Text forms of expressions: plain (the display form), LaTeX and Unicode, and the structural
// diagnostic form of the engine's types.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "norvi/symbolic/expr.hpp"

namespace norvi::symbolic {

class DebugWriter;

enum class FormatMode : std::uint8_t { Plain = 0, Latex = 1, Unicode = 2 };

// Display texts of symbols by their 64-bit key, for the LaTeX and Unicode forms.
using NameMap = std::unordered_map<std::uint64_t, std::string>;

// Each appends to `out`. The name map, keyed by a symbol's 64-bit key, replaces the names of symbols
// (not of functions) in the LaTeX and Unicode forms. Trees of any depth print without deep recursion.
void expr_fmt_plain(const Expr& expr, std::string& out);
void expr_fmt_latex(const Expr& expr, std::string& out, const NameMap* names = nullptr);
void expr_fmt_unicode(const Expr& expr, std::string& out, const NameMap* names = nullptr);
std::string plain_text(const Expr& expr);

// The diagnostic form, compact or (alternate) multi-line.
void expr_fmt_debug(const Expr& expr, std::string& out, bool alternate);
void expr_fmt_debug(const InternedSymbol& symbol, std::string& out, bool alternate);
void expr_fmt_debug(const Polynomial& polynomial, std::string& out, bool alternate);
void expr_fmt_debug(DefaultKey key, std::string& out, bool alternate);
// The same, as one value inside a larger diagnostic form being written. A shared node is written as
// the Expr it refers to.
void expr_write_debug(const Expr& expr, DebugWriter& writer);
void expr_write_debug(const ExprKind& kind, DebugWriter& writer);
void expr_write_debug(const InternedSymbol& symbol, DebugWriter& writer);
void expr_write_debug(const Polynomial& polynomial, DebugWriter& writer);
void expr_write_debug(DefaultKey key, DebugWriter& writer);

}  // namespace norvi::symbolic
