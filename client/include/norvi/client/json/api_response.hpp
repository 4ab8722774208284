#pragma once
// The response envelope of every platform endpoint but the login: { code, message, data }, generic over
// the endpoint's payload (a declared record, a list of records, or a generic json::Value).
//
//   auto envelope = json::decode<ApiResponse<std::vector<RawDevice>>>(body);

#include <cstdint>
#include <optional>
#include <string>

#include "norvi/client/json/record.hpp"

namespace norvi::client {

template <typename Payload>
struct ApiResponse {
  std::int64_t code = 0;
  std::optional<std::string> message;  // absent or null: none
  std::optional<Payload> data;         // absent or null: none
};

template <typename Payload>
const json::Record& json_record(json::TypeTag<ApiResponse<Payload>>) {
  using R = ApiResponse<Payload>;
  static const json::Record record = json::record<R>(
      "ApiResponse", json::field<&R::code>("code"), json::field<&R::message>("message"), json::field<&R::data>("data"));
  return record;
}

}  // namespace norvi::client
