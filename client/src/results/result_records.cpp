#include "norvi/client/results/result_records.hpp"

#include <fmt/format.h>

#include <utility>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/symbolic/number_format.hpp"
#include "results/counted_shots.hpp"

namespace norvi::client {
namespace {

// The records of a result item and of the answer's data, over the type that reads the shot records.
template <typename Item>
json::Record raw_result_record() {
  return json::record<Item>("RawResult",
                            json::field<&Item::task_id>("experimentTaskId").alias("queryId").alias("query_id"),
                            json::field<&Item::status>("status"),
                            json::field<&Item::result_status>("resultStatus").or_default(),
                            json::field<&Item::probability>("probability").or_default());
}

template <typename Data>
json::Record query_response_record() {
  return json::record<Data>("QueryResponseData", json::field<&Data::items>("experimentResultModelList"));
}

}  // namespace

const json::Record& json_record(json::TypeTag<RawResult>) {
  static const json::Record record = raw_result_record<RawResult>();
  return record;
}

const json::Record& json_record(json::TypeTag<QueryResponseData>) {
  static const json::Record record = query_response_record<QueryResponseData>();
  return record;
}

namespace {

// A result item and the answer's data as the answer text is read, their counts not yet settled.
struct PendingRawResult {
  std::optional<json::Value> task_id;
  std::optional<std::int64_t> status;
  std::optional<detail::PendingShotRecords> result_status;
  std::optional<json::Value> probability;
};

const json::Record& json_record(json::TypeTag<PendingRawResult>) {
  static const json::Record record = raw_result_record<PendingRawResult>();
  return record;
}

struct PendingResponseData {
  std::vector<PendingRawResult> items;
};

const json::Record& json_record(json::TypeTag<PendingResponseData>) {
  static const json::Record record = query_response_record<PendingResponseData>();
  return record;
}

ResultsEnvelope settle(ApiResponse<PendingResponseData>&& pending) {
  ResultsEnvelope envelope{pending.code, std::move(pending.message), std::nullopt};
  if (pending.data) {
    QueryResponseData& data = envelope.data.emplace();
    data.items.reserve(pending.data->items.size());
    for (PendingRawResult& item : pending.data->items) {
      std::optional<ShotRecords> records;
      if (item.result_status) records = detail::settle(std::move(*item.result_status));
      data.items.push_back({std::move(item.task_id), item.status, std::move(records), std::move(item.probability)});
      item.result_status.reset();  // its word table goes before the next item's counts are made
    }
  }
  return envelope;
}

// The answer with its items held as generic values.
struct QueryResponseValues {
  std::vector<json::Value> items;
};

const json::Record& json_record(json::TypeTag<QueryResponseValues>) {
  static const json::Record record = json::record<QueryResponseValues>(
      "QueryResponseData", json::field<&QueryResponseValues::items>("experimentResultModelList"));
  return record;
}

}  // namespace

json::DecodeResult<RawResult> deserialize_raw_result(const json::Value& item) { return json::decode<RawResult>(item); }

namespace {

// Something did not decode straight from the text (or a key was repeated, which the generic value
// collapses): the generic reading decides what failed.
json::DecodeResult<ResultsEnvelope> decode_held_items(const std::string& body) {
  auto held = json::decode<ApiResponse<QueryResponseValues>>(body);
  if (!held) return std::unexpected(std::move(held.error()));
  ResultsEnvelope envelope{held->code, std::move(held->message), std::nullopt};
  if (held->data) {
    QueryResponseData& data = envelope.data.emplace();
    data.items.reserve(held->data->items.size());
    for (const json::Value& value : held->data->items) {
      auto item = deserialize_raw_result(value);
      if (!item) {
        data.items.clear();
        data.item_error = std::move(item.error());
        break;
      }
      data.items.push_back(std::move(*item));
    }
  }
  return envelope;
}

// `release`, when given, is the body itself, released once read straight into the records.
json::DecodeResult<ResultsEnvelope> decode_answer(const std::string& body, std::string* release) {
  auto direct = json::decode<ApiResponse<PendingResponseData>>(body);
  if (!direct) return decode_held_items(body);
  if (release != nullptr) std::string().swap(*release);
  return settle(std::move(*direct));
}

}  // namespace

json::DecodeResult<ResultsEnvelope> decode_results_answer(const std::string& body) { return decode_answer(body, nullptr); }

json::DecodeResult<ResultsEnvelope> decode_results_answer(std::string&& body) { return decode_answer(body, &body); }

Result<std::vector<RawResult>> check_results_envelope(ResultsEnvelope envelope) {
  if (auto checked = detail::check_envelope(envelope.code, envelope.message, envelope.data.has_value()); !checked)
    return fail(std::move(checked.error()));
  if (envelope.data->item_error) return fail(*envelope.data->item_error);
  return std::move(envelope.data->items);
}

std::string json_value_to_text(const std::optional<json::Value>& task_id) {
  if (!task_id) return "unknown";
  if (auto text = task_id->as_string()) return std::string(*text);
  if (auto u = task_id->as_u64()) return fmt::format("{}", *u);
  if (auto i = task_id->as_i64()) return fmt::format("{}", *i);
  if (task_id->is_floating()) return symbolic::format_json_number(*task_id->as_f64());
  return "unknown";
}

}  // namespace norvi::client
