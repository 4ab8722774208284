#pragma once
// The result query's wire records: the answer's list of result items and one result item, whose
// per-shot records are counted straight from the JSON events (no tree of one node per number).
//
//   auto item = deserialize_raw_result(value);        // one item held as a generic value
//   auto name = json_value_to_text(item->task_id);    // "t-1", "42", "unknown"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "norvi/client/error.hpp"
#include "norvi/client/json/api_response.hpp"
#include "norvi/client/json/codec.hpp"
#include "norvi/client/json/error.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/client/json/value.hpp"
#include "norvi/client/results/shot_records.hpp"

namespace norvi::client {

// One result item: an object (the task id also as `queryId` or `query_id`), or an array by position.
struct RawResult {
  std::optional<json::Value> task_id;
  std::optional<std::int64_t> status;
  std::optional<ShotRecords> result_status;
  std::optional<json::Value> probability;
};
const json::Record& json_record(json::TypeTag<RawResult>);

// The `data` of the result query's answer.
struct QueryResponseData {
  std::vector<RawResult> items;  // "experimentResultModelList"
  // The first item that did not decode: the envelope itself decoded, so the pass fails with this after
  // the envelope rule.
  std::optional<json::DecodeError> item_error;
};
const json::Record& json_record(json::TypeTag<QueryResponseData>);

using ResultsEnvelope = ApiResponse<QueryResponseData>;

// The answer body of the result query. Read straight into the records when it can be; otherwise the
// items are held as generic values and decoded one by one, so that an envelope that does not decode
// and an item that does not decode are told apart (a key repeated in an item keeps its last value).
json::DecodeResult<ResultsEnvelope> decode_results_answer(const std::string& body);
// The same, releasing the body once it is read and before the outcome maps are made: a result of many
// distinct outcomes then never holds the text and its maps at once.
json::DecodeResult<ResultsEnvelope> decode_results_answer(std::string&& body);

// One result item from a generic value.
json::DecodeResult<RawResult> deserialize_raw_result(const json::Value& item);

// The envelope rule, then the first item that did not decode (Json); else the items.
Result<std::vector<RawResult>> check_results_envelope(ResultsEnvelope envelope);

// The result name of a task id: a string unchanged, an integer in decimal, another number in its
// shortest JSON form, anything else (or none) "unknown".
std::string json_value_to_text(const std::optional<json::Value>& task_id);

}  // namespace norvi::client
