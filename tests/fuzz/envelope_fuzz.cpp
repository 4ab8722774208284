// An answer body as the platform hands it to the client, decoded as the envelope with each payload the
// client reads through it: a generic value (the configuration road), the device listing with each
// entry mapped to a backend, and the login answer. A generic payload written as text and parsed again
// must be the same value.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "norvi/client/api_call.hpp"
#include "norvi/client/backend.hpp"
#include "norvi/client/json/login_response.hpp"
#include "norvi/client/json/write.hpp"
#include "property.hpp"

namespace client = norvi::client;
namespace json = norvi::client::json;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);

  if (auto generic = json::decode<client::ApiResponse<json::Value>>(body)) {
    (void)client::detail::check_envelope(generic->code, generic->message, generic->data.has_value());
    if (generic->data) {
      auto again = json::parse(json::to_text(*generic->data));
      norvi::fuzz::require(again && *again == *generic->data, "a generic value written and parsed again is the same value");
    }
  }

  if (auto listing = json::decode<client::ApiResponse<std::vector<client::RawDevice>>>(body); listing && listing->data) {
    for (client::RawDevice& entry : *listing->data) (void)client::map_raw_device(std::move(entry), nullptr);
  }

  (void)json::decode<client::LoginResponse>(body);
  return 0;
}
