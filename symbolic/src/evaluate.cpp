#include "norvi/symbolic/evaluate.hpp"

#include <cmath>
#include <type_traits>
#include <utility>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/function_table.hpp"
#include "norvi/symbolic/special_functions.hpp"

namespace norvi::symbolic {
namespace {

constexpr double kE = 2.718281828459045;
constexpr double kPi = 3.141592653589793;

const double* number_of(const Expr& e) {
  const auto* n = std::get_if<Number>(&e.kind());
  return n != nullptr ? &n->value : nullptr;
}

ExprPtr number(double v) { return expr_from_kind(Number{v}); }

class Evaluator {
 public:
  Evaluator(const Bindings* bindings, const CustomFunctions& custom) : bindings_(bindings), custom_(custom) {}

  ExprPtr eval(const Expr& e) const {
    return std::visit([&](const auto& k) { return eval_kind(e, k); }, e.kind());
  }

 private:
  ExprPtr eval_kind(const Expr&, const Number& k) const { return number(k.value); }

  ExprPtr eval_kind(const Expr& e, const Symbol& k) const {
    if (k.symbol.name == nullptr) return share(e);
    const std::string& name = *k.symbol.name;
    if (bindings_ != nullptr && !bindings_->empty()) {
      if (auto found = bindings_->find(name); found != bindings_->end()) return number(found->second);
    }
    if (name == "e" || name == "E") return number(kE);
    if (name == "pi" || name == "PI" || name == "Pi") return number(kPi);
    return share(e);
  }

  ExprPtr eval_kind(const Expr&, const FunctionCall& k) const {
    std::vector<ExprPtr> args;
    std::vector<double> values;
    bool all_numbers = true;
    for (const ExprPtr& arg : k.args) {
      ExprPtr evaluated = eval(*arg);
      if (const double* v = number_of(*evaluated)) {
        values.push_back(*v);
      } else {
        all_numbers = false;
      }
      args.push_back(std::move(evaluated));
    }
    if (all_numbers) {
      if (!custom_.empty()) {
        const std::string_view name = k.name.name != nullptr ? std::string_view(*k.name.name) : std::string_view();
        if (auto found = custom_.find(name); found != custom_.end()) {
          if (auto value = found->second(values)) return number(*value);
        }
      }
      if (const FunctionDefinition* row = get_function_definition(k.name.key)) {
        if (auto value = row->eval(values)) return number(*value);
      }
    }
    return expr_from_kind(FunctionCall{k.name, std::move(args)});
  }

  ExprPtr eval_kind(const Expr&, const Sum& k) const {
    double total = 0.0;
    std::vector<ExprPtr> kept;
    for (const ExprPtr& term : k.terms) {
      ExprPtr evaluated = eval(*term);
      if (const double* v = number_of(*evaluated)) {
        total += *v;
      } else {
        kept.push_back(std::move(evaluated));
      }
    }
    if (kept.empty()) return number(total);
    if (total != 0) {
      kept.push_back(number(total));
    } else if (kept.size() == 1) {
      return std::move(kept.front());
    }
    return expr_sum(std::move(kept));
  }

  ExprPtr eval_kind(const Expr&, const Product& k) const {
    double total = 1.0;
    std::vector<ExprPtr> kept;
    for (const ExprPtr& factor : k.factors) {
      ExprPtr evaluated = eval(*factor);
      if (const double* v = number_of(*evaluated)) {
        // A zero factor decides the product; the factors after it are not evaluated.
        if (*v == 0) return number(0.0);
        total *= *v;
      } else {
        kept.push_back(std::move(evaluated));
      }
    }
    if (kept.empty()) return number(total);
    if (total != 1) kept.insert(kept.begin(), number(total));
    if (kept.size() == 1) return std::move(kept.front());
    return expr_product(std::move(kept));
  }

  ExprPtr eval_kind(const Expr&, const Div& k) const {
    ExprPtr numerator = eval(*k.numerator);
    ExprPtr denominator = eval(*k.denominator);
    const double* a = number_of(*numerator);
    const double* b = number_of(*denominator);
    if (a != nullptr && b != nullptr && *b != 0) return number(*a / *b);
    return expr_div(std::move(numerator), std::move(denominator));
  }

  ExprPtr eval_kind(const Expr&, const Pow& k) const {
    ExprPtr base = eval(*k.base);
    ExprPtr exponent = eval(*k.exponent);
    const double* a = number_of(*base);
    const double* b = number_of(*exponent);
    if (a != nullptr && b != nullptr) return number(std::pow(*a, *b));
    return expr_pow(std::move(base), std::move(exponent));
  }

  ExprPtr eval_kind(const Expr&, const Derivative& k) const {
    return new_derivative_expr(eval(*k.inner), k.var.name, k.order);
  }

  ExprPtr eval_kind(const Expr& e, const Poly& k) const {
    const Polynomial& p = k.polynomial;
    ExprPtr base = eval(*p.base);
    if (const double* x = number_of(*base)) {
      double total = 0.0;
      for (const PolyTerm& term : p.terms) total += term.coefficient * powi(*x, term.exponent);
      return number(total);
    }
    if (expr_structural_eq(base, p.base)) return share(e);
    return expr_poly(Polynomial{std::move(base), p.terms});
  }

  const Bindings* bindings_;
  const CustomFunctions& custom_;
};

}  // namespace

ExprPtr evaluate_expr_rec(const Expr& expr, const CustomFunctions& custom) { return Evaluator(nullptr, custom).eval(expr); }

ExprPtr evaluate_with_bindings(const Expr& expr, const Bindings& bindings, const CustomFunctions& custom) {
  return Evaluator(&bindings, custom).eval(expr);
}

}  // namespace norvi::symbolic
