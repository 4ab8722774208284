// The result road's decoder on answers of about 10 MB and 42 MB: one result item of shot rows on 20
// qubits, read into records and counted per outcome, beside RapidJSON's bare SAX pass over the same
// bytes in the same run (best of nine alternating rounds), and the peak memory the decode adds against
// the body's size. Each size comes with skewed outcomes (a few dominate) and with uniform ones (every
// qubit a fair coin: about 645,000 distinct outcomes in 10^6 shots). Then the answer of a handle of
// many small circuits: 200,000 items of two shots on 1 and on 12 qubits, every item made a record.
//
//   bench_result_decode [large] [many]     (default: both)
//
// The source uses only entry points that the result road has long had, so that scripts/bench-before.sh
// can build it against an earlier revision and print both side by side.

#include <rapidjson/reader.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "norvi/client/results/result_conversion.hpp"
#include "result_answer_body.hpp"
#include "norvi/client/results/result_records.hpp"

namespace client = norvi::client;

namespace {

constexpr std::size_t kQubits = 20;
constexpr int kRounds = 9;

template <typename F>
double seconds(F&& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

long proc_status_kb(const char* field) {
  std::ifstream in("/proc/self/status");
  const std::string prefix = std::string(field) + ":";
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) return std::stol(line.substr(prefix.size()));
  }
  return -1;
}

struct Ignore : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Ignore> {};

// The decoder's own reading flags, so that both passes tokenize alike.
void bare_sax(const std::string& body) {
  rapidjson::StringStream stream(body.c_str());
  rapidjson::Reader reader;
  Ignore handler;
  if (reader.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag>(stream, handler).IsError())
    std::abort();
}

// The road of one pass after the answer arrived: decode, envelope rule, counts into a record.
std::size_t decode_into_counts(const std::string& body, std::size_t shots) {
  auto envelope = client::decode_results_answer(body);
  if (!envelope) std::abort();
  auto items = client::check_results_envelope(std::move(*envelope));
  if (!items || items->size() != 1 || !(*items)[0].result_status || !(*items)[0].result_status->tally) std::abort();
  client::ShotTally& tally = *(*items)[0].result_status->tally;
  auto record = client::build_mitigated_execution_result("task-1", shots, std::move(tally.measured_qubits),
                                                         std::move(tally.counts), nullptr);
  if (!record || !*record) std::abort();
  std::uint64_t total = 0;
  for (const auto& [outcome, n] : (*record)->counts) total += n;
  if (total != shots) std::abort();
  return (*record)->counts.size();
}

// The resident memory `run` adds at its peak, in bytes, and whether the high-water mark could be reset
// to the current resident size first (else the figure is an upper bound).
template <typename F>
std::pair<double, bool> peak_added(F&& run) {
  ::malloc_trim(0);
  { std::ofstream("/proc/self/clear_refs") << "5"; }  // VmHWM back to the current RSS
  const long before_kb = proc_status_kb("VmRSS");
  const bool reset = proc_status_kb("VmHWM") <= before_kb + 1024;
  run();
  return {static_cast<double>(proc_status_kb("VmHWM") - before_kb) * 1024.0, reset};
}

void print_peak(std::pair<double, bool> peak, std::size_t body) {
  std::printf("  peak memory added by the decode: %.1f MB = %.2fx the body%s\n", peak.first / 1e6,
              peak.first / static_cast<double>(body), peak.second ? "" : " (peak could not be reset: an upper bound)");
}

void measure(std::size_t shots, norvi::bench::Outcomes kind) {
  const std::string body = norvi::bench::result_answer_body(shots, kQubits, nullptr, kind);
  const double mb = static_cast<double>(body.size()) / 1e6;

  std::size_t outcomes = 0;
  const auto peak = peak_added([&] { outcomes = decode_into_counts(body, shots); });

  // Best of rounds that alternate the two, so that both meet the same load of a shared machine.
  double sax = 1e300;
  double road = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    sax = std::min(sax, seconds([&] { bare_sax(body); }));
    road = std::min(road, seconds([&] { decode_into_counts(body, shots); }));
  }

  std::printf("answer body: %.1f MB, %zu shot rows of %zu qubits, %s outcomes: %zu distinct\n", mb, shots, kQubits,
              kind == norvi::bench::Outcomes::uniform ? "uniform" : "skewed", outcomes);
  std::printf("  %-44s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass (baseline)", sax * 1e3, mb / sax);
  std::printf("  %-44s %8.1f ms %8.0f MB/s   %.2fx the baseline\n", "result road: decode + count + record", road * 1e3,
              mb / road, road / sax);
  print_peak(peak, body.size());
}

// The road of one pass over an answer of many items: every item made a record, all held at once as a
// wait's results are.
std::vector<norvi::core::ExecutionResult> decode_into_records(const std::string& body, std::size_t items,
                                                              std::size_t shots) {
  auto envelope = client::decode_results_answer(body);
  if (!envelope) std::abort();
  auto decoded = client::check_results_envelope(std::move(*envelope));
  if (!decoded || decoded->size() != items) std::abort();
  std::vector<norvi::core::ExecutionResult> records;
  records.reserve(items);
  for (client::RawResult& item : *decoded) {
    if (!item.result_status || !item.result_status->tally) std::abort();
    client::ShotTally& tally = *item.result_status->tally;
    auto record = client::build_mitigated_execution_result(client::json_value_to_text(item.task_id), shots,
                                                           std::move(tally.measured_qubits), std::move(tally.counts),
                                                           nullptr);
    if (!record || !*record) std::abort();
    records.push_back(std::move(**record));
  }
  return records;
}

void measure_many(std::size_t items, std::size_t qubits, std::size_t shots) {
  const std::string body = norvi::bench::many_items_answer_body(items, qubits, shots);
  const double mb = static_cast<double>(body.size()) / 1e6;

  const auto peak = peak_added([&] { decode_into_records(body, items, shots); });

  constexpr int kManyRounds = 5;
  double sax = 1e300;
  double road = 1e300;
  for (int round = 0; round < kManyRounds; ++round) {
    sax = std::min(sax, seconds([&] { bare_sax(body); }));
    road = std::min(road, seconds([&] { decode_into_records(body, items, shots); }));
  }

  std::printf("answer body: %.1f MB, %zu items of %zu shot rows of %zu qubits\n", mb, items, shots, qubits);
  std::printf("  %-44s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass (baseline)", sax * 1e3, mb / sax);
  std::printf("  %-44s %8.1f ms %8.0f MB/s   %.2fx the baseline\n", "result road: decode + count + records", road * 1e3,
              mb / road, road / sax);
  print_peak(peak, body.size());
  std::printf("  per item: %.2f us, %.0f bytes of peak\n", road / static_cast<double>(items) * 1e6,
              peak.first / static_cast<double>(items));
}

}  // namespace

int main(int argc, char** argv) {
  using norvi::bench::Outcomes;
  bool large = argc == 1;
  bool many = argc == 1;
  for (int i = 1; i < argc; ++i) {
    const std::string_view shape = argv[i];
    if (shape == "large") {
      large = true;
    } else if (shape == "many") {
      many = true;
    } else {
      std::fprintf(stderr, "usage: %s [large] [many]\n", argv[0]);
      return 2;
    }
  }
  if (large) {
    const std::size_t small = norvi::bench::shots_for_bytes(10'000'000, kQubits);
    for (const Outcomes kind : {Outcomes::skewed, Outcomes::uniform}) {
      measure(small, kind);
      measure(1'000'000, kind);
    }
  }
  if (many) {
    for (const std::size_t qubits : {1, 12}) measure_many(200'000, qubits, 2);
  }
  return 0;
}
