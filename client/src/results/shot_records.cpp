// Counting per-shot records while they are read. The first row names the measured qubits (integers of
// zero or more, reduced to 32 bits; anything else in it is passed over); a later row counts when it is
// an array of exactly that many elements, element k giving outcome bit k, set only by the integer 1.
// From the first shot row on, the integers arrive through the decoder's collection, so a row costs
// one call at its end rather than one per element, and outcomes of up to 64 bits are counted by their
// word in a flat table.

#include <span>
#include <utility>
#include <vector>

#include "json/decoder.hpp"
#include "norvi/client/results/result_records.hpp"
#include "results/word_counts.hpp"

namespace norvi::client {
namespace {

class ShotRecordsFrame final : public json::Frame {
 public:
  // The tally fills in place and is dropped at the end when it holds no shot.
  explicit ShotRecordsFrame(ShotRecords* out) : out_(out), qubits_(out->tally.emplace().measured_qubits), counts_(out->tally->counts) {}

  bool value(json::Decoder& d, const json::Event& e) override {
    if (!in_row_) {
      if (state_ == State::rows && e.kind == json::EventKind::array) {
        in_row_ = true;
        d.clear_collected();  // integers between rows are no rows
        mixed_.clear();
        return true;
      }
      if (state_ == State::first_row && e.kind == json::EventKind::array) {
        in_row_ = true;
        return true;
      }
      if (state_ == State::first_row) state_ = State::nothing;  // the first element must be a row
      return d.skip(e);
    }
    if (state_ == State::first_row) {
      if (e.kind == json::EventKind::unsigned_integer) qubits_.push_back(static_cast<std::uint32_t>(e.unsigned_integer));
    } else {
      take(d);
      mixed_.push_back(e.kind == json::EventKind::unsigned_integer ? e.unsigned_integer : 0);
    }
    return d.skip(e);
  }

  json::Step end(json::Decoder& d) override {
    if (!in_row_) {  // the records end
      d.collect_unsigned_integers(false);
      d.clear_collected();
      if (!word_counts_.empty()) counts_ = word_counts_.to_counts();
      if (state_ != State::rows || counts_.empty()) out_->tally.reset();
      return json::Step::done;
    }
    in_row_ = false;
    if (state_ == State::first_row) {
      if (qubits_.empty()) {
        state_ = State::nothing;
      } else {
        state_ = State::rows;
        d.collect_unsigned_integers(true);
      }
      return json::Step::more;
    }
    std::span<const std::uint64_t> row = d.collected();
    if (!mixed_.empty()) {
      take(d);
      row = mixed_;
    }
    if (row.size() == qubits_.size() && row.size() <= 64) {
      std::uint64_t word = 0;
      for (std::size_t k = 0; k < row.size(); ++k) word |= std::uint64_t{row[k] == 1} << k;
      word_counts_.add(word);
    } else if (row.size() == qubits_.size()) {
      core::OutcomeBits outcome((row.size() + 63) / 64);
      for (std::size_t k = 0; k < row.size(); ++k) {
        if (row[k] == 1) outcome.set_bit(k);
      }
      ++counts_[std::move(outcome)];
    }
    d.clear_collected();
    mixed_.clear();
    return json::Step::more;
  }

 private:
  enum class State : std::uint8_t { first_row, rows, nothing };

  // The integers collected so far, put before the row's next element to keep the order.
  void take(json::Decoder& d) {
    const auto collected = d.collected();
    mixed_.insert(mixed_.end(), collected.begin(), collected.end());
    d.clear_collected();
  }

  ShotRecords* out_;
  State state_ = State::first_row;
  bool in_row_ = false;
  std::vector<std::uint32_t>& qubits_;
  core::OutcomeCounts& counts_;
  detail::WordCounts word_counts_;    // outcomes of up to 64 bits, moved into counts_ at the end
  std::vector<std::uint64_t> mixed_;  // a row that holds more than integers of zero or more
};

bool begin_shot_records(json::Decoder& d, const json::Codec&, void* out, const json::Event& e) {
  auto* records = static_cast<ShotRecords*>(out);
  records->tally.reset();
  if (e.kind != json::EventKind::array) return d.skip(e);  // any other value holds no records
  return d.push<ShotRecordsFrame>(records);
}

}  // namespace

const json::Codec& json_codec(json::TypeTag<ShotRecords>) {
  static constexpr json::Codec codec{"a sequence", &begin_shot_records};
  return codec;
}

}  // namespace norvi::client
