#pragma once
// The platform client's one error type: nine variants, in this order, each with its display text.

#include <chrono>
#include <cstdint>
#include <expected>
#include <string>
#include <variant>

namespace norvi::client {

namespace errors {
struct Http { std::string detail; };                  // the HTTP layer's description
struct Api { std::int64_t code; std::string message; };
struct Auth { std::string detail; };
struct Io { std::string detail; };                    // "{} (os error {})" or the file layer's message
struct Json { std::string detail; };                  // the decoder's message, with its position when read from text
struct Timeout { std::chrono::nanoseconds limit; };
struct DeviceNotFound { std::string name; };
struct InvalidInput { std::string detail; };
struct Conversion { std::string detail; };
}  // namespace errors

class ClientError {
 public:
  using Variant = std::variant<errors::Http, errors::Api, errors::Auth, errors::Io, errors::Json,
                               errors::Timeout, errors::DeviceNotFound, errors::InvalidInput,
                               errors::Conversion>;

  template <typename T>
    requires std::is_constructible_v<Variant, T&&>
  ClientError(T&& v) : value_(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  const Variant& value() const noexcept { return value_; }
  template <typename T> bool is() const noexcept { return std::holds_alternative<T>(value_); }
  template <typename T> const T* get_if() const noexcept { return std::get_if<T>(&value_); }

  // "HTTP request failed: {}", "API error (code={}): {}", ... as the user sees it.
  std::string display() const;

 private:
  Variant value_;
};

template <typename T> using Result = std::expected<T, ClientError>;

inline std::unexpected<ClientError> fail(ClientError e) { return std::unexpected<ClientError>(std::move(e)); }

std::string client_error_display(const ClientError& error);

// 120s, 2.5s, 250ms, 1.5ms, 12.5µs, 0ns: the form a duration takes in the timeout text.
std::string duration_text(std::chrono::nanoseconds d);

// "{} (os error {})" of an errno value, the form the Io and Auth texts carry.
std::string os_error_text(int errno_value);

}  // namespace norvi::client
