#pragma once
// A visitor made of lambdas, one per alternative: std::visit(Overloaded{[](A) {...}, [](B) {...}}, v).

namespace norvi::core {

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};

}  // namespace norvi::core
