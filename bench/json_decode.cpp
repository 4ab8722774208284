// Decoding a result-shaped body of a million shot rows of 20 integers (about 42 MB):
// - the layer's streaming path: the envelope and the result items are declared records read straight
//   from the SAX events, and the shot rows go into a flat table (one byte per outcome bit) through a
//   codec of their own, without a tree;
// - for reference, the same body parsed into the generic value (the arena tree);
// beside RapidJSON's bare SAX pass (a handler that does nothing) over the same bytes, in the same run,
// best of five: once with kParseFullPrecisionFlag, once with the flags the layer itself reads with. The peak memory each decode adds is measured against the body's size (VmHWM, reset
// before each measurement where the kernel allows it).

#include <rapidjson/reader.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "json/decoder.hpp"
#include "norvi/client/json/api_response.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/record.hpp"

namespace json = norvi::client::json;

namespace {

constexpr std::size_t kRows = 1'000'000;
constexpr std::size_t kWidth = 20;

// ---------------------------------------------------------------------------------------------------
// The streaming record: shot rows as a flat bit table. The first row names the measured qubits; a
// later row of another length is dropped; an element counts as 1 only when it is the integer 1.

struct ShotTable {
  std::vector<std::uint32_t> qubits;
  std::vector<std::uint8_t> bits;  // rows × qubits.size()
  std::size_t rows = 0;
};

class ShotTableFrame final : public json::Frame {
 public:
  explicit ShotTableFrame(ShotTable* out) : out_(out) {}

  bool value(json::Decoder& d, const json::Event& e) override {
    if (!in_row_) {  // a row begins; anything but an array is not a row
      if (e.kind != json::EventKind::array) return d.skip(e);
      in_row_ = true;
      d.clear_collected();  // integers between rows are not rows
      return true;
    }
    if (first_) {
      if (e.kind == json::EventKind::unsigned_integer) out_->qubits.push_back(static_cast<std::uint32_t>(e.unsigned_integer));
    } else {
      take(d);
      mixed_.push_back(0);  // a shot element that is not an integer of zero or more reads as 0
    }
    return d.skip(e);
  }

  json::Step end(json::Decoder& d) override {
    if (!in_row_) return json::Step::done;
    in_row_ = false;
    if (first_) {
      // From here on the integers of the shot rows are collected without a call each, and each row is
      // read at its end.
      first_ = false;
      d.collect_unsigned_integers(true);
      return json::Step::more;
    }
    std::span<const std::uint64_t> row = d.collected();
    if (!mixed_.empty()) {
      take(d);
      row = mixed_;
    }
    if (row.size() == out_->qubits.size()) {  // a row of another length is dropped
      std::vector<std::uint8_t>& bits = out_->bits;
      const std::size_t at = bits.size();
      bits.resize(at + row.size());
      std::uint8_t* p = bits.data() + at;
      for (const std::uint64_t v : row) *p++ = v == 1;
      ++out_->rows;
    }
    d.clear_collected();
    mixed_.clear();
    return json::Step::more;
  }

 private:
  // The collected integers, moved behind the row's other elements to keep the order.
  void take(json::Decoder& d) {
    const auto collected = d.collected();
    mixed_.insert(mixed_.end(), collected.begin(), collected.end());
    d.clear_collected();
  }

  ShotTable* out_;
  std::vector<std::uint64_t> mixed_;  // a row that holds more than integers
  bool in_row_ = false;
  bool first_ = true;
};

bool begin_shot_table(json::Decoder& d, const json::Codec& self, void* out, const json::Event& e) {
  if (e.kind != json::EventKind::array) return d.invalid_type(e, self.expected);
  return d.push<ShotTableFrame>(static_cast<ShotTable*>(out));
}

const json::Codec& json_codec(json::TypeTag<ShotTable>) {
  static constexpr json::Codec codec{"a sequence", &begin_shot_table};
  return codec;
}

struct ResultItem {
  std::optional<json::Value> task_id;
  std::optional<ShotTable> result_status;
  std::optional<json::Value> probability;
};

const json::Record& json_record(json::TypeTag<ResultItem>) {
  static const json::Record record = json::record<ResultItem>(
      "ResultItem", json::field<&ResultItem::task_id>("taskId"),
      json::field<&ResultItem::result_status>("resultStatus").or_default(),
      json::field<&ResultItem::probability>("probability").or_default());
  return record;
}

using Envelope = norvi::client::ApiResponse<std::vector<ResultItem>>;

// ---------------------------------------------------------------------------------------------------

// The body, and the number of shot elements that are 1 in it.
std::string make_body(std::size_t& ones) {
  std::string body = R"({"code":0,"message":"ok","data":[{"taskId":"t1","resultStatus":[[)";
  for (std::size_t q = 0; q < kWidth; ++q) body += (q ? "," : "") + std::to_string(q);
  body += ']';
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (std::size_t r = 0; r < kRows; ++r) {
    body += ",[";
    for (std::size_t q = 0; q < kWidth; ++q) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      if (q) body += ',';
      body += static_cast<char>('0' + (state >> 63));
      ones += state >> 63;
    }
    body += ']';
  }
  body += R"(],"probability":null}]})";
  return body;
}

double seconds_of(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double best_of(int runs, const std::function<void()>& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) best = std::min(best, seconds_of(f));
  return best;
}

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
  const std::string body = make_body(generated_ones);
  const double mb = static_cast<double>(body.size()) / 1e6;
  constexpr int kRuns = 5;

  // The tokenizer's configuration (full-precision floats), and the layer's own flags: it validates the
  // UTF-8 of strings, stops after the root value and reads floats again itself, so RapidJSON's own
  // full-precision conversion is not used.
  constexpr unsigned kLayerFlags = rapidjson::kParseValidateEncodingFlag | rapidjson::kParseStopWhenDoneFlag;
  const double bare = best_of(kRuns, [&] { bare_pass<kLayerFlags>(body); });
  const double bare_full = best_of(kRuns, [&] { bare_pass<rapidjson::kParseFullPrecisionFlag>(body); });

  std::size_t rows = 0;
  std::size_t ones = 0;
  const long streaming_peak = peak_increase([&] {
    auto envelope = json::decode<Envelope>(body);
    if (!envelope) {
      std::fprintf(stderr, "decode failed: %s\n", envelope.error().text().c_str());
      std::exit(1);
    }
    const ShotTable& table = *envelope->data->at(0).result_status;
    rows = table.rows;
    for (std::uint8_t b : table.bits) ones += b;
    if (rows != kRows || table.bits.size() != kRows * kWidth || table.qubits.size() != kWidth || ones != generated_ones) {
      std::fprintf(stderr, "the streaming decode read the table wrongly\n");
      std::exit(1);
    }
  });
  const double streaming = best_of(kRuns, [&] {
    if (!json::decode<Envelope>(body)) std::abort();
  });

  const long tree_peak = peak_increase([&] {
    if (!json::parse(body)) std::abort();
  });
  const double tree = best_of(3, [&] {
    if (!json::parse(body)) std::abort();
  });

  std::printf("body: %.1f MB, %zu shot rows of %zu integers (%zu ones)\n", mb, rows, kWidth, ones);
  std::printf("%-52s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass, kParseFullPrecisionFlag", bare_full * 1e3, mb / bare_full);
  std::printf("%-52s %8.1f ms %8.0f MB/s\n", "RapidJSON bare SAX pass, the layer's own flags", bare * 1e3, mb / bare);
  std::printf("%-52s %8.1f ms %8.0f MB/s   %.2fx / %.2fx the bare passes\n", "streaming decode into records + shot table",
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
