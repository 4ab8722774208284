// The structural diagnostic form of expressions and their parts, written through the one
// DebugWriter. Trees can be a million levels deep, so the walk keeps what is left to write on an
// explicit work stack; the writer keeps its open containers on its own.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "norvi/symbolic/debug_writer.hpp"
#include "norvi/symbolic/expr_text.hpp"
#include "norvi/symbolic/overloaded.hpp"
#include "norvi/symbolic/work_stack.hpp"

namespace norvi::symbolic {
namespace {

// What is still to be written, in the order popped.
struct DebugTask {
  enum class Op : std::uint8_t {
    node,             // an Expr record
    close,            // the end of the innermost open container
    derivative_tail,  // the fields of a Derivative after its inner expression
    polynomial_tail,  // the terms of a Polynomial after its base
  };
  Op op;
  const void* item;
};

class DebugWalk {
 public:
  explicit DebugWalk(DebugWriter& writer) : w_(writer) {}

  void expr(const Expr& e) {
    stack_.push({DebugTask::Op::node, &e});
    run();
  }
  void kind(const ExprKind& k) {
    write_kind(k);
    run();
  }
  void polynomial(const Polynomial& p) {
    write_polynomial(p);
    run();
  }

 private:
  void run() {
    while (!stack_.empty()) {
      const DebugTask task = stack_.pop();
      switch (task.op) {
        case DebugTask::Op::node: write_expr(*static_cast<const Expr*>(task.item)); break;
        case DebugTask::Op::close: w_.close(); break;
        case DebugTask::Op::derivative_tail: {
          const auto& d = *static_cast<const Derivative*>(task.item);
          w_.field("var");
          expr_write_debug(d.var, w_);
          w_.field("order");
          w_.unsigned_value(d.order);
          w_.close();
          break;
        }
        case DebugTask::Op::polynomial_tail: {
          w_.field("terms");
          w_.open_list();
          for (const PolyTerm& term : static_cast<const Polynomial*>(task.item)->terms) {
            w_.open_pair();
            w_.unsigned_value(term.exponent);
            w_.float_value(term.coefficient);
            w_.close();
          }
          w_.close();
          w_.close();
          break;
        }
      }
    }
  }

  void push_close() { stack_.push({DebugTask::Op::close, nullptr}); }
  void push_node(const Expr& e) { stack_.push({DebugTask::Op::node, &e}); }
  // Elements are popped in stored order, so they go on in reverse.
  void push_list(const std::vector<ExprPtr>& list) {
    for (auto it = list.rbegin(); it != list.rend(); ++it) push_node(**it);
  }

  void write_expr(const Expr& e) {
    w_.open_record("Expr");
    w_.field("id");
    w_.unsigned_value(e.id());
    w_.field("hash");
    w_.unsigned_value(e.hash());
    w_.field("kind");
    push_close();
    write_kind(e.kind());
  }

  // Writes what comes first of a kind and leaves the rest on the stack.
  void write_kind(const ExprKind& kind) {
    std::visit(Overloaded{
                   [&](const Number& n) {
                     w_.open_tuple("Number");
                     w_.float_value(n.value);
                     w_.close();
                   },
                   [&](const Symbol& s) {
                     w_.open_tuple("Symbol");
                     expr_write_debug(s.symbol, w_);
                     w_.close();
                   },
                   [&](const FunctionCall& f) {
                     w_.open_record("FunctionCall");
                     w_.field("name");
                     expr_write_debug(f.name, w_);
                     w_.field("args");
                     w_.open_list();
                     push_close();
                     push_close();
                     push_list(f.args);
                   },
                   [&](const Sum& s) { write_list_tuple("Sum", s.terms); },
                   [&](const Product& p) { write_list_tuple("Product", p.factors); },
                   [&](const Div& d) { write_pair_tuple("Div", *d.numerator, *d.denominator); },
                   [&](const Pow& p) { write_pair_tuple("Pow", *p.base, *p.exponent); },
                   [&](const Derivative& d) {
                     w_.open_record("Derivative");
                     w_.field("inner");
                     stack_.push({DebugTask::Op::derivative_tail, &d});
                     push_node(*d.inner);
                   },
                   [&](const Poly& p) {
                     w_.open_tuple("Poly");
                     push_close();
                     write_polynomial(p.polynomial);
                   },
               },
               kind);
  }

  void write_list_tuple(std::string_view name, const std::vector<ExprPtr>& list) {
    w_.open_tuple(name);
    w_.open_list();
    push_close();
    push_close();
    push_list(list);
  }

  void write_pair_tuple(std::string_view name, const Expr& first, const Expr& second) {
    w_.open_tuple(name);
    push_close();
    push_node(second);
    push_node(first);
  }

  void write_polynomial(const Polynomial& p) {
    w_.open_record("Polynomial");
    w_.field("base");
    stack_.push({DebugTask::Op::polynomial_tail, &p});
    push_node(*p.base);
  }

  DebugWriter& w_;
  WorkStack<DebugTask, 64> stack_;
};

template <typename T>
void format_with(const T& value, std::string& out, bool alternate) {
  DebugWriter writer(out, alternate);
  expr_write_debug(value, writer);
}

}  // namespace

void expr_write_debug(const Expr& expr, DebugWriter& writer) { DebugWalk(writer).expr(expr); }
void expr_write_debug(const ExprKind& kind, DebugWriter& writer) { DebugWalk(writer).kind(kind); }
void expr_write_debug(const Polynomial& polynomial, DebugWriter& writer) {
  DebugWalk(writer).polynomial(polynomial);
}

void expr_write_debug(const InternedSymbol& symbol, DebugWriter& writer) {
  writer.open_record("InternedSymbol");
  writer.field("key");
  expr_write_debug(symbol.key, writer);
  writer.field("name");
  if (symbol.name) {
    writer.open_some();
    writer.string_value(*symbol.name);
    writer.close();
  } else {
    writer.none();
  }
  writer.close();
}

void expr_write_debug(DefaultKey key, DebugWriter& writer) {
  writer.open_tuple("DefaultKey");
  // The all-ones index marks a key that names no slot.
  if (key.index == UINT32_MAX) {
    writer.word("null");
  } else {
    writer.word(std::to_string(key.index) + 'v' + std::to_string(key.version));
  }
  writer.close();
}

void expr_fmt_debug(const Expr& expr, std::string& out, bool alternate) { format_with(expr, out, alternate); }
void expr_fmt_debug(const InternedSymbol& symbol, std::string& out, bool alternate) {
  format_with(symbol, out, alternate);
}
void expr_fmt_debug(const Polynomial& polynomial, std::string& out, bool alternate) {
  format_with(polynomial, out, alternate);
}
void expr_fmt_debug(DefaultKey key, std::string& out, bool alternate) { format_with(key, out, alternate); }

}  // namespace norvi::symbolic
