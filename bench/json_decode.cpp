// Decoding a result answer of a million shot rows of 20 integers (about 42 MB, the body the result
// road's benchmark reads too):
// - the layer's streaming path: the envelope and the result items are the client's declared records
//   read straight from the SAX events, and the shot rows are counted per outcome by the client's own
//   shot-row codec, without a tree;
// - for reference, the same body parsed into the generic value (the arena tree);
// beside RapidJSON's bare SAX pass (a handler that does nothing) over the same bytes, in the same run,
// best of five: once with kParseFullPrecisionFlag, once with the flags the layer itself reads with. The peak memory each decode adds is measured against the body's size (VmHWM, reset
// before each measurement where the kernel allows it).

#include "timing.hpp"
#include <rapidjson/reader.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "norvi/client/json/decode.hpp"
#include "norvi/client/results/result_records.hpp"
#include "result_answer_body.hpp"

namespace json = norvi::client::json;
namespace client = norvi::client;

namespace {

constexpr std::size_t kRows = 1'000'000;
constexpr std::size_t kWidth = 20;

// kB from /proc/self/status ("VmRSS", "VmHWM").
long status_kb(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// The peak resident memory that `f` adds, in bytes (its result still held when measured).
long peak_increase(const std::function<void()>& f) {
  { std::ofstream("/proc/self/clear_refs") << "5"; }  // resets VmHWM to the current RSS
  const long before = status_kb("VmRSS");
  if (status_kb("VmHWM") > before + 1024) std::printf("(VmHWM could not be reset: the peak below is an upper bound)\n");
  f();
  return (status_kb("VmHWM") - before) * 1024;
}

struct Nothing : rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Nothing> {};

template <unsigned Flags>
void bare_pass(const std::string& body) {
  rapidjson::StringStream stream(body.c_str());
  rapidjson::Reader reader;
  Nothing handler;
  if (reader.Parse<Flags>(stream, handler).IsError()) std::abort();
}

}  // namespace

int main() {
  std::size_t generated_ones = 0;
  const std::string body = norvi::bench::result_answer_body(kRows, kWidth, &generated_ones);
  const double mb = static_cast<double>(body.size()) / 1e6;
  constexpr int kRuns = 5;

  // The tokenizer's configuration (full-precision floats), and the layer's own flags: it validates the
  // UTF-8 of strings, stops after the root value and reads floats again itself, so RapidJSON's own
  // full-precision conversion is not used.
  constexpr unsigned kLayerFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag;
  const double bare = norvi::bench::best_seconds(kRuns, [&] { bare_pass<kLayerFlags>(body); });
  const double bare_full = norvi::bench::best_seconds(kRuns, [&] { bare_pass<rapidjson::kParseFullPrecisionFlag>(body); });

  std::size_t rows = 0;
  std::size_t ones = 0;
  const long streaming_peak = peak_increase([&] {
    auto envelope = json::decode<client::ResultsEnvelope>(body);
    if (!envelope) {
      std::fprintf(stderr, "decode failed: %s\n", envelope.error().text().c_str());
      std::exit(1);
    }
    const auto& items = envelope->data->items;
    if (items.size() != 1 || !items[0].result_status || !items[0].result_status->tally) {
      std::fprintf(stderr, "the streaming decode found no shot rows\n");
      std::exit(1);
    }
    const client::ShotTally& tally = *items[0].result_status->tally;
    for (const auto& [outcome, count] : tally.counts) {
      rows += count;
      ones += count * static_cast<std::size_t>(std::popcount(outcome.word(0)));
    }
    if (rows != kRows || tally.measured_qubits.size() != kWidth || ones != generated_ones) {
      std::fprintf(stderr, "the streaming decode read the table wrongly\n");
      std::exit(1);
    }
  });
  const double streaming = norvi::bench::best_seconds(kRuns, [&] {
    if (!json::decode<client::ResultsEnvelope>(body)) std::abort();
  });

  const long tree_peak = peak_increase([&] {
    if (!json::parse(body)) std::abort();
  });
  const double tree = norvi::bench::best_seconds(3, [&] {
    if (!json::parse(body)) std::abort();
  });

  std::printf("body: %.1f MB, %zu shot rows of %zu integers (%zu ones)\n", mb, rows, kWidth, ones);
  std::printf("%-52s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass, kParseFullPrecisionFlag", bare_full * 1e3, mb / bare_full);
  std::printf("%-52s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass, the layer's own flags", bare * 1e3, mb / bare);
  std::printf("%-52s %8.1f ms %8.0f MB/s   %.2fx / %.2fx the bare passes\n", "streaming decode into records + outcome counts",
              streaming * 1e3, mb / streaming, streaming / bare_full, streaming / bare);
  std::printf("%-52s %8.1f ms %8.0f MB/s   %.2fx / %.2fx the bare passes\n", "generic value (arena tree), for reference",
              tree * 1e3, mb / tree, tree / bare_full, tree / bare);
  std::printf("peak memory added: streaming %.1f MB (%.2fx the body), generic value %.1f MB (%.2fx the body)\n",
              static_cast<double>(streaming_peak) / 1e6, static_cast<double>(streaming_peak) / static_cast<double>(body.size()),
              static_cast<double>(tree_peak) / 1e6, static_cast<double>(tree_peak) / static_cast<double>(body.size()));
  std::printf("targets: streaming within 1.5x of the bare pass: %s (against the layer's own flags: %s); "
              "peak below twice the body: %s\n",
              streaming <= 1.5 * bare_full ? "met" : "MISSED", streaming <= 1.5 * bare ? "met" : "missed",
              static_cast<double>(streaming_peak) < 2.0 * static_cast<double>(body.size()) ? "met" : "MISSED");
  return 0;
}
