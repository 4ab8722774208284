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
using Derivatives = std::span<const Expr>;

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

Expr num(double v) { return expr_from_kind(Number{v}); }
ExprPtr shared_num(double v) { return share(num(v)); }

// A call of a reserved name; the argument nodes are shared, not copied.
Expr call(std::size_t position, std::vector<ExprPtr> args) {
  return expr_from_kind(FunctionCall{known_symbol(position), std::move(args)});
}
Expr call(std::size_t position, Expr arg) { return expr_call_unary(known_symbol(position), std::move(arg)); }
Expr call(std::size_t position, const ExprPtr& arg) { return call(position, std::vector<ExprPtr>{arg}); }

Expr sqrt_call(Expr x) { return call(kSqrt, std::move(x)); }
Expr pw(const ExprPtr& base, double exponent) { return expr_pow_shared(base, shared_num(exponent)); }
Expr reciprocal(Expr x) { return expr_div(num(1.0), std::move(x)); }
// f(u)², the call built before the exponent.
Expr call_squared(std::size_t position, const ExprPtr& u) {
  Expr f = call(position, u);
  return expr_pow(std::move(f), num(2.0));
}
// 1 − u², 1 + u² and u² − 1, the number built first where it comes first.
Expr one_minus_square(const ExprPtr& u) {
  Expr one = num(1.0);
  return expr_sub_pair(std::move(one), pw(u, 2));
}
Expr one_plus_square(const ExprPtr& u) {
  Expr one = num(1.0);
  return expr_add_pair(std::move(one), pw(u, 2));
}
Expr square_minus_one(const ExprPtr& u) {
  Expr square = pw(u, 2);
  return expr_sub_pair(std::move(square), num(1.0));
}
// Products of shared factors.
Expr prod(std::vector<ExprPtr> factors) { return expr_product(std::move(factors)); }
// n + c for an order argument.
Expr offset(const ExprPtr& n, double c) { return expr_sum_shared({n, shared_num(c)}); }

// f'(u)·u′ for a one-argument function, f' built from the shared argument.
template <class Outer>
Expr chain_unary(const char* rule, Args args, Derivatives derivatives, Outer outer) {
  require(rule, args, derivatives, 1);
  const ExprPtr& u = args[0];
  Expr du = derivatives[0];
  Expr f = outer(u);
  return chain_rule_product(std::move(f), std::move(du));
}

// l + |m|: the rows take the order m by its magnitude (P(l, -m, x) is P(l, m, x)), so the
// recurrence behind the Legendre derivative must too, or every negative order gets a wrong slope.
Expr l_plus_order_magnitude(const ExprPtr& l, const ExprPtr& m) {
  return expr_sum_shared({l, share(call(kAbs, m))});
}

// f′(u) = g(u).
Expr derivative_is_call(const char* rule, Args args, Derivatives derivatives, std::size_t g) {
  return chain_unary(rule, args, derivatives, [g](const ExprPtr& u) { return call(g, u); });
}
// f′(u) = ±g(u)·h(u).
Expr derivative_is_call_product(const char* rule, Args args, Derivatives derivatives, std::size_t g,
                                std::size_t h, bool negated) {
  return chain_unary(rule, args, derivatives, [g, h, negated](const ExprPtr& u) {
    Expr first = call(g, u);
    Expr product = chain_rule_product(std::move(first), call(h, u));
    return negated ? expr_negate(std::move(product)) : product;
  });
}
// f′(u) = −g(u)².
Expr derivative_is_negated_square(const char* rule, Args args, Derivatives derivatives, std::size_t g) {
  return chain_unary(rule, args, derivatives,
                     [g](const ExprPtr& u) { return expr_negate(call_squared(g, u)); });
}

// 1/√(1 − u²), shared by asin and acos.
Expr inverse_sqrt_one_minus_square(const ExprPtr& u) { return reciprocal(sqrt_call(one_minus_square(u))); }
// 1/(1 + u²), shared by atan and acot.
Expr inverse_one_plus_square(const ExprPtr& u) { return reciprocal(one_plus_square(u)); }
// 1/(1 − u²), shared by atanh and acoth.
Expr inverse_one_minus_square(const ExprPtr& u) { return reciprocal(one_minus_square(u)); }
// √(u² − 1), the known sqrt call of asec and acsc.
Expr sqrt_square_minus_one(const ExprPtr& u) { return sqrt_call(square_minus_one(u)); }
// 1/(u·ln c) of log10 and log2.
Expr inverse_times_log_of(const ExprPtr& u, double c) {
  Expr ln_c = call(kLn, num(c));
  return reciprocal(prod({u, share(std::move(ln_c))}));
}
// ±(2/√π)·exp(−u²) of erf and erfc.
Expr gaussian_factor(const ExprPtr& u, double two) {
  Expr pi = expr_from_kind(Symbol{symbol_named("pi")});
  Expr numerator = num(two);
  Expr scale = expr_div(std::move(numerator), sqrt_call(std::move(pi)));
  Expr gauss = expr_call_unary(known_symbol(kExp), expr_negate(pw(u, 2)));
  return chain_rule_product(std::move(scale), std::move(gauss));
}

// c·(f(n − 1, x) ± f(n + 1, x))·x′ of the Bessel rows.
Expr bessel_rule(const char* rule, Args args, Derivatives derivatives, std::size_t function, double c,
                 bool add) {
  require(rule, args, derivatives, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  Expr dx = derivatives[1];
  Expr lower = call(function, {share(offset(n, -1.0)), x});
  Expr upper = call(function, {share(offset(n, 1.0)), x});
  Expr combined = add ? expr_add_pair(std::move(lower), std::move(upper))
                      : expr_sub_pair(std::move(lower), std::move(upper));
  return chain_rule_product(chain_rule_product(num(c), std::move(combined)), std::move(dx));
}

// The θ and φ terms of a spherical harmonic Y(l, m, θ, φ) = N·P(l, m, cos θ)·cos(mφ), with Y the
// call itself. The two rows differ only in how their cot and tan calls are made.
Expr spherical_harmonic_rule(const char* rule, Args args, Derivatives derivatives, std::size_t function,
                             bool named_trig_calls) {
  require(rule, args, derivatives, 4);
  const ExprPtr& l = args[0];
  const ExprPtr& m = args[1];
  const ExprPtr& theta = args[2];
  const ExprPtr& phi = args[3];
  Expr dtheta = derivatives[2];
  Expr dphi = derivatives[3];
  const ExprPtr y = share(call(function, {l, m, theta, phi}));

  // φ term: −m·tan(mφ)·Y·φ′.
  Expr minus_m = prod({shared_num(-1.0), m});
  Expr m_phi = prod({m, phi});
  Expr tan_m_phi =
      named_trig_calls ? expr_call_named("tan", {share(std::move(m_phi))}) : call(kTan, std::move(m_phi));
  Expr phi_factor = prod({share(std::move(minus_m)), share(std::move(tan_m_phi)), y});
  Expr phi_term = chain_rule_product(std::move(phi_factor), std::move(dphi));

  // θ term: (Y·l·cot θ − Y·(l + m)/sin θ · P(l − 1, m, cos θ)/P(l, m, cos θ))·θ′.
  Expr cot_theta = named_trig_calls ? expr_call_named("cot", {theta}) : call(kCot, theta);
  Expr first = chain_rule_product(Expr(*y), prod({l, share(std::move(cot_theta))}));
  Expr y_l_m = chain_rule_product(Expr(*y), l_plus_order_magnitude(l, m));
  Expr over_sin = expr_div(std::move(y_l_m), call(kSin, theta));
  Expr lower = call(kAssocLegendre, {share(offset(l, -1.0)), m, share(call(kCos, theta))});
  Expr same = call(kAssocLegendre, {l, m, share(call(kCos, theta))});
  Expr ratio = expr_div(std::move(lower), std::move(same));
  Expr second = chain_rule_product(std::move(over_sin), std::move(ratio));
  Expr theta_term = chain_rule_product(expr_sub_pair(std::move(first), std::move(second)), std::move(dtheta));

  return expr_add_pair(std::move(theta_term), std::move(phi_term));
}

}  // namespace

Expr derive_sin(Args args, Derivatives d) { return derivative_is_call("derive_sin", args, d, kCos); }
Expr derive_cos(Args args, Derivatives d) {
  return chain_unary("derive_cos", args, d, [](const ExprPtr& u) { return expr_negate(call(kSin, u)); });
}
Expr derive_tan(Args args, Derivatives d) {
  return chain_unary("derive_tan", args, d, [](const ExprPtr& u) { return call_squared(kSec, u); });
}
Expr derive_cot(Args args, Derivatives d) {
  return derivative_is_negated_square("derive_cot", args, d, kCsc);
}
Expr derive_sec(Args args, Derivatives d) {
  return derivative_is_call_product("derive_sec", args, d, kSec, kTan, false);
}
Expr derive_csc(Args args, Derivatives d) {
  return derivative_is_call_product("derive_csc", args, d, kCsc, kCot, true);
}
Expr derive_asin(Args args, Derivatives d) {
  return chain_unary("derive_asin", args, d, inverse_sqrt_one_minus_square);
}
Expr derive_acos(Args args, Derivatives d) {
  return chain_unary("derive_acos", args, d,
                     [](const ExprPtr& u) { return expr_negate(inverse_sqrt_one_minus_square(u)); });
}
Expr derive_atan(Args args, Derivatives d) {
  return chain_unary("derive_atan", args, d, inverse_one_plus_square);
}

Expr derive_atan2(Args args, Derivatives d) {
  require("derive_atan2", args, d, 2);
  const ExprPtr& y = args[0];
  const ExprPtr& x = args[1];
  Expr dy = d[0];
  Expr dx = d[1];
  Expr x_dy = chain_rule_product(Expr(*x), std::move(dy));
  Expr y_dx = chain_rule_product(Expr(*y), std::move(dx));
  Expr numerator = expr_sub_pair(std::move(x_dy), std::move(y_dx));
  Expr x2 = pw(x, 2);
  Expr denominator = expr_add_pair(std::move(x2), pw(y, 2));
  return expr_div(std::move(numerator), std::move(denominator));
}

Expr derive_acot(Args args, Derivatives d) {
  return chain_unary("derive_acot", args, d,
                     [](const ExprPtr& u) { return expr_negate(inverse_one_plus_square(u)); });
}
Expr derive_asec(Args args, Derivatives d) {
  return chain_unary("derive_asec", args, d, [](const ExprPtr& u) {
    Expr abs = call(kAbs, u);
    return reciprocal(chain_rule_product(std::move(abs), sqrt_square_minus_one(u)));
  });
}
Expr derive_acsc(Args args, Derivatives d) {
  return chain_unary("derive_acsc", args, d, [](const ExprPtr& u) {
    Expr abs = call(kAbs, u);
    Expr root = sqrt_square_minus_one(u);
    return expr_negate(reciprocal(prod({share(std::move(abs)), share(std::move(root))})));
  });
}
Expr derive_sinh(Args args, Derivatives d) { return derivative_is_call("derive_sinh", args, d, kCosh); }
Expr derive_cosh(Args args, Derivatives d) { return derivative_is_call("derive_cosh", args, d, kSinh); }
Expr derive_tanh(Args args, Derivatives d) {
  return chain_unary("derive_tanh", args, d, [](const ExprPtr& u) {
    Expr one = num(1.0);
    return expr_sub_pair(std::move(one), call_squared(kTanh, u));
  });
}
Expr derive_coth(Args args, Derivatives d) {
  return derivative_is_negated_square("derive_coth", args, d, kCsch);
}
Expr derive_sech(Args args, Derivatives d) {
  return derivative_is_call_product("derive_sech", args, d, kSech, kTanh, true);
}
Expr derive_csch(Args args, Derivatives d) {
  return derivative_is_call_product("derive_csch", args, d, kCsch, kCoth, true);
}
Expr derive_asinh(Args args, Derivatives d) {
  return chain_unary("derive_asinh", args, d, [](const ExprPtr& u) {
    Expr square = pw(u, 2);
    return reciprocal(expr_sqrt_call(expr_add_pair(std::move(square), num(1.0))));
  });
}
Expr derive_acosh(Args args, Derivatives d) {
  return chain_unary("derive_acosh", args, d,
                     [](const ExprPtr& u) { return reciprocal(expr_sqrt_call(square_minus_one(u))); });
}
Expr derive_atanh(Args args, Derivatives d) {
  return chain_unary("derive_atanh", args, d, inverse_one_minus_square);
}
// acoth has the derivative of atanh; they differ only in where they are defined.
Expr derive_acoth(Args args, Derivatives d) {
  return chain_unary("derive_acoth", args, d, inverse_one_minus_square);
}
Expr derive_asech(Args args, Derivatives d) {
  return chain_unary("derive_asech", args, d, [](const ExprPtr& u) {
    Expr root = sqrt_call(one_minus_square(u));
    return expr_negate(reciprocal(prod({u, share(std::move(root))})));
  });
}
Expr derive_acsch(Args args, Derivatives d) {
  return chain_unary("derive_acsch", args, d, [](const ExprPtr& u) {
    Expr abs = call(kAbs, u);
    Expr root = sqrt_call(one_plus_square(u));
    return expr_negate(reciprocal(prod({share(std::move(abs)), share(std::move(root))})));
  });
}
Expr derive_exp(Args args, Derivatives d) { return derivative_is_call("derive_exp", args, d, kExp); }
// u^(−1), a power rather than a quotient.
Expr derive_ln(Args args, Derivatives d) {
  return chain_unary("derive_ln", args, d, [](const ExprPtr& u) { return pw(u, -1); });
}

// log(b, x) = ln x / ln b: x′/(x·ln b) − b′·ln x/(b·(ln b)²).
Expr derive_log(Args args, Derivatives d) {
  require("derive_log", args, d, 2);
  const ExprPtr& b = args[0];
  const ExprPtr& x = args[1];
  Expr db = d[0];
  Expr dx = d[1];
  Expr x_ln_b = prod({x, share(call(kLn, b))});
  Expr by_x = expr_div(std::move(dx), std::move(x_ln_b));
  Expr db_ln_x = chain_rule_product(std::move(db), call(kLn, x));
  Expr ln_b_squared = call_squared(kLn, b);
  Expr b_ln_b_squared = prod({b, share(std::move(ln_b_squared))});
  Expr by_b = expr_negate(expr_div(std::move(db_ln_x), std::move(b_ln_b_squared)));
  return expr_add_pair(std::move(by_x), std::move(by_b));
}

Expr derive_log10(Args args, Derivatives d) {
  return chain_unary("derive_log10", args, d, [](const ExprPtr& u) { return inverse_times_log_of(u, 10.0); });
}
Expr derive_log2(Args args, Derivatives d) {
  return chain_unary("derive_log2", args, d, [](const ExprPtr& u) { return inverse_times_log_of(u, 2.0); });
}
Expr derive_sqrt(Args args, Derivatives d) {
  return chain_unary("derive_sqrt", args, d, [](const ExprPtr& u) {
    Expr two = num(2.0);
    return reciprocal(chain_rule_product(std::move(two), call(kSqrt, u)));
  });
}
// The exponent stays the quotient 2/3.
Expr derive_cbrt(Args args, Derivatives d) {
  return chain_unary("derive_cbrt", args, d, [](const ExprPtr& u) {
    Expr three = num(3.0);
    Expr two = num(2.0);
    Expr two_thirds = expr_div(std::move(two), num(3.0));
    return reciprocal(chain_rule_product(std::move(three), expr_pow_shared(u, share(std::move(two_thirds)))));
  });
}
Expr derive_abs(Args args, Derivatives d) { return derivative_is_call("derive_abs", args, d, kSignum); }
// Constant wherever it has a derivative; reads neither list.
Expr derive_signum(Args, Derivatives) { return num(0.0); }
Expr derive_erf(Args args, Derivatives d) {
  return chain_unary("derive_erf", args, d, [](const ExprPtr& u) { return gaussian_factor(u, 2.0); });
}
Expr derive_erfc(Args args, Derivatives d) {
  return chain_unary("derive_erfc", args, d, [](const ExprPtr& u) { return gaussian_factor(u, -2.0); });
}
Expr derive_gamma(Args args, Derivatives d) {
  return derivative_is_call_product("derive_gamma", args, d, kGamma, kDigamma, false);
}
Expr derive_digamma(Args args, Derivatives d) {
  return derivative_is_call("derive_digamma", args, d, kTrigamma);
}
Expr derive_trigamma(Args args, Derivatives d) {
  return derivative_is_call("derive_trigamma", args, d, kTetragamma);
}

// B(a, b)·(ψ(a) − ψ(a + b))·a′ + B(a, b)·(ψ(b) − ψ(a + b))·b′.
Expr derive_beta(Args args, Derivatives d) {
  require("derive_beta", args, d, 2);
  const ExprPtr& a = args[0];
  const ExprPtr& b = args[1];
  Expr da = d[0];
  Expr db = d[1];
  auto term = [&](const ExprPtr& own, Expr derivative) {
    Expr beta = call(kBeta, {a, b});
    Expr psi = call(kDigamma, own);
    Expr psi_sum = call(kDigamma, expr_sum_shared({a, b}));
    Expr factor = chain_rule_product(std::move(beta), expr_sub_pair(std::move(psi), std::move(psi_sum)));
    return chain_rule_product(std::move(factor), std::move(derivative));
  };
  Expr by_a = term(a, std::move(da));
  Expr by_b = term(b, std::move(db));
  return expr_add_pair(std::move(by_a), std::move(by_b));
}

Expr derive_besselj(Args args, Derivatives d) {
  return bessel_rule("derive_besselj", args, d, kBesselJ, 0.5, false);
}
Expr derive_bessely(Args args, Derivatives d) {
  return bessel_rule("derive_bessely", args, d, kBesselY, 0.5, false);
}
Expr derive_besseli(Args args, Derivatives d) {
  return bessel_rule("derive_besseli", args, d, kBesselI, 0.5, true);
}
Expr derive_besselk(Args args, Derivatives d) {
  return bessel_rule("derive_besselk", args, d, kBesselK, -0.5, true);
}

Expr derive_polygamma(Args args, Derivatives d) {
  require("derive_polygamma", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  Expr dx = d[1];
  return chain_rule_product(call(kPolygamma, {share(offset(n, 1.0)), x}), std::move(dx));
}

Expr derive_sinc(Args args, Derivatives d) {
  return chain_unary("derive_sinc", args, d, [](const ExprPtr& u) {
    Expr u_cos = prod({share(call(kCos, u)), u});
    Expr numerator = expr_sub_pair(std::move(u_cos), call(kSin, u));
    return expr_div(std::move(numerator), pw(u, 2));
  });
}
Expr derive_lambertw(Args args, Derivatives d) {
  return chain_unary("derive_lambertw", args, d, [](const ExprPtr& u) {
    Expr w = call(kLambertW, u);
    Expr one = num(1.0);
    Expr one_plus_w = expr_add_pair(std::move(one), call(kLambertW, u));
    return expr_div(std::move(w), prod({u, share(std::move(one_plus_w))}));
  });
}
// Of the modulus k: E/(k·(1 − k²)) − K/k.
Expr derive_elliptic_k(Args args, Derivatives d) {
  return chain_unary("derive_elliptic_k", args, d, [](const ExprPtr& u) {
    Expr e = call(kEllipticE, u);
    Expr first = expr_div(std::move(e), prod({u, share(one_minus_square(u))}));
    Expr second = expr_div_shared(share(call(kEllipticK, u)), u);
    return expr_sub_pair(std::move(first), std::move(second));
  });
}
// Of the modulus k: (E − K)/k.
Expr derive_elliptic_e(Args args, Derivatives d) {
  return chain_unary("derive_elliptic_e", args, d, [](const ExprPtr& u) {
    Expr e = call(kEllipticE, u);
    Expr difference = expr_sub_pair(std::move(e), call(kEllipticK, u));
    return expr_div_shared(share(std::move(difference)), u);
  });
}
Expr derive_zeta(Args args, Derivatives d) {
  return chain_unary("derive_zeta", args, d, [](const ExprPtr& u) {
    return call(kZetaDeriv, {shared_num(1.0), u});
  });
}
Expr derive_zeta_deriv(Args args, Derivatives d) {
  require("derive_zeta_deriv", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& s = args[1];
  Expr ds = d[1];
  return chain_rule_product(expr_call_named("zeta_deriv", {share(offset(n, 1.0)), s}), std::move(ds));
}
Expr derive_hermite(Args args, Derivatives d) {
  require("derive_hermite", args, d, 2);
  const ExprPtr& n = args[0];
  const ExprPtr& x = args[1];
  Expr dx = d[1];
  Expr two_n = prod({shared_num(2.0), n});
  Expr lower = call(kHermite, {share(offset(n, -1.0)), x});
  return chain_rule_product(chain_rule_product(std::move(two_n), std::move(lower)), std::move(dx));
}

// (l·x·P(l, m, x) − (l + m)·P(l − 1, m, x))/(x² − 1).
Expr derive_assoc_legendre(Args args, Derivatives d) {
  require("derive_assoc_legendre", args, d, 3);
  const ExprPtr& l = args[0];
  const ExprPtr& m = args[1];
  const ExprPtr& x = args[2];
  Expr dx = d[2];
  Expr l_x = prod({l, x});
  Expr first = chain_rule_product(std::move(l_x), call(kAssocLegendre, {l, m, x}));
  Expr l_plus_m = l_plus_order_magnitude(l, m);
  Expr lower = call(kAssocLegendre, {share(offset(l, -1.0)), m, x});
  Expr second = chain_rule_product(std::move(l_plus_m), std::move(lower));
  Expr numerator = expr_sub_pair(std::move(first), std::move(second));
  Expr denominator = square_minus_one(x);
  return chain_rule_product(expr_div(std::move(numerator), std::move(denominator)), std::move(dx));
}

Expr derive_spherical_harmonic(Args args, Derivatives d) {
  return spherical_harmonic_rule("derive_spherical_harmonic", args, d, kSphericalHarmonic, false);
}
Expr derive_tetragamma(Args args, Derivatives d) {
  return chain_unary("derive_tetragamma", args, d, [](const ExprPtr& u) {
    return call(kPolygamma, {shared_num(3.0), u});
  });
}
Expr derive_ynm(Args args, Derivatives d) {
  return spherical_harmonic_rule("derive_ynm", args, d, kYnm, true);
}
Expr derive_exp_polar(Args args, Derivatives d) {
  return derivative_is_call("derive_exp_polar", args, d, kExpPolar);
}

}  // namespace norvi::symbolic
