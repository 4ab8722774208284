// Counting per-shot records while they are read. The first row names the measured qubits (integers of
// zero or more, reduced to 32 bits; anything else in it is passed over); a later row counts when it is
// an array of exactly that many elements, element k giving outcome bit k, set only by the integer 1.
// From the first shot row on, the integers arrive through the decoder's collection, so a row costs
// one call at its end rather than one per element, and outcomes of up to 64 bits are counted by their
// word in a flat table. ShotRecords settles the counts into one map where the records end; the result
// road's own reading of the answer text settles them after the text is released.

#include "norvi/client/results/shot_records.hpp"

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "json/decoder.hpp"
#include "results/counted_shots.hpp"

namespace norvi::client {
namespace detail {

ShotTally settle(CountedShots&& counted) {
  ShotTally tally{std::move(counted.measured_qubits), std::move(counted.wide)};
  counted.words.move_into(tally.counts);
  return tally;
}

ShotRecords settle(PendingShotRecords&& pending) {
  ShotRecords records;
  if (pending.tally) records.tally = settle(std::move(*pending.tally));
  pending.tally.reset();
  return records;
}

}  // namespace detail

namespace {

void deliver(ShotRecords& out, detail::CountedShots&& counted) { out.tally = detail::settle(std::move(counted)); }
void deliver(detail::PendingShotRecords& out, detail::CountedShots&& counted) { out.tally.emplace(std::move(counted)); }

template <typename Out>
class ShotRecordsFrame final : public json::Frame {
 public:
  // The output gets a tally at the end when shots were counted.
  explicit ShotRecordsFrame(Out* out) : out_(out) {}

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
      if (e.kind == json::EventKind::unsigned_integer) first_row_.push_back(static_cast<std::uint32_t>(e.unsigned_integer));
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
      if (counted_ && !counted_->empty()) deliver(*out_, std::move(*counted_));
      return json::Step::done;
    }
    in_row_ = false;
    if (state_ == State::first_row) {
      if (first_row_.empty()) {
        state_ = State::nothing;
      } else {
        state_ = State::rows;
        counted_ = std::make_unique<detail::CountedShots>(std::move(first_row_));
        d.collect_unsigned_integers(true);
      }
      return json::Step::more;
    }
    std::span<const std::uint64_t> row = d.collected();
    if (!mixed_.empty()) {
      take(d);
      row = mixed_;
    }
    const std::size_t width = counted_->measured_qubits.size();
    if (row.size() == width && width <= 64) {
      std::uint64_t word = 0;
      for (std::size_t k = 0; k < row.size(); ++k) word |= std::uint64_t{row[k] == 1} << k;
      counted_->words.add(word);
    } else if (row.size() == width) {
      core::OutcomeBits outcome((row.size() + 63) / 64);
      for (std::size_t k = 0; k < row.size(); ++k) {
        if (row[k] == 1) outcome.set_bit(k);
      }
      ++counted_->wide[std::move(outcome)];
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

  Out* out_;
  State state_ = State::first_row;
  bool in_row_ = false;
  std::vector<std::uint32_t> first_row_;            // the measured qubits while the first row is read
  std::unique_ptr<detail::CountedShots> counted_;  // from the first row's end on
  std::vector<std::uint64_t> mixed_;               // a row that holds more than integers of zero or more
};

template <typename Out>
bool begin_shot_records(json::Decoder& d, const json::Codec&, void* out, const json::Event& e) {
  auto* records = static_cast<Out*>(out);
  records->tally.reset();
  if (e.kind != json::EventKind::array) return d.skip(e);  // any other value holds no records
  return d.push<ShotRecordsFrame<Out>>(records);
}

}  // namespace

const json::Codec& json_codec(json::TypeTag<ShotRecords>) {
  static constexpr json::Codec codec{"a sequence", &begin_shot_records<ShotRecords>};
  return codec;
}

const json::Codec& detail::json_codec(json::TypeTag<detail::PendingShotRecords>) {
  static constexpr json::Codec codec{"a sequence", &begin_shot_records<detail::PendingShotRecords>};
  return codec;
}

}  // namespace norvi::client
