#include "norvi/client/results/result_records.hpp"

#include <fmt/format.h>

#include <utility>

#include "norvi/client/api_call.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/symbolic/number_format.hpp"

namespace norvi::client {

const json::Record& json_record(json::TypeTag<RawResult>) {
  static const json::Record record = json::record<RawResult>(
      "RawResult", json::field<&RawResult::task_id>("experimentTaskId").alias("queryId").alias("query_id"),
      json::field<&RawResult::status>("status"),
      json::field<&RawResult::result_status>("resultStatus").or_default(),
      json::field<&RawResult::probability>("probability").or_default());
  return record;
}

const json::Record& json_record(json::TypeTag<QueryResponseData>) {
  static const json::Record record = json::record<QueryResponseData>(
      "QueryResponseData", json::field<&QueryResponseData::items>("experimentResultModelList"));
  return record;
}

namespace {

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

json::DecodeResult<ResultsEnvelope> decode_results_answer(const std::string& body) {
  if (auto direct = json::decode<ResultsEnvelope>(body)) return direct;
  // Something did not decode straight from the text (or a key was repeated, which the generic value
  // collapses): the generic reading decides what failed.
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
