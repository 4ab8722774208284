// The plain, LaTeX and Unicode forms of expressions: one set of printers that take the mode and pass
// it on to the children.
//
// Trees can be a million levels deep, so the printers do not recurse without bound. A printer writes
// its pieces in order; a child is printed in place while the nesting stays shallow, and otherwise goes
// onto an explicit work stack together with every piece that must follow it. Once anything of a
// printer's output is on the stack, the rest of that output goes there too, so the text comes out in
// order. Each popped entry starts a fresh batch, whose entries are pushed in writing order and then
// reversed. Long lists (terms, factors, arguments) leave a continuation entry rather than their whole
// tail, so the stack grows with the depth of the tree, not with its width.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/known_symbols.hpp"
#include "norvi/symbolic/number_format.hpp"
#include "norvi/symbolic/work_stack.hpp"
#include "print_pieces.hpp"

namespace norvi::symbolic {
namespace {

using print::pieces;

constexpr double kTolerance = 1e-14;

bool near_one(double x) { return std::fabs(x - 1.0) < kTolerance; }

// Where a child stands, which decides its parentheses.
enum class Context : std::uint8_t {
  term_or_factor,  // a term of a sum, a factor of a product, a magnitude
  base,            // the base of a power
};

bool needs_parentheses(const Expr& child, Context context, FormatMode mode) {
  const ExprKind& k = child.kind();
  switch (context) {
    case Context::term_or_factor: return std::holds_alternative<Sum>(k) || std::holds_alternative<Poly>(k);
    case Context::base:
      if (const auto* n = std::get_if<Number>(&k)) return n->value < 0;
      // A power as base: the plain form keeps x^2^3; LaTeX rejects a double superscript and x²³ reads
      // as x to the 23rd, so the other modes bracket it.
      if (std::holds_alternative<Pow>(k)) return mode != FormatMode::Plain;
      return std::holds_alternative<Sum>(k) || std::holds_alternative<Product>(k) || std::holds_alternative<Div>(k) ||
             std::holds_alternative<Poly>(k);
  }
  return false;
}

// A piece of output still to be written.
struct PrintItem {
  enum class Op : std::uint8_t {
    text,         // literal text: `pointer`, `length`
    node,         // the Expr at `pointer`
    list_rest,    // the Sum, Product or FunctionCall at `pointer`, from element `index` on
    poly,         // the Polynomial at `pointer` from term `index` on, coefficients negated if `negate`
    number,       // `value` by the number rule
    coefficient,  // `value` as a polynomial coefficient
    decimal,      // `unsigned_value` in decimal
    superscript,  // `value` as a Unicode superscript
    symbol,       // the InternedSymbol at `pointer` by the symbol rule
    variable,     // the InternedSymbol at `pointer` as a plain derivative's variable
  };
  Op op;
  FormatMode mode = FormatMode::Plain;
  bool negate = false;
  std::uint32_t index = 0;
  const void* pointer = nullptr;
  union {
    std::size_t length;
    double value;
    std::uint64_t unsigned_value;
  };
};

// The sign of a term of a sum, and what is written after the sign.
struct TermSign {
  bool negative = false;
  bool has_number = false;
  double number = 0.0;                           // |c| or |v|
  const std::vector<ExprPtr>* factors = nullptr;  // with `first_factor`: the remaining factors
  std::size_t first_factor = 0;
  const Polynomial* poly = nullptr;  // to be written negated
};

class Printer {
 public:
  Printer(std::string& out, const NameMap* names)
      : out_(out), names_(names), e_key_(known_symbols().keys[kKnownE].as_u64()) {}

  void run(const Expr& root, FormatMode mode) {
    PrintItem first{PrintItem::Op::node, mode};
    first.pointer = &root;
    stack_.push(first);
    while (!stack_.empty()) {
      const PrintItem item = stack_.pop();
      mark_ = stack_.size();
      depth_ = 0;
      write_item(item);
      std::reverse(stack_.data() + mark_, stack_.data() + stack_.size());
    }
  }

 private:
  // Children nest in place up to this depth; deeper ones go onto the stack.
  static constexpr int kInPlaceDepth = 16;

  bool deferring() const { return stack_.size() > mark_; }

  void emit(const PrintItem& item) {
    if (deferring()) {
      stack_.push(item);
    } else {
      write_item(item);
    }
  }

  void text(std::string_view t) {
    if (deferring()) {
      PrintItem item{PrintItem::Op::text};
      item.pointer = t.data();
      item.length = t.size();
      stack_.push(item);
    } else {
      out_ += t;
    }
  }

  void node(const Expr& e, FormatMode mode) {
    if (!deferring() && depth_ < kInPlaceDepth) {
      ++depth_;
      print_node(e, mode);
      --depth_;
    } else {
      PrintItem item{PrintItem::Op::node, mode};
      item.pointer = &e;
      stack_.push(item);
    }
  }

  void value_item(PrintItem::Op op, FormatMode mode, double v) {
    PrintItem item{op, mode};
    item.value = v;
    emit(item);
  }
  void decimal(std::uint64_t v) {
    PrintItem item{PrintItem::Op::decimal};
    item.unsigned_value = v;
    emit(item);
  }
  void symbol_item(PrintItem::Op op, FormatMode mode, const InternedSymbol& s) {
    PrintItem item{op, mode};
    item.pointer = &s;
    emit(item);
  }
  // A list that goes on after element `index - 1`, once the stack holds what came before it.
  void continue_list(const Expr& list_node, std::size_t index, FormatMode mode) {
    PrintItem item{PrintItem::Op::list_rest, mode};
    item.pointer = &list_node;
    item.index = static_cast<std::uint32_t>(index);
    stack_.push(item);
  }
  void continue_poly(const Polynomial& p, bool negate, std::size_t index) {
    PrintItem item{PrintItem::Op::poly};
    item.pointer = &p;
    item.negate = negate;
    item.index = static_cast<std::uint32_t>(index);
    emit(item);
  }

  void write_item(const PrintItem& item) {
    switch (item.op) {
      case PrintItem::Op::text: out_.append(static_cast<const char*>(item.pointer), item.length); break;
      case PrintItem::Op::node: print_node(*static_cast<const Expr*>(item.pointer), item.mode); break;
      case PrintItem::Op::list_rest: {
        const Expr& e = *static_cast<const Expr*>(item.pointer);
        if (const auto* s = std::get_if<Sum>(&e.kind())) {
          expr_fmt_sum(item.mode, e, s->terms, item.index);
        } else if (const auto* p = std::get_if<Product>(&e.kind())) {
          join_factors(item.mode, e, p->factors, item.index, true);
        } else {
          write_arguments(item.mode, e, std::get<FunctionCall>(e.kind()).args, item.index);
        }
        break;
      }
      case PrintItem::Op::poly:
        poly_fmt(*static_cast<const Polynomial*>(item.pointer), item.negate, item.index);
        break;
      case PrintItem::Op::number: write_number(item.mode, item.value); break;
      case PrintItem::Op::coefficient: write_number_digits(item.value); break;
      case PrintItem::Op::decimal: {
        char buf[24];
        out_.append(buf, std::to_chars(buf, buf + sizeof buf, item.unsigned_value).ptr);
        break;
      }
      case PrintItem::Op::superscript: write_superscript(item.value); break;
      case PrintItem::Op::symbol:
        write_symbol_name(item.mode, *static_cast<const InternedSymbol*>(item.pointer));
        break;
      case PrintItem::Op::variable: {
        const auto& v = *static_cast<const InternedSymbol*>(item.pointer);
        if (v.name) {
          out_ += *v.name;
        } else {
          write_key(v);
        }
        break;
      }
    }
  }

  // One node in a mode: the node printers of the three forms.
  void print_node(const Expr& e, FormatMode mode) {
    std::visit(
        [&](const auto& k) {
          using K = std::decay_t<decltype(k)>;
          if constexpr (std::is_same_v<K, Number>) {
            expr_fmt_number(mode, k.value);
          } else if constexpr (std::is_same_v<K, Symbol>) {
            expr_fmt_symbol_name(mode, k.symbol);
          } else if constexpr (std::is_same_v<K, FunctionCall>) {
            expr_fmt_function_call(mode, e, k);
          } else if constexpr (std::is_same_v<K, Sum>) {
            expr_fmt_sum(mode, e, k.terms, 0);
          } else if constexpr (std::is_same_v<K, Product>) {
            expr_fmt_product(mode, e, k.factors);
          } else if constexpr (std::is_same_v<K, Div>) {
            expr_fmt_div(mode, *k.numerator, *k.denominator);
          } else if constexpr (std::is_same_v<K, Pow>) {
            expr_fmt_pow(mode, *k.base, *k.exponent);
          } else if constexpr (std::is_same_v<K, Derivative>) {
            expr_fmt_derivative(mode, k);
          } else {
            // Polynomials read the same in every mode.
            poly_fmt(k.polynomial, false, 0);
          }
        },
        e.kind());
  }

  // ----- numbers -----

  void expr_fmt_number(FormatMode mode, double v) { value_item(PrintItem::Op::number, mode, v); }

  void write_number(FormatMode mode, double v) {
    if (std::isnan(v)) {
      out_ += pieces(mode).nan;
    } else if (std::isinf(v)) {
      out_ += v > 0 ? pieces(mode).infinity : pieces(mode).negative_infinity;
    } else {
      write_number_digits(v);
    }
  }

  // Integral values below 1e10 as integers (-0.0 as 0), anything else as its shortest round-trip
  // digits laid out without an exponent.
  void write_number_digits(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1e10) {
      char buf[24];
      out_.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<std::int64_t>(v)).ptr);
    } else {
      append_positional(out_, v);
    }
  }

  void expr_fmt_unicode_superscript(double v) { value_item(PrintItem::Op::superscript, FormatMode::Unicode, v); }

  void write_superscript(double v) {
    if (v == std::trunc(v) && std::fabs(v) < 1000) {
      char buf[8];
      const char* end = std::to_chars(buf, buf + sizeof buf, static_cast<int>(v)).ptr;
      print::append_superscript(out_, std::string_view(buf, static_cast<std::size_t>(end - buf)));
    } else {
      out_ += '^';
      write_number(FormatMode::Unicode, v);
    }
  }

  // ----- symbols -----

  void expr_fmt_symbol_name(FormatMode mode, const InternedSymbol& s) {
    symbol_item(PrintItem::Op::symbol, mode, s);
  }

  void write_symbol_name(FormatMode mode, const InternedSymbol& s) {
    std::string_view name;
    if (s.name) name = *s.name;
    if (mode != FormatMode::Plain && names_ != nullptr) {
      if (const auto it = names_->find(s.key.as_u64()); it != names_->end()) name = it->second;
    }
    if (name.empty()) {
      write_key(s);
      return;
    }
    if (mode != FormatMode::Plain) {
      if (const std::string_view g = print::greek(name, mode); !g.empty()) name = g;
    }
    out_ += name;
  }

  void write_key(const InternedSymbol& s) {
    char buf[24];
    out_ += '$';
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, s.key.as_u64()).ptr);
  }

  // ----- children -----

  void expr_fmt_child_parenthesized(FormatMode mode, const Expr& child, Context context) {
    if (needs_parentheses(child, context, mode)) {
      text(pieces(mode).open);
      node(child, mode);
      text(pieces(mode).close);
    } else {
      node(child, mode);
    }
  }

  // ----- calls -----

  void expr_fmt_function_call(FormatMode mode, const Expr& e, const FunctionCall& f) {
    const std::string_view name = f.name.name ? std::string_view(*f.name.name) : std::string_view();
    if (mode != FormatMode::Latex) {
      text(name);
      text("(");
    } else if (const char* form = print::latex_call_form(name, f.args.size())) {
      write_latex_form(form, f.args);
      return;
    } else {
      if (const std::string_view op = print::latex_operator(name); !op.empty()) {
        text(op);
      } else {
        text("\\text{");
        print::latex_text_runs(name, [this](std::string_view run) { text(run); });
        text("}");
      }
      text("\\left(");
    }
    write_arguments(mode, e, f.args, 0);
  }

  // The arguments from `index` on, separated by ", ", then the closing bracket.
  void write_arguments(FormatMode mode, const Expr& e, const std::vector<ExprPtr>& args, std::size_t index) {
    for (; index < args.size(); ++index) {
      if (index > 0) text(", ");
      node(*args[index], mode);
      if (deferring() && index + 1 < args.size()) {
        continue_list(e, index + 1, mode);
        return;
      }
    }
    text(mode == FormatMode::Latex ? "\\right)" : ")");
  }

  void write_latex_form(const char* form, const std::vector<ExprPtr>& args) {
    const char* run = form;
    for (const char* p = form;; ++p) {
      if (*p == '\0' || static_cast<unsigned char>(*p) <= 4) {
        if (p > run) text(std::string_view(run, static_cast<std::size_t>(p - run)));
        if (*p == '\0') return;
        node(*args[static_cast<std::size_t>(*p - 1)], FormatMode::Latex);
        run = p + 1;
      }
    }
  }

  // ----- sums -----

  void expr_fmt_sum(FormatMode mode, const Expr& e, const std::vector<ExprPtr>& terms, std::size_t index) {
    if (terms.empty()) {
      text("0");
      return;
    }
    for (; index < terms.size(); ++index) {
      const Expr& term = *terms[index];
      const TermSign sign = split_term_sign(term);
      if (sign.negative) {
        text(index == 0 ? pieces(mode).sum_minus : pieces(mode).term_minus);
        expr_fmt_magnitude(mode, sign);
      } else {
        if (index > 0) text(" + ");
        expr_fmt_child_parenthesized(mode, term, Context::term_or_factor);
      }
      if (deferring() && index + 1 < terms.size()) {
        continue_list(e, index + 1, mode);
        return;
      }
    }
  }

  static TermSign split_term_sign(const Expr& term) {
    TermSign sign;
    const ExprKind& k = term.kind();
    if (const auto* n = std::get_if<Number>(&k)) {
      if (n->value < 0) {
        sign.negative = true;
        sign.has_number = true;
        sign.number = -n->value;
      }
    } else if (const auto* p = std::get_if<Product>(&k)) {
      const auto* c = p->factors.empty() ? nullptr : std::get_if<Number>(&p->factors.front()->kind());
      if (c != nullptr && c->value < 0) {
        sign.negative = true;
        sign.factors = &p->factors;
        sign.first_factor = 1;
        // A product of the number alone keeps the number, even -1.
        sign.has_number = !near_one(-c->value) || p->factors.size() == 1;
        sign.number = -c->value;
      }
    } else if (const auto* q = std::get_if<Poly>(&k)) {
      if (!q->polynomial.terms.empty() && q->polynomial.terms.front().coefficient < 0) {
        sign.negative = true;
        sign.poly = &q->polynomial;
      }
    }
    return sign;
  }

  void expr_fmt_magnitude(FormatMode mode, const TermSign& sign) {
    if (sign.poly != nullptr) {
      text(pieces(mode).open);
      continue_poly(*sign.poly, true, 0);
      text(pieces(mode).close);
      return;
    }
    if (sign.has_number) expr_fmt_number(mode, sign.number);
    if (sign.factors == nullptr) return;
    for (std::size_t i = sign.first_factor; i < sign.factors->size(); ++i) {
      if (i > sign.first_factor || sign.has_number) text(pieces(mode).multiply);
      expr_fmt_child_parenthesized(mode, *(*sign.factors)[i], Context::term_or_factor);
    }
  }

  // ----- products -----

  void expr_fmt_product(FormatMode mode, const Expr& e, const std::vector<ExprPtr>& factors) {
    if (factors.empty()) {
      text("1");
      return;
    }
    const auto* lead = std::get_if<Number>(&factors.front()->kind());
    if (lead == nullptr || !(lead->value < 0)) {
      join_factors(mode, e, factors, 0, false);
      return;
    }
    if (factors.size() == 1) {
      expr_fmt_number(mode, lead->value);
      return;
    }
    const double magnitude = -lead->value;
    const TermSign second = split_term_sign(*factors[1]);
    if (!second.negative) text(pieces(mode).product_minus);
    if (!near_one(magnitude)) {
      expr_fmt_number(mode, magnitude);
      text(pieces(mode).multiply);
    }
    if (second.negative) {
      // The signs cancel.
      expr_fmt_magnitude(mode, second);
      join_factors(mode, e, factors, 2, true);
    } else {
      join_factors(mode, e, factors, 1, false);
    }
  }

  // The factors from `index` on, each after the multiplication sign except a first one without.
  void join_factors(FormatMode mode, const Expr& e, const std::vector<ExprPtr>& factors, std::size_t index,
                    bool sign_before_first) {
    for (bool first = true; index < factors.size(); ++index, first = false) {
      if (!first || sign_before_first) text(pieces(mode).multiply);
      expr_fmt_child_parenthesized(mode, *factors[index], Context::term_or_factor);
      if (deferring() && index + 1 < factors.size()) {
        continue_list(e, index + 1, mode);
        return;
      }
    }
  }

  // ----- quotients, powers, derivatives -----

  void expr_fmt_div(FormatMode mode, const Expr& numerator, const Expr& denominator) {
    if (mode == FormatMode::Latex) {
      text("\\frac{");
      node(numerator, mode);
      text("}{");
      node(denominator, mode);
      text("}");
      return;
    }
    const ExprKind& n = numerator.kind();
    const auto* poly = std::get_if<Poly>(&n);
    write_in_parentheses(mode, numerator,
                         std::holds_alternative<Sum>(n) || (poly != nullptr && poly->polynomial.terms.size() > 1));
    text("/");
    const ExprKind& d = denominator.kind();
    write_in_parentheses(mode, denominator,
                         !(std::holds_alternative<Number>(d) || std::holds_alternative<Symbol>(d) ||
                           std::holds_alternative<FunctionCall>(d) || std::holds_alternative<Pow>(d)));
  }

  void write_in_parentheses(FormatMode mode, const Expr& e, bool parenthesized) {
    if (parenthesized) text(pieces(mode).open);
    node(e, mode);
    if (parenthesized) text(pieces(mode).close);
  }

  void expr_fmt_pow(FormatMode mode, const Expr& base, const Expr& exponent) {
    const auto* base_symbol = std::get_if<Symbol>(&base.kind());
    if (base_symbol != nullptr && base_symbol->symbol.key.as_u64() == e_key_) {
      text(mode == FormatMode::Latex ? "e^{" : "exp(");
      node(exponent, mode);
      text(mode == FormatMode::Latex ? "}" : ")");
      return;
    }
    expr_fmt_child_parenthesized(mode, base, Context::base);
    const ExprKind& k = exponent.kind();
    if (mode == FormatMode::Latex) {
      text("^{");
      node(exponent, mode);
      text("}");
    } else if (const auto* n = std::get_if<Number>(&k); n != nullptr && mode == FormatMode::Unicode) {
      expr_fmt_unicode_superscript(n->value);
    } else if (std::holds_alternative<Number>(k) || std::holds_alternative<Symbol>(k)) {
      text("^");
      node(exponent, mode);
    } else {
      text("^(");
      node(exponent, mode);
      text(")");
    }
  }

  void expr_fmt_derivative(FormatMode mode, const Derivative& d) {
    switch (mode) {
      case FormatMode::Plain:
        text("∂^");
        decimal(d.order);
        text("_");
        node(*d.inner, mode);
        text("/∂_");
        symbol_item(PrintItem::Op::variable, mode, d.var);
        text("^");
        decimal(d.order);
        return;
      case FormatMode::Latex:
        if (d.order == 1) {
          text("\\frac{\\partial ");
          node(*d.inner, mode);
          text("}{\\partial ");
          expr_fmt_symbol_name(FormatMode::Plain, d.var);
          text("}");
        } else {
          text("\\frac{\\partial^");
          decimal(d.order);
          text(" ");
          node(*d.inner, mode);
          text("}{\\partial ");
          expr_fmt_symbol_name(FormatMode::Plain, d.var);
          text("^");
          decimal(d.order);
          text("}");
        }
        return;
      case FormatMode::Unicode:
        text("∂");
        expr_fmt_unicode_superscript(d.order);
        text("(");
        node(*d.inner, mode);
        text(")/∂");
        expr_fmt_symbol_name(FormatMode::Plain, d.var);
        expr_fmt_unicode_superscript(d.order);
        return;
    }
  }

  // ----- polynomials (the same text in every mode) -----

  void poly_fmt(const Polynomial& p, bool negate, std::size_t index) {
    if (p.terms.empty()) {
      text("0");
      return;
    }
    for (; index < p.terms.size(); ++index) {
      const PolyTerm& term = p.terms[index];
      const double c = negate ? -term.coefficient : term.coefficient;
      const bool negative = c < 0;
      if (index == 0) {
        if (negative) text("-");
      } else {
        text(negative ? " - " : " + ");
      }
      poly_fmt_term(term.exponent, negative ? -c : c, *p.base);
      if (deferring() && index + 1 < p.terms.size()) {
        continue_poly(p, negate, index + 1);
        return;
      }
    }
  }

  void poly_fmt_term(std::uint32_t exponent, double c, const Expr& base) {
    if (exponent == 0) {
      value_item(PrintItem::Op::coefficient, FormatMode::Plain, c);
      return;
    }
    const ExprKind& k = base.kind();
    const bool sum_like = std::holds_alternative<Sum>(k) || std::holds_alternative<Poly>(k);
    const auto* n = std::get_if<Number>(&k);
    const bool needs = sum_like || std::holds_alternative<Product>(k) || std::holds_alternative<Div>(k) ||
                       std::holds_alternative<Pow>(k) || (n != nullptr && n->value < 0);
    const bool unit = near_one(c);
    if (!unit) {
      value_item(PrintItem::Op::coefficient, FormatMode::Plain, c);
      text("*");
    }
    if (exponent == 1) {
      write_in_parentheses(FormatMode::Plain, base, !unit && sum_like);
      return;
    }
    write_in_parentheses(FormatMode::Plain, base, needs);
    text("^");
    decimal(exponent);
  }

  std::string& out_;
  const NameMap* names_;
  std::uint64_t e_key_;
  WorkStack<PrintItem, 64> stack_;
  std::size_t mark_ = 0;  // where the current batch starts on the stack
  int depth_ = 0;         // in-place nesting of the current batch
};

}  // namespace

void expr_fmt_plain(const Expr& expr, std::string& out) { Printer(out, nullptr).run(expr, FormatMode::Plain); }

void expr_fmt_latex(const Expr& expr, std::string& out, const NameMap* names) {
  Printer(out, names).run(expr, FormatMode::Latex);
}

void expr_fmt_unicode(const Expr& expr, std::string& out, const NameMap* names) {
  Printer(out, names).run(expr, FormatMode::Unicode);
}

std::string plain_text(const Expr& expr) {
  std::string out;
  expr_fmt_plain(expr, out);
  return out;
}

}  // namespace norvi::symbolic
