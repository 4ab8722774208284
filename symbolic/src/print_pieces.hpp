#pragma once
// The mode-dependent texts of the expression printers: operator and bracket pieces, the greek names,
// Unicode superscripts and the LaTeX forms of function calls.
#include <cstddef>
#include <string>
#include <string_view>

#include "norvi/symbolic/expr_text.hpp"

namespace norvi::symbolic::print {

struct ModePieces {
  std::string_view multiply;       // between factors
  std::string_view product_minus;  // before a product led by a negative number
  std::string_view sum_minus;      // before a negative first term
  std::string_view term_minus;     // between terms
  std::string_view open;           // around a child
  std::string_view close;
  std::string_view nan;
  std::string_view infinity;
  std::string_view negative_infinity;
};

const ModePieces& pieces(FormatMode mode);

// The display of a greek or constant name in LaTeX or Unicode; empty when the name has none.
std::string_view greek(std::string_view name, FormatMode mode);

// Appends the superscript characters of a text made of digits, '+', '-', '(' and ')'.
void append_superscript(std::string& out, std::string_view ascii);

// A call written in its own LaTeX form: literal text with the arguments' places marked by the bytes
// 1 to 4 (first to fourth argument). Null when the name and argument count have no such form.
const char* latex_call_form(std::string_view name, std::size_t arg_count);

// The operator text of a LaTeX call that has no form of its own; empty for a name written as
// "\text{name}" (see latex_text_runs).
std::string_view latex_operator(std::string_view name);

// Calls `emit` with the pieces of `name` as it stands inside "\text{...}": runs of plain characters
// and the escapes of the characters TeX treats specially there.
template <typename Emit>
void latex_text_runs(std::string_view name, Emit&& emit) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    std::string_view escape;
    switch (name[i]) {
      case '_': escape = "\\_"; break;
      case '&': escape = "\\&"; break;
      case '%': escape = "\\%"; break;
      case '$': escape = "\\$"; break;
      case '#': escape = "\\#"; break;
      case '{': escape = "\\{"; break;
      case '}': escape = "\\}"; break;
      case '~': escape = "\\textasciitilde{}"; break;
      case '^': escape = "\\textasciicircum{}"; break;
      case '\\': escape = "\\textbackslash{}"; break;
      default: continue;
    }
    if (i > start) emit(name.substr(start, i - start));
    emit(escape);
    start = i + 1;
  }
  if (start < name.size()) emit(name.substr(start));
}

}  // namespace norvi::symbolic::print
