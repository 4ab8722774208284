// Placeholder bodies of the expression text forms, so that code calling them links while the
// printers are written; replaced by the printers themselves.
#include "norvi/symbolic/debug_writer.hpp"
#include "norvi/symbolic/expr_text.hpp"

namespace norvi::symbolic {

void expr_fmt_plain(const Expr&, std::string& out) { out += "<expr>"; }
void expr_fmt_latex(const Expr&, std::string& out, const NameMap*) { out += "<expr>"; }
void expr_fmt_unicode(const Expr&, std::string& out, const NameMap*) { out += "<expr>"; }
std::string plain_text(const Expr& expr) {
  std::string out;
  expr_fmt_plain(expr, out);
  return out;
}
void expr_fmt_debug(const Expr&, std::string& out, bool) { out += "Expr"; }
void expr_fmt_debug(const InternedSymbol&, std::string& out, bool) { out += "InternedSymbol"; }
void expr_fmt_debug(const Polynomial&, std::string& out, bool) { out += "Polynomial"; }
void expr_fmt_debug(DefaultKey, std::string& out, bool) { out += "DefaultKey"; }
void expr_write_debug(const Expr&, DebugWriter& writer) { writer.word("Expr"); }

}  // namespace norvi::symbolic
