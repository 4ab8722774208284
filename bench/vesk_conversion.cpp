// Converting a circuit of a million operations to VESK text: a mix of fixed-parameter gates, gates
// whose parameters come from the circuit's table, two-qubit gates, barriers and measures.
// Baseline, in the same run: the same lines written with one snprintf each into one growing text, the
// qubit numbers formatted by snprintf and every parameter's text prepared beforehand (outside the
// timing), so the baseline does strictly less work than the conversion. Best of five; target: the
// conversion within 1.5x of the baseline.
// Then one operation referring to one table entry, converted and formatted over a table of 10 entries
// and over one of a million: the cost follows the entries used, so the target is the large table
// within 2x of the small one.

#include "timing.hpp"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "norvi/core/circuit/vesk.hpp"
#include "norvi/symbolic/expr.hpp"

namespace core = norvi::core;
namespace sym = norvi::symbolic;

namespace {

constexpr std::size_t kOperations = 1'000'000;
constexpr std::uint32_t kQubits = 64;
constexpr std::uint32_t kTable = 16;
constexpr int kRuns = 5;
constexpr double kPi = 3.141592653589793;

// The time of one call of `work`, from batches long enough for the clock to resolve.
template <typename F>
double seconds_per_call(F&& work) {
  const double once = norvi::bench::seconds_of(work);
  const auto calls = static_cast<std::size_t>(std::clamp(0.02 / std::max(once, 1e-9), 1.0, 1e6));
  return norvi::bench::best_seconds(kRuns, [&] {
           for (std::size_t i = 0; i < calls; ++i) work();
         }) /
         static_cast<double>(calls);
}

// One line as the baseline writes it: a format and its arguments.
struct BaselineLine {
  const char* format;
  unsigned q0, q1;
  std::string p0, p1, p2;
};

}  // namespace

int main() {
  const double fixed_angles[] = {kPi / 2, 0.25, -kPi / 2, 0.123456789, 2.0};
  std::vector<core::Parameter> table;
  for (std::uint32_t k = 0; k < kTable; ++k) table.push_back({sym::expr_from_kind(sym::Number{0.01 * (k + 1)})});

  std::vector<core::Operation> ops;
  std::vector<BaselineLine> baseline;
  ops.reserve(kOperations);
  baseline.reserve(kOperations);
  using core::StandardGate;
  auto fixed = [](double v) { return core::ParamRef{core::param_ref::Fixed{v}}; };
  auto index = [](std::uint32_t i) { return core::ParamRef{core::param_ref::Index{i}}; };
  for (std::size_t i = 0; i < kOperations; ++i) {
    const auto q = static_cast<std::uint32_t>(i % kQubits);
    const auto q1 = (q + 1) % kQubits;
    const double angle = fixed_angles[i % 5];
    const auto k = static_cast<std::uint32_t>(i % kTable);
    const std::string angle_text = core::format_vesk_angle(angle);
    const std::string table_text = core::format_vesk_angle(0.01 * (k + 1));
    switch (i % 8) {
      case 0:
        ops.push_back({StandardGate::H, {q}, {}, std::nullopt});
        baseline.push_back({"H Q%u\n", q, 0, {}, {}, {}});
        break;
      case 1:
        ops.push_back({StandardGate::RX, {q}, {fixed(angle)}, std::nullopt});
        baseline.push_back({"RX Q%u %s\n", q, 0, angle_text, {}, {}});
        break;
      case 2:
        ops.push_back({StandardGate::CZ, {q, q1}, {}, std::nullopt});
        baseline.push_back({"CZ Q%u Q%u\n", q, q1, {}, {}, {}});
        break;
      case 3:
        ops.push_back({StandardGate::RZ, {q}, {index(k)}, std::nullopt});
        baseline.push_back({"RZ Q%u %s\n", q, 0, table_text, {}, {}});
        break;
      case 4:
        ops.push_back({core::Instruction::directive(core::DirectiveKind::Measure), {q}, {}, std::nullopt});
        baseline.push_back({"M Q%u\n", q, 0, {}, {}, {}});
        break;
      case 5:
        ops.push_back({StandardGate::U, {q}, {fixed(0.1), fixed(kPi), index(k)}, std::nullopt});
        baseline.push_back({"U Q%u %s %s %s\n", q, 0, "0.1", "pi", table_text});
        break;
      case 6:
        ops.push_back({core::Instruction::directive(core::DirectiveKind::Barrier), {q, q1}, {}, std::nullopt});
        baseline.push_back({"B Q%u Q%u\n", q, q1, {}, {}, {}});
        break;
      default:
        ops.push_back({StandardGate::X2P, {q}, {}, std::nullopt});
        baseline.push_back({"X2P Q%u\n", q, 0, {}, {}, {}});
        break;
    }
  }
  core::Circuit circuit;
  circuit.parameters = std::move(table);
  circuit.data = core::OperationList(std::move(ops));

  auto write_baseline = [&] {
    std::string out;
    char line[128];
    for (const BaselineLine& b : baseline) {
      int n = 0;
      // The argument list follows the format's shape; one snprintf per line either way.
      if (!b.p2.empty()) {
        n = std::snprintf(line, sizeof line, b.format, b.q0, b.p0.c_str(), b.p1.c_str(), b.p2.c_str());
      } else if (!b.p0.empty()) {
        n = std::snprintf(line, sizeof line, b.format, b.q0, b.p0.c_str());
      } else {
        n = std::snprintf(line, sizeof line, b.format, b.q0, b.q1);
      }
      out.append(line, static_cast<std::size_t>(n));
    }
    return out;
  };

  const std::string expected = write_baseline();
  auto converted = core::circuit_to_vesk(circuit);
  if (!converted || *converted != expected) {
    std::fprintf(stderr, "the conversion does not give the baseline's text\n");
    return 1;
  }

  std::size_t sink = 0;
  const double base = norvi::bench::best_seconds(kRuns, [&] { sink += write_baseline().size(); });
  const double conversion = norvi::bench::best_seconds(kRuns, [&] { sink += core::circuit_to_vesk(circuit)->size(); });
  std::printf("%zu operations, %.1f MB of VESK text (checksum %zu)\n", kOperations, expected.size() / 1e6, sink);
  std::printf("%-40s %8.1f ms\n", "baseline: one snprintf per line", base * 1e3);
  std::printf("%-40s %8.1f ms   %.2fx the baseline\n", "circuit_to_vesk", conversion * 1e3, conversion / base);
  std::printf("target: within 1.5x of the baseline: %s\n", conversion <= 1.5 * base ? "met" : "NOT met");

  // One RZ on the table's last entry.
  struct OneOperation {
    double convert = 0.0;
    double format = 0.0;
  };
  auto one_operation = [&](std::uint32_t entries) {
    core::Circuit one;
    std::vector<core::Parameter> big;
    big.reserve(entries);
    for (std::uint32_t k = 0; k < entries; ++k) big.push_back({sym::expr_from_kind(sym::Number{0.5})});
    one.parameters = std::move(big);
    one.data = core::OperationList(std::vector<core::Operation>{{StandardGate::RZ, {0}, {index(entries - 1)}, std::nullopt}});
    if (core::circuit_to_vesk(one).value_or("") != "RZ Q0 0.5\n") std::fprintf(stderr, "wrong one-operation text\n");
    const std::vector<core::ParamRef> refs{index(entries - 1)};
    return OneOperation{
        seconds_per_call([&] { sink += core::circuit_to_vesk(one)->size(); }),
        seconds_per_call([&] { sink += core::format_vesk_params(refs, one.parameters)->size(); }),
    };
  };
  const OneOperation small = one_operation(10);
  const OneOperation large = one_operation(1'000'000);
  std::printf("one operation (checksum %zu)              10 entries   10^6 entries\n", sink);
  std::printf("%-40s %9.2f us %12.2f us   %.2fx\n", "circuit_to_vesk", small.convert * 1e6, large.convert * 1e6,
              large.convert / small.convert);
  std::printf("%-40s %9.2f us %12.2f us   %.2fx\n", "format_vesk_params", small.format * 1e6, large.format * 1e6,
              large.format / small.format);
  const bool follows = large.convert <= 2 * small.convert && large.format <= 2 * small.format;
  std::printf("target: the 10^6-entry table within 2x of the 10-entry one: %s\n", follows ? "met" : "NOT met");
  return 0;
}
