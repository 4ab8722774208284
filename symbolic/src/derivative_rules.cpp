#include "norvi/symbolic/derivative_rules.hpp"

#include <fmt/format.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "norvi/symbolic/construction.hpp"
#include "norvi/symbolic/derivative_helpers.hpp"
#include "norvi/symbolic/fatal.hpp"

namespace norvi::symbolic {
namespace {

using Args = std::span<const ExprPtr>;
using Derivatives = std::span<const ExprPtr>;

constexpr std::size_t kSqrt = known_position("sqrt");
constexpr std::size_t kExp = known_position("exp");
constexpr std::size_t kLn = known_position("ln");
constexpr std::size_t kSin = known_position("sin");
constexpr std::size_t kCos = known_position("cos");
constexpr std::size_t kTan = known_position("tan");
constexpr std::size_t kCot = known_position("cot");
constexpr std::size_t kSec = known_position("sec");
constexpr std::size_t kCsc = known_position("csc");
constexpr std::size_t kSinh = known_position("sinh");
constexpr std::size_t kCosh = known_position("cosh");
constexpr std::size_t kTanh = known_position("tanh");
constexpr std::size_t kCoth = known_position("coth");
constexpr std::size_t kSech = known_position("sech");
constexpr std::size_t kCsch = known_position("csch");
constexpr std::size_t kAbs = known_position("abs");
constexpr std::size_t kSignum = known_position("signum");
constexpr std::size_t kGamma = known_position("gamma");
constexpr std::size_t kDigamma = known_position("digamma");
constexpr std::size_t kTrigamma = known_position("trigamma");
constexpr std::size_t kBeta = known_position("beta");
constexpr std::size_t kBesselJ = known_position("besselj");
constexpr std::size_t kBesselY = known_position("bessely");
constexpr std::size_t kBesselI = known_position("besseli");
constexpr std::size_t kBesselK = known_position("besselk");
constexpr std::size_t kPolygamma = known_position("polygamma");
constexpr std::size_t kTetragamma = known_position("tetragamma");
constexpr std::size_t kLambertW = known_position("lambertw");
constexpr std::size_t kEllipticK = known_position("elliptic_k");
constexpr std::size_t kEllipticE = known_position("elliptic_e");
constexpr std::size_t kZetaDeriv = known_position("zeta_deriv");
constexpr std::size_t kHermite = known_position("hermite");
constexpr std::size_t kAssocLegendre = known_position("assoc_legendre");
constexpr std::size_t kSphericalHarmonic = known_position("spherical_harmonic");
constexpr std::size_t kYnm = known_position("ynm");
constexpr std::size_t kExpPolar = known_position("exp_polar");

// A list shorter than the rule reads is a caller's fault that would read past the end: stop.
void require(const char* rule, Args args, Derivatives derivatives, std::size_t arity) {
  if (args.size() < arity || derivatives.size() < arity) {
    fatal_error(fmt::format("{} reads {} arguments and {} argument derivatives, given {} and {}", rule, arity,
                            arity, args.size(), derivatives.size()));
  }
}

ExprPtr num(double v) { return expr_from_kind(Number{v}); }

// A call of a reserved name; the argument nodes are shared, never copied.
ExprPtr call(std::size_t position, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{known_symbol(position), std::move(args)});
}
ExprPtr call(std::size_t position, ExprPtr arg) {
  return expr_call_unary(known_symbol(position), std::move(arg));
}

ExprPtr sqrt_call(ExprPtr x) { return call(kSqrt, std::move(x)); }
ExprPtr pw(const ExprPtr& base, double exponent) { return expr_pow_shared(base, num(exponent)); }
ExprPtr reciprocal(ExprPtr x) { return expr_div(num(1.0), std::move(x)); }
// f(u)², the call built before the exponent.
ExprPtr call_squared(std::size_t position, const ExprPtr& u) {
  ExprPtr f = call(position, u);
  return expr_pow(std::move(f), num(2.0));
}
// 1 − u², 1 + u² and u² − 1, the number built first where it comes first.
ExprPtr one_minus_square(const ExprPtr& u) {
  ExprPtr one = num(1.0);
  return expr_sub_pair(std::move(one), pw(u, 2));
}
ExprPtr one_plus_square(const ExprPtr& u) {
  ExprPtr one = num(1.0);
  return expr_add_pair(std::move(one), pw(u, 2));
}
ExprPtr square_minus_one(const ExprPtr& u) {
  ExprPtr square = pw(u, 2);
  return expr_sub_pair(std::move(square), num(1.0));
}
// Products of shared factors.
ExprPtr prod(std::vector<ExprPtr> factors) { return expr_product_normalize(std::move(factors)); }
// n + c for an order argument.
ExprPtr offset(const ExprPtr& n, double c) { return expr_sum_shared({n, num(c)}); }

// f'(u)·u′ for a one-argument function, f' built from the shared argument.
template <class Outer>
ExprPtr chain_unary(const char* rule, Args args, Derivatives derivatives, Outer outer) {
  require(rule, args, derivatives, 1);
  const ExprPtr& u = args[0];
  ExprPtr du = derivatives[0];
  ExprPtr f = outer(u);
  return chain_rule_product(std::move(f), std::move(du));
}

// l + |m|: the rows take the order m by its magnitude (P(l, -m, x) is P(l, m, x)), so the
// recurrence behind the Legendre derivative must too, or every negative order gets a wrong slope.
ExprPtr l_plus_order_magnitude(const ExprPtr& l, const ExprPtr& m) {
  return expr_sum_shared({l, call(kAbs, m)});
}

// f′(u) = g(u).
ExprPtr derivative_is_call(const char* rule, Args args, Derivatives derivatives, std::size_t g) {
  return chain_unary(rule, args, derivatives, [g](const ExprPtr& u) { return call(g, u); });
}
// f′(u) = ±g(u)·h(u).
ExprPtr derivative_is_call_product(const char* rule, Args args, Derivatives derivatives, std::size_t g,
                                   std::size_t h, bool negated) {
  return chain_unary(rule, args, derivatives, [g, h, negated](const ExprPtr& u) {
    ExprPtr first = call(g, u);
    ExprPtr product = chain_rule_product(std::move(first), call(h, u));
    return negated ? expr_negate(std::move(product)) : product;
  });
}
// f′(u) = −g(u)².
ExprPtr derivative_is_negated_square(const char* rule, Args args, Derivatives derivatives, std::size_t g) {
  return chain_unary(rule, args, derivatives,
                     [g](const ExprPtr& u) { return expr_negate(call_squared(g, u)); });
}

// 1/√(1 − u²), shared by asin and acos.
ExprPtr inverse_sqrt_one_minus_square(const ExprPtr& u) { return reciprocal(sqrt_call(one_minus_square(u))); }
// 1/(1 + u²), shared by atan and acot.
ExprPtr inverse_one_plus_square(const ExprPtr& u) { return reciprocal(one_plus_square(u)); }
// 1/(1 − u²), shared by atanh and acoth.
ExprPtr inverse_one_minus_square(const ExprPtr& u) { return reciprocal(one_minus_square(u)); }
// √(u² − 1), the known sqrt call of asec and acsc.
ExprPtr sqrt_square_minus_one(const ExprPtr& u) { return sqrt_call(square_minus_one(u)); }
// 1/(u·ln c) of log10 and log2.
ExprPtr inverse_times_log_of(const ExprPtr& u, double c) {
  ExprPtr ln_c = call(kLn, num(c));
  return reciprocal(prod({u, std::move(ln_c)}));
}
// ±(2/√π)·exp(−u²) of erf and erfc.
ExprPtr gaussian_factor(const ExprPtr& u, double two) {
  ExprPtr pi = expr_from_kind(Symbol{symbol_named("pi")});
  ExprPtr numerator = num(two);
  ExprPtr scale = expr_div(std::move(numerator), sqrt_call(std::move(pi)));
  ExprPtr gauss = expr_call_unary(known_symbol(kExp), expr_negate(pw(u, 2)));
  return chain_rule_product(std::move(scale), std::move(gauss));
}

// c·(f(n − 1, x) ± f(n + 1, x))·x′ of the Bessel rows.
ExprPtr bessel_rule(const char* rule, Args args, Derivatives derivatives, std::size_t function, double c,
                    bool add) {
  require(rule, args, derivatives, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  ExprPtr dx = derivatives[1];
  ExprPtr lower = call(function, {offset(n, -1.0), x});
  ExprPtr upper = call(function, {offset(n, 1.0), x});
  ExprPtr combined = add ? expr_add_pair(std::move(lower), std::move(upper))
                         : expr_sub_pair(std::move(lower), std::move(upper));
  return chain_rule_product(chain_rule_product(num(c), std::move(combined)), std::move(dx));
}

// The θ and φ terms of a spherical harmonic Y(l, m, θ, φ) = N·P(l, m, cos θ)·cos(mφ), with Y the
// call itself. The two rows differ only in how their cot and tan calls are made.
ExprPtr spherical_harmonic_rule(const char* rule, Args args, Derivatives derivatives, std::size_t function,
                                bool named_trig_calls) {
  require(rule, args, derivatives, 4);
  const ExprPtr& l = args[0];
  const ExprPtr& m = args[1];
  const ExprPtr& theta = args[2];
  const ExprPtr& phi = args[3];
  ExprPtr dtheta = derivatives[2];
  ExprPtr dphi = derivatives[3];
  const ExprPtr y = call(function, {l, m, theta, phi});

  // φ term: −m·tan(mφ)·Y·φ′.
  ExprPtr minus_m = prod({num(-1.0), m});
  ExprPtr m_phi = prod({m, phi});
  ExprPtr tan_m_phi =
      named_trig_calls ? expr_call_named("tan", {std::move(m_phi)}) : call(kTan, std::move(m_phi));
  ExprPtr phi_factor = prod({std::move(minus_m), std::move(tan_m_phi), y});
  ExprPtr phi_term = chain_rule_product(std::move(phi_factor), std::move(dphi));

  // θ term: (Y·l·cot θ − Y·(l + |m|)/sin θ · P(l − 1, m, cos θ)/P(l, m, cos θ))·θ′.
  ExprPtr cot_theta = named_trig_calls ? expr_call_named("cot", {theta}) : call(kCot, theta);
  ExprPtr first = chain_rule_product(y, prod({l, std::move(cot_theta)}));
  ExprPtr y_l_m = chain_rule_product(y, l_plus_order_magnitude(l, m));
  ExprPtr over_sin = expr_div(std::move(y_l_m), call(kSin, theta));
  ExprPtr lower = call(kAssocLegendre, {offset(l, -1.0), m, call(kCos, theta)});
  ExprPtr same = call(kAssocLegendre, {l, m, call(kCos, theta)});
  ExprPtr ratio = expr_div(std::move(lower), std::move(same));
  ExprPtr second = chain_rule_product(std::move(over_sin), std::move(ratio));
  ExprPtr theta_term =
      chain_rule_product(expr_sub_pair(std::move(first), std::move(second)), std::move(dtheta));

  return expr_add_pair(std::move(theta_term), std::move(phi_term));
}

}  // namespace

ExprPtr derive_sin(Args args, Derivatives d) { return derivative_is_call("derive_sin", args, d, kCos); }
ExprPtr derive_cos(Args args, Derivatives d) {
  return chain_unary("derive_cos", args, d, [](const ExprPtr& u) { return expr_negate(call(kSin, u)); });
}
ExprPtr derive_tan(Args args, Derivatives d) {
  return chain_unary("derive_tan", args, d, [](const ExprPtr& u) { return call_squared(kSec, u); });
}
ExprPtr derive_cot(Args args, Derivatives d) {
  return derivative_is_negated_square("derive_cot", args, d, kCsc);
}
ExprPtr derive_sec(Args args, Derivatives d) {
  return derivative_is_call_product("derive_sec", args, d, kSec, kTan, false);
}
ExprPtr derive_csc(Args args, Derivatives d) {
  return derivative_is_call_product("derive_csc", args, d, kCsc, kCot, true);
}
ExprPtr derive_asin(Args args, Derivatives d) {
  return chain_unary("derive_asin", args, d, inverse_sqrt_one_minus_square);
}
ExprPtr derive_acos(Args args, Derivatives d) {
  return chain_unary("derive_acos", args, d,
                     [](const ExprPtr& u) { return expr_negate(inverse_sqrt_one_minus_square(u)); });
}
ExprPtr derive_atan(Args args, Derivatives d) {
  return chain_unary("derive_atan", args, d, inverse_one_plus_square);
}

ExprPtr derive_atan2(Args args, Derivatives d) {
  require("derive_atan2", args, d, 2);
  const ExprPtr& y = args[0];
  const ExprPtr& x = args[1];
  ExprPtr dy = d[0];
  ExprPtr dx = d[1];
  ExprPtr x_dy = chain_rule_product(x, std::move(dy));
  ExprPtr y_dx = chain_rule_product(y, std::move(dx));
  ExprPtr numerator = expr_sub_pair(std::move(x_dy), std::move(y_dx));
  ExprPtr x2 = pw(x, 2);
  ExprPtr denominator = expr_add_pair(std::move(x2), pw(y, 2));
  return expr_div(std::move(numerator), std::move(denominator));
}

ExprPtr derive_acot(Args args, Derivatives d) {
  return chain_unary("derive_acot", args, d,
                     [](const ExprPtr& u) { return expr_negate(inverse_one_plus_square(u)); });
}
ExprPtr derive_asec(Args args, Derivatives d) {
  return chain_unary("derive_asec", args, d, [](const ExprPtr& u) {
    ExprPtr abs = call(kAbs, u);
    return reciprocal(chain_rule_product(std::move(abs), sqrt_square_minus_one(u)));
  });
}
ExprPtr derive_acsc(Args args, Derivatives d) {
  return chain_unary("derive_acsc", args, d, [](const ExprPtr& u) {
    ExprPtr abs = call(kAbs, u);
    ExprPtr root = sqrt_square_minus_one(u);
    return expr_negate(reciprocal(prod({std::move(abs), std::move(root)})));
  });
}
ExprPtr derive_sinh(Args args, Derivatives d) { return derivative_is_call("derive_sinh", args, d, kCosh); }
ExprPtr derive_cosh(Args args, Derivatives d) { return derivative_is_call("derive_cosh", args, d, kSinh); }
ExprPtr derive_tanh(Args args, Derivatives d) {
  return chain_unary("derive_tanh", args, d, [](const ExprPtr& u) {
    ExprPtr one = num(1.0);
    return expr_sub_pair(std::move(one), call_squared(kTanh, u));
  });
}
ExprPtr derive_coth(Args args, Derivatives d) {
  return derivative_is_negated_square("derive_coth", args, d, kCsch);
}
ExprPtr derive_sech(Args args, Derivatives d) {
  return derivative_is_call_product("derive_sech", args, d, kSech, kTanh, true);
}
ExprPtr derive_csch(Args args, Derivatives d) {
  return derivative_is_call_product("derive_csch", args, d, kCsch, kCoth, true);
}
ExprPtr derive_asinh(Args args, Derivatives d) {
  return chain_unary("derive_asinh", args, d, [](const ExprPtr& u) {
    ExprPtr square = pw(u, 2);
    return reciprocal(expr_sqrt_call(expr_add_pair(std::move(square), num(1.0))));
  });
}
ExprPtr derive_acosh(Args args, Derivatives d) {
  return chain_unary("derive_acosh", args, d,
                     [](const ExprPtr& u) { return reciprocal(expr_sqrt_call(square_minus_one(u))); });
}
ExprPtr derive_atanh(Args args, Derivatives d) {
  return chain_unary("derive_atanh", args, d, inverse_one_minus_square);
}
// acoth has the derivative of atanh; they differ only in where they are defined.
ExprPtr derive_acoth(Args args, Derivatives d) {
  return chain_unary("derive_acoth", args, d, inverse_one_minus_square);
}
ExprPtr derive_asech(Args args, Derivatives d) {
  return chain_unary("derive_asech", args, d, [](const ExprPtr& u) {
    ExprPtr root = sqrt_call(one_minus_square(u));
    return expr_negate(reciprocal(prod({u, std::move(root)})));
  });
}
ExprPtr derive_acsch(Args args, Derivatives d) {
  return chain_unary("derive_acsch", args, d, [](const ExprPtr& u) {
    ExprPtr abs = call(kAbs, u);
    ExprPtr root = sqrt_call(one_plus_square(u));
    return expr_negate(reciprocal(prod({std::move(abs), std::move(root)})));
  });
}
ExprPtr derive_exp(Args args, Derivatives d) { return derivative_is_call("derive_exp", args, d, kExp); }
// u^(−1), a power rather than a quotient.
ExprPtr derive_ln(Args args, Derivatives d) {
  return chain_unary("derive_ln", args, d, [](const ExprPtr& u) { return pw(u, -1); });
}

// log(b, x) = ln x / ln b: x′/(x·ln b) − b′·ln x/(b·(ln b)²).
ExprPtr derive_log(Args args, Derivatives d) {
  require("derive_log", args, d, 2);
  const ExprPtr& b = args[0];
  const ExprPtr& x = args[1];
  ExprPtr db = d[0];
  ExprPtr dx = d[1];
  ExprPtr x_ln_b = prod({x, call(kLn, b)});
  ExprPtr by_x = expr_div(std::move(dx), std::move(x_ln_b));
  ExprPtr db_ln_x = chain_rule_product(std::move(db), call(kLn, x));
  ExprPtr ln_b_squared = call_squared(kLn, b);
  ExprPtr b_ln_b_squared = prod({b, std::move(ln_b_squared)});
  ExprPtr by_b = expr_negate(expr_div(std::move(db_ln_x), std::move(b_ln_b_squared)));
  return expr_add_pair(std::move(by_x), std::move(by_b));
}

ExprPtr derive_log10(Args args, Derivatives d) {
  return chain_unary("derive_log10", args, d, [](const ExprPtr& u) { return inverse_times_log_of(u, 10.0); });
}
ExprPtr derive_log2(Args args, Derivatives d) {
  return chain_unary("derive_log2", args, d, [](const ExprPtr& u) { return inverse_times_log_of(u, 2.0); });
}
ExprPtr derive_sqrt(Args args, Derivatives d) {
  return chain_unary("derive_sqrt", args, d, [](const ExprPtr& u) {
    ExprPtr two = num(2.0);
    return reciprocal(chain_rule_product(std::move(two), call(kSqrt, u)));
  });
}
// The exponent stays the quotient 2/3.
ExprPtr derive_cbrt(Args args, Derivatives d) {
  return chain_unary("derive_cbrt", args, d, [](const ExprPtr& u) {
    ExprPtr three = num(3.0);
    ExprPtr two = num(2.0);
    ExprPtr two_thirds = expr_div(std::move(two), num(3.0));
    return reciprocal(chain_rule_product(std::move(three), expr_pow_shared(u, std::move(two_thirds))));
  });
}
ExprPtr derive_abs(Args args, Derivatives d) { return derivative_is_call("derive_abs", args, d, kSignum); }
// Constant wherever it has a derivative; reads neither list.
ExprPtr derive_signum(Args, Derivatives) { return num(0.0); }
ExprPtr derive_erf(Args args, Derivatives d) {
  return chain_unary("derive_erf", args, d, [](const ExprPtr& u) { return gaussian_factor(u, 2.0); });
}
ExprPtr derive_erfc(Args args, Derivatives d) {
  return chain_unary("derive_erfc", args, d, [](const ExprPtr& u) { return gaussian_factor(u, -2.0); });
}
ExprPtr derive_gamma(Args args, Derivatives d) {
  return derivative_is_call_product("derive_gamma", args, d, kGamma, kDigamma, false);
}
ExprPtr derive_digamma(Args args, Derivatives d) {
  return derivative_is_call("derive_digamma", args, d, kTrigamma);
}
ExprPtr derive_trigamma(Args args, Derivatives d) {
  return derivative_is_call("derive_trigamma", args, d, kTetragamma);
}

// B(a, b)·(ψ(a) − ψ(a + b))·a′ + B(a, b)·(ψ(b) − ψ(a + b))·b′.
ExprPtr derive_beta(Args args, Derivatives d) {
  require("derive_beta", args, d, 2);
  const ExprPtr& a = args[0];
  const ExprPtr& b = args[1];
  ExprPtr da = d[0];
  ExprPtr db = d[1];
  auto term = [&](const ExprPtr& own, ExprPtr derivative) {
    ExprPtr beta = call(kBeta, {a, b});
    ExprPtr psi = call(kDigamma, own);
    ExprPtr psi_sum = call(kDigamma, expr_sum_shared({a, b}));
    ExprPtr factor = chain_rule_product(std::move(beta), expr_sub_pair(std::move(psi), std::move(psi_sum)));
    return chain_rule_product(std::move(factor), std::move(derivative));
  };
  ExprPtr by_a = term(a, std::move(da));
  ExprPtr by_b = term(b, std::move(db));
  return expr_add_pair(std::move(by_a), std::move(by_b));
}

ExprPtr derive_besselj(Args args, Derivatives d) {
  return bessel_rule("derive_besselj", args, d, kBesselJ, 0.5, false);
}
ExprPtr derive_bessely(Args args, Derivatives d) {
  return bessel_rule("derive_bessely", args, d, kBesselY, 0.5, false);
}
ExprPtr derive_besseli(Args args, Derivatives d) {
  return bessel_rule("derive_besseli", args, d, kBesselI, 0.5, true);
}
ExprPtr derive_besselk(Args args, Derivatives d) {
  return bessel_rule("derive_besselk", args, d, kBesselK, -0.5, true);
}

ExprPtr derive_polygamma(Args args, Derivatives d) {
  require("derive_polygamma", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  ExprPtr dx = d[1];
  return chain_rule_product(call(kPolygamma, {offset(n, 1.0), x}), std::move(dx));
}

ExprPtr derive_sinc(Args args, Derivatives d) {
  return chain_unary("derive_sinc", args, d, [](const ExprPtr& u) {
    ExprPtr u_cos = prod({call(kCos, u), u});
    ExprPtr numerator = expr_sub_pair(std::move(u_cos), call(kSin, u));
    return expr_div(std::move(numerator), pw(u, 2));
  });
}
ExprPtr derive_lambertw(Args args, Derivatives d) {
  return chain_unary("derive_lambertw", args, d, [](const ExprPtr& u) {
    ExprPtr w = call(kLambertW, u);
    ExprPtr one = num(1.0);
    ExprPtr one_plus_w = expr_add_pair(std::move(one), call(kLambertW, u));
    return expr_div(std::move(w), prod({u, std::move(one_plus_w)}));
  });
}
// Of the modulus k: E/(k·(1 − k²)) − K/k.
ExprPtr derive_elliptic_k(Args args, Derivatives d) {
  return chain_unary("derive_elliptic_k", args, d, [](const ExprPtr& u) {
    ExprPtr e = call(kEllipticE, u);
    ExprPtr first = expr_div(std::move(e), prod({u, one_minus_square(u)}));
    ExprPtr second = expr_div_shared(call(kEllipticK, u), u);
    return expr_sub_pair(std::move(first), std::move(second));
  });
}
// Of the modulus k: (E − K)/k.
ExprPtr derive_elliptic_e(Args args, Derivatives d) {
  return chain_unary("derive_elliptic_e", args, d, [](const ExprPtr& u) {
    ExprPtr e = call(kEllipticE, u);
    ExprPtr difference = expr_sub_pair(std::move(e), call(kEllipticK, u));
    return expr_div_shared(std::move(difference), u);
  });
}
ExprPtr derive_zeta(Args args, Derivatives d) {
  return chain_unary("derive_zeta", args, d, [](const ExprPtr& u) {
    return call(kZetaDeriv, {num(1.0), u});
  });
}
ExprPtr derive_zeta_deriv(Args args, Derivatives d) {
  require("derive_zeta_deriv", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& s = args[1];
  ExprPtr ds = d[1];
  return chain_rule_product(expr_call_named("zeta_deriv", {offset(n, 1.0), s}), std::move(ds));
}
ExprPtr derive_hermite(Args args, Derivatives d) {
  require("derive_hermite", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  ExprPtr dx = d[1];
  ExprPtr two_n = prod({num(2.0), n});
  ExprPtr lower = call(kHermite, {offset(n, -1.0), x});
  return chain_rule_product(chain_rule_product(std::move(two_n), std::move(lower)), std::move(dx));
}

// (l·x·P(l, m, x) − (l + |m|)·P(l − 1, m, x))/(x² − 1).
ExprPtr derive_assoc_legendre(Args args, Derivatives d) {
  require("derive_assoc_legendre", args, d, 3);
  const ExprPtr& l = args[0];
  const ExprPtr& m = args[1];
  const ExprPtr& x = args[2];
  ExprPtr dx = d[2];
  ExprPtr l_x = prod({l, x});
  ExprPtr first = chain_rule_product(std::move(l_x), call(kAssocLegendre, {l, m, x}));
  ExprPtr l_plus_m = l_plus_order_magnitude(l, m);
  ExprPtr lower = call(kAssocLegendre, {offset(l, -1.0), m, x});
  ExprPtr second = chain_rule_product(std::move(l_plus_m), std::move(lower));
  ExprPtr numerator = expr_sub_pair(std::move(first), std::move(second));
  ExprPtr denominator = square_minus_one(x);
  return chain_rule_product(expr_div(std::move(numerator), std::move(denominator)), std::move(dx));
}

ExprPtr derive_spherical_harmonic(Args args, Derivatives d) {
  return spherical_harmonic_rule("derive_spherical_harmonic", args, d, kSphericalHarmonic, false);
}
ExprPtr derive_tetragamma(Args args, Derivatives d) {
  return chain_unary("derive_tetragamma", args, d, [](const ExprPtr& u) {
    return call(kPolygamma, {num(3.0), u});
  });
}
ExprPtr derive_ynm(Args args, Derivatives d) {
  return spherical_harmonic_rule("derive_ynm", args, d, kYnm, true);
}
ExprPtr derive_exp_polar(Args args, Derivatives d) {
  return derivative_is_call("derive_exp_polar", args, d, kExpPolar);
}

}  // namespace norvi::symbolic
