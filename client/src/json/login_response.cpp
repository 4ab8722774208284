#include "norvi/client/json/login_response.hpp"

namespace norvi::client {

const json::Record& json_record(json::TypeTag<LoginData>) {
  static const json::Record record =
      json::record<LoginData>("LoginData", json::field<&LoginData::access_token>("access_token"));
  return record;
}

const json::Record& json_record(json::TypeTag<LoginResponse>) {
  static const json::Record record = json::record<LoginResponse>(
      "LoginResponse", json::field<&LoginResponse::code>("code"), json::field<&LoginResponse::message>("message"),
      json::field<&LoginResponse::data>("data"));
  return record;
}

}  // namespace norvi::client
