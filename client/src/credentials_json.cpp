// The credentials file's JSON form.

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "norvi/client/credentials.hpp"

namespace norvi::client {

std::string credentials_file_text(const Credentials& credentials) {
  rapidjson::StringBuffer buffer;
  rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
  writer.SetIndent(' ', 2);
  writer.StartObject();
  writer.Key("api_key");
  writer.String(credentials.api_key.data(), static_cast<rapidjson::SizeType>(credentials.api_key.size()));
  writer.Key("access_token");
  writer.String(credentials.access_token.data(), static_cast<rapidjson::SizeType>(credentials.access_token.size()));
  writer.Key("token_obtained_at");
  writer.Int64(credentials.token_obtained_at);
  writer.EndObject();
  return {buffer.GetString(), buffer.GetSize()};
}

}  // namespace norvi::client
