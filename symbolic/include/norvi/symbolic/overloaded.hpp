#pragma once
// A visitor made of lambdas, one per alternative: std::visit(Overloaded{[](A) {...}, [](B) {...}}, v).

namespace norvi::symbolic {

template <typename... F>
struct Overloaded : F... {
  using F::operator()...;
};
// clang 16 does not deduce aggregate template arguments by itself.
template <typename... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace norvi::symbolic
