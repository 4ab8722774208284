// The credentials file's JSON form: the record it decodes into and the text it is written as.

#include "norvi/client/credentials.hpp"
#include "norvi/client/json/decode.hpp"
#include "norvi/client/json/record.hpp"
#include "norvi/client/json/encode.hpp"

namespace norvi::client {

const json::Record& json_record(json::TypeTag<Credentials>) {
  static const json::Record record = json::record<Credentials>(
      "Credentials", json::field<&Credentials::api_key>("api_key"),
      json::field<&Credentials::access_token>("access_token"),
      json::field<&Credentials::token_obtained_at>("token_obtained_at"));
  return record;
}

std::string credentials_file_text(const Credentials& credentials) {
  return json::encode(credentials, json::Writer::Layout::pretty);
}

Result<Credentials> credentials_from_json(const std::string& text) {
  auto decoded = json::decode<Credentials>(text);
  if (!decoded) return fail(decoded.error());
  return std::move(*decoded);
}

}  // namespace norvi::client
