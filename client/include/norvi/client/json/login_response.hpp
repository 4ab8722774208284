#pragma once
// The login exchange's answer: { code, message, data: { access_token } }.

#include <cstdint>
#include <optional>
#include <string>

#include "norvi/client/json/record.hpp"

namespace norvi::client {

struct LoginData {
  std::string access_token;
};

struct LoginResponse {
  std::int64_t code = 0;
  std::optional<std::string> message;  // absent or null: none
  std::optional<LoginData> data;       // absent or null: none
};

const json::Record& json_record(json::TypeTag<LoginData>);
const json::Record& json_record(json::TypeTag<LoginResponse>);

}  // namespace norvi::client
