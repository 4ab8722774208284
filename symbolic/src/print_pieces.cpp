#include "print_pieces.hpp"

#include <array>

namespace norvi::symbolic::print {

namespace {

constexpr std::array<ModePieces, 3> kPieces = {{
    {"*", "-", "-", " - ", "(", ")", "NaN", "Infinity", "-Infinity"},
    {" \\cdot ", "-", "-", " - ", "\\left(", "\\right)", "\\text{NaN}", "\\infty", "-\\infty"},
    {"·", "−", "−", " − ", "(", ")", "NaN", "∞", "-∞"},
}};

struct GreekName {
  std::string_view name;
  std::string_view latex;
  std::string_view unicode;
};

constexpr GreekName kGreek[] = {
    {"pi", "\\pi", "π"},
    {"alpha", "\\alpha", "α"},
    {"beta", "\\beta", "β"},
    {"gamma", "\\gamma", "γ"},
    {"delta", "\\delta", "δ"},
    {"epsilon", "\\epsilon", "ε"},
    {"zeta", "\\zeta", "ζ"},
    {"eta", "\\eta", "η"},
    {"theta", "\\theta", "θ"},
    {"iota", "\\iota", "ι"},
    {"kappa", "\\kappa", "κ"},
    {"lambda", "\\lambda", "λ"},
    {"mu", "\\mu", "μ"},
    {"nu", "\\nu", "ν"},
    {"xi", "\\xi", "ξ"},
    {"omicron", "\\omicron", "ο"},
    {"rho", "\\rho", "ρ"},
    {"sigma", "\\sigma", "σ"},
    {"tau", "\\tau", "τ"},
    {"upsilon", "\\upsilon", "υ"},
    {"phi", "\\phi", "φ"},
    {"chi", "\\chi", "χ"},
    {"psi", "\\psi", "ψ"},
    {"omega", "\\omega", "ω"},
    {"varepsilon", "\\varepsilon", "ε"},
    {"vartheta", "\\vartheta", "ϑ"},
    {"varphi", "\\varphi", "φ"},
    {"varrho", "\\varrho", "ρ"},
    {"varsigma", "\\varsigma", "ς"},
};

struct CallForm {
  std::string_view name;
  std::size_t arg_count;
  const char* form;
};

// \1 to \4 mark the arguments.
constexpr CallForm kLatexCallForms[] = {
    {"abs", 1, "\\left|\1\\right|"},
    {"sqrt", 1, "\\sqrt{\1}"},
    {"cbrt", 1, "\\sqrt[3]{\1}"},
    // A space ends the control word: \lfloorx would be read as one unknown command.
    {"floor", 1, "\\lfloor \1\\rfloor"},
    {"ceil", 1, "\\lceil \1\\rceil"},
    {"log", 2, "\\log_{\1}\\left(\2\\right)"},
    {"beta", 2, "\\mathrm{B}\\left(\1, \2\\right)"},
    {"besselj", 2, "J_{\1}\\left(\2\\right)"},
    {"bessely", 2, "Y_{\1}\\left(\2\\right)"},
    {"besseli", 2, "I_{\1}\\left(\2\\right)"},
    {"besselk", 2, "K_{\1}\\left(\2\\right)"},
    {"hermite", 2, "H_{\1}\\left(\2\\right)"},
    {"polygamma", 2, "\\psi^{(\1)}\\left(\2\\right)"},
    {"zeta_deriv", 2, "\\zeta^{(\1)}\\left(\2\\right)"},
    {"assoc_legendre", 3, "P_{\1}^{\2}\\left(\3\\right)"},
    {"spherical_harmonic", 4, "Y_{\1}^{\2}\\left(\3, \4\\right)"},
    {"ynm", 4, "Y_{\1}^{\2}\\left(\3, \4\\right)"},
    {"digamma", 1, "\\psi\\left(\1\\right)"},
    {"trigamma", 1, "\\psi_1\\left(\1\\right)"},
    {"tetragamma", 1, "\\psi_2\\left(\1\\right)"},
    {"zeta", 1, "\\zeta\\left(\1\\right)"},
    {"lambertw", 1, "W\\left(\1\\right)"},
    {"elliptic_k", 1, "K\\left(\1\\right)"},
    {"elliptic_e", 1, "E\\left(\1\\right)"},
};

struct Operator {
  std::string_view name;
  std::string_view text;
};

constexpr Operator kLatexOperators[] = {
    {"sin", "\\sin"},
    {"cos", "\\cos"},
    {"tan", "\\tan"},
    {"cot", "\\cot"},
    {"sec", "\\sec"},
    {"csc", "\\csc"},
    {"sinh", "\\sinh"},
    {"cosh", "\\cosh"},
    {"tanh", "\\tanh"},
    {"coth", "\\coth"},
    {"ln", "\\ln"},
    {"log", "\\log"},
    {"log10", "\\log"},
    {"log2", "\\log_2"},
    {"exp", "\\exp"},
    {"gamma", "\\Gamma"},
    {"erf", "\\operatorname{erf}"},
    {"erfc", "\\operatorname{erfc}"},
    {"sinc", "\\operatorname{sinc}"},
    {"round", "\\operatorname{round}"},
    {"sech", "\\operatorname{sech}"},
    {"csch", "\\operatorname{csch}"},
    {"signum", "\\operatorname{sgn}"},
    {"asinh", "\\operatorname{arsinh}"},
    {"acosh", "\\operatorname{arcosh}"},
    {"atanh", "\\operatorname{artanh}"},
    {"acoth", "\\operatorname{arcoth}"},
    {"asech", "\\operatorname{arsech}"},
    {"acsch", "\\operatorname{arcsch}"},
    {"exp_polar", "\\operatorname{exp\\_polar}"},
};

}  // namespace

const ModePieces& pieces(FormatMode mode) { return kPieces[static_cast<std::size_t>(mode)]; }

std::string_view greek(std::string_view name, FormatMode mode) {
  for (const GreekName& g : kGreek) {
    if (g.name == name) return mode == FormatMode::Latex ? g.latex : g.unicode;
  }
  return {};
}

void append_superscript(std::string& out, std::string_view ascii) {
  for (const char c : ascii) {
    switch (c) {
      case '(': out += "⁽"; break;
      case ')': out += "⁾"; break;
      case '+': out += "⁺"; break;
      case '-': out += "⁻"; break;
      case '1': out += "¹"; break;
      case '2': out += "²"; break;
      case '3': out += "³"; break;
      default:
        if (c == '0' || (c >= '4' && c <= '9')) {
          // U+2070 and U+2074 to U+2079: E2 81 B0+digit.
          out += "\xE2\x81";
          out += static_cast<char>(0xB0 + (c - '0'));
        } else {
          out += c;
        }
    }
  }
}

const char* latex_call_form(std::string_view name, std::size_t arg_count) {
  for (const CallForm& f : kLatexCallForms) {
    if (f.arg_count == arg_count && f.name == name) return f.form;
  }
  return nullptr;
}

std::string_view latex_operator(std::string_view name) {
  for (const Operator& o : kLatexOperators) {
    if (o.name == name) return o.text;
  }
  return {};
}

}  // namespace norvi::symbolic::print
