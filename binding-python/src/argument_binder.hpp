#pragma once
// The one argument binder of the binding. A function's parameters are a table; the binder matches
// positional and keyword arguments to it with the interpreter's own wording for binding errors
// ("{}() missing 1 required positional argument: 'x'", ...), and converts each bound argument so that a
// failure carries the note "while processing '{}'" naming the parameter.
//
//   constexpr auto login_signature = signature("BrevoraPlatform.login", {
//       {"api_key"},
//       {"domain", Pass::keyword_only, Need::optional},
//   });
//   auto bound = bind(login_signature, args, nargs, kwnames);        // fast call
//   auto bound = bind(config_signature, args, kwargs);               // constructor: tuple and dict
//   if (!bound) return {};
//   auto key = bound->convert(0, extract_text);                     // PyResult<std::string>
//   auto domain = bound->convert_optional(1, extract_text);         // PyResult<std::optional<std::string>>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

#include "exceptions.hpp"
#include "py_ref.hpp"

namespace norvi::binding {

enum class Pass : std::uint8_t { positional_or_keyword, keyword_only };
enum class Need : std::uint8_t { required, optional };

struct Parameter {
  const char* name;
  Pass pass = Pass::positional_or_keyword;
  Need need = Need::required;
};

template <std::size_t N> struct Signature {
  const char* function;  // named in errors as "{}()": "Class.method"
  std::array<Parameter, N> parameters;
};

// A checked table: positional-or-keyword parameters first, required ones before optional ones (as in a
// Python `def`), then the keyword-only ones.
template <std::size_t N> consteval Signature<N> signature(const char* function, const Parameter (&parameters)[N]) {
  Signature<N> result{function, {}};
  bool keyword_only_seen = false;
  bool optional_positional_seen = false;
  for (std::size_t i = 0; i < N; ++i) {
    const Parameter& p = parameters[i];
    if (p.pass == Pass::keyword_only) {
      keyword_only_seen = true;
    } else {
      if (keyword_only_seen) throw "positional parameter after a keyword-only one";
      if (p.need == Need::optional) optional_positional_seen = true;
      else if (optional_positional_seen) throw "required positional parameter after an optional one";
    }
    result.parameters[i] = p;
  }
  return result;
}

struct SignatureView {
  const char* function;
  std::span<const Parameter> parameters;
};

namespace detail {

// Both fill `bound` (one slot per parameter) with borrowed references, null where an argument was left
// out, or raise the binding error.
PyResult<void> bind_vector(SignatureView signature, PyObject* const* args, std::size_t nargs, PyObject* kwnames,
                           std::span<PyObject*> bound);
PyResult<void> bind_tuple(SignatureView signature, PyObject* args, PyObject* kwargs, std::span<PyObject*> bound);

// Adds "while processing '{}'" to the exception being raised; when that fails, the exception stays as it was.
void add_argument_note(const char* parameter) noexcept;

std::unexpected<PyRaised> conversion_failed(const char* parameter) noexcept;

}  // namespace detail

template <typename Convert> using ConvertedType = typename std::invoke_result_t<Convert&, PyObject*>::value_type;

// The arguments bound to a signature, as borrowed references (valid for the call).
template <std::size_t N> class Arguments {
 public:
  explicit Arguments(const Signature<N>& signature) : signature_(&signature) {}

  // Null when the argument was left out.
  PyObject* operator[](std::size_t i) const { return values_[i]; }
  bool given(std::size_t i) const { return values_[i] != nullptr; }

  // `convert` is PyResult<T>(PyObject*); the argument must be present.
  template <typename Convert> PyResult<ConvertedType<Convert>> convert(std::size_t i, Convert&& convert) const {
    if (values_[i] == nullptr) return raise_internal_fault("converting an argument that was not bound");
    auto converted = convert(values_[i]);
    if (!converted) return detail::conversion_failed(signature_->parameters[i].name);
    return converted;
  }

  // Left out or None: no value.
  template <typename Convert>
  PyResult<std::optional<ConvertedType<Convert>>> convert_optional(std::size_t i, Convert&& convert) const {
    using Result = PyResult<std::optional<ConvertedType<Convert>>>;
    if (values_[i] == nullptr || values_[i] == Py_None) return Result(std::in_place, std::nullopt);
    auto converted = this->convert(i, convert);
    if (!converted) return raised();
    return Result(std::in_place, std::move(*converted));
  }

  // Left out: `fallback`; anything given, None included, is converted.
  template <typename Convert>
  PyResult<ConvertedType<Convert>> convert_or(std::size_t i, Convert&& convert, ConvertedType<Convert> fallback) const {
    if (values_[i] == nullptr) return fallback;
    return this->convert(i, convert);
  }

  std::span<PyObject*, N> slots() { return values_; }

 private:
  const Signature<N>* signature_;
  std::array<PyObject*, N> values_{};
};

template <std::size_t N> SignatureView view(const Signature<N>& signature) {
  return {signature.function, std::span<const Parameter>(signature.parameters)};
}

// Fast call (METH_FASTCALL | METH_KEYWORDS): the keyword values follow the positional ones in `args`.
template <std::size_t N>
PyResult<Arguments<N>> bind(const Signature<N>& signature, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  Arguments<N> arguments(signature);
  if (!detail::bind_vector(view(signature), args, static_cast<std::size_t>(nargs), kwnames, arguments.slots()))
    return raised();
  return arguments;
}

// Constructor call: positional tuple and keyword dictionary (either may be null).
template <std::size_t N>
PyResult<Arguments<N>> bind(const Signature<N>& signature, PyObject* args, PyObject* kwargs) {
  Arguments<N> arguments(signature);
  if (!detail::bind_tuple(view(signature), args, kwargs, arguments.slots())) return raised();
  return arguments;
}

}  // namespace norvi::binding
