#pragma once
// The login exchange (an API key in, credentials with a fresh access token out), and the two ways a
// platform object comes by its credentials: logging in, or the file an earlier login wrote.

#include <string>

#include "norvi/client/clock.hpp"
#include "norvi/client/config.hpp"
#include "norvi/client/credentials.hpp"
#include "norvi/client/error.hpp"

namespace norvi::client {

// The login endpoint, after the base URL.
inline constexpr const char* kLoginPath = "/zelm-auth/oauth2/sdk/opnId";

// POSTs the key as a form to the login endpoint over a client of its own (30 s limit), decodes the
// answer whatever its status, and stamps the token with `clock`'s wall time. Failures: InvalidInput
// "API key is not valid UTF-8" before anything is sent; Http for the transport and for an answer that
// is not a login document; Auth with the platform's message, "login failed with code {}" or "login
// response missing 'data' field".
Result<Credentials> login_with_api_key(const std::string& api_key, const BrevoraConfig& config,
                                       const Clock& clock = system_clock());

// Whether a login writes the credentials file: as the configuration's `save_credentials` says (a
// platform object's first login), or always (a token renewal, whatever the flags).
enum class SaveCredentials { AsConfigured, Always };

// A login, then the new credentials written to the configured path. A failed write fails the whole
// login: the token just obtained is dropped. Every login that keeps its credentials goes through here.
Result<Credentials> login_and_save(const std::string& api_key, const BrevoraConfig& config,
                                   const Clock& clock = system_clock(),
                                   SaveCredentials when = SaveCredentials::AsConfigured);

// The credentials of the configured file, kept while the token is fresh at `clock`'s wall time. An
// older token is renewed with the file's key and the configured domain when `auto_refresh` allows,
// else Auth "access token has expired; set auto_refresh=true or call login() again" (nothing sent).
Result<Credentials> credentials_from_file(const BrevoraConfig& config, const Clock& clock = system_clock());

}  // namespace norvi::client
