#pragma once
// The login exchange: an API key in, credentials with a fresh access token out.

#include <string>

#include "norvi/client/clock.hpp"
#include "norvi/client/config.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/client/error.hpp"

namespace norvi::client {

// The login endpoint, after the base URL.
inline constexpr const char* kLoginPath = "/zelm-auth/oauth2/sdk/opnId";

// POSTs the key as a form to the login endpoint over a client of its own (30 s limit), decodes the
// answer whatever its status, and stamps the token with `clock`'s wall time. Failures: Http for the
// transport and for an answer that is not a login document; Auth with the platform's message, "login
// failed with code {}" or "login response missing 'data' field".
Result<Credentials> login_with_api_key(const std::string& api_key, const BrevoraConfig& config,
                                       const Clock& clock = system_clock());

}  // namespace norvi::client
