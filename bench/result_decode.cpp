// The result road's decoder on answers of about 10 MB and 42 MB: one result item of shot rows on 20
// qubits, read into records and counted per outcome, beside RapidJSON's bare SAX pass over the same
// bytes in the same run (best of nine alternating rounds), and the peak memory the decode adds against
// the body's size. Each size comes with skewed outcomes (a few dominate) and with uniform ones (every
// qubit a fair coin: about 645,000 distinct outcomes in 10^6 shots).

#include <rapidjson/reader.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>

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

void measure(std::size_t shots, norvi::bench::Outcomes kind) {
  const std::string body = norvi::bench::result_answer_body(shots, kQubits, nullptr, kind);
  const double mb = static_cast<double>(body.size()) / 1e6;

  ::malloc_trim(0);
  { std::ofstream("/proc/self/clear_refs") << "5"; }  // VmHWM back to the current RSS
  const long before_kb = proc_status_kb("VmRSS");
  const bool reset = proc_status_kb("VmHWM") <= before_kb + 1024;
  const std::size_t outcomes = decode_into_counts(body, shots);
  const double peak = static_cast<double>(proc_status_kb("VmHWM") - before_kb) * 1024.0;

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
  std::printf("  peak memory added by the decode: %.1f MB = %.2fx the body%s\n", peak / 1e6,
              peak / static_cast<double>(body.size()), reset ? "" : " (peak could not be reset: an upper bound)");
}

}  // namespace

int main() {
  using norvi::bench::Outcomes;
  const std::size_t small = norvi::bench::shots_for_bytes(10'000'000, kQubits);
  for (const Outcomes kind : {Outcomes::skewed, Outcomes::uniform}) {
    measure(small, kind);
    measure(1'000'000, kind);
  }
  return 0;
}
