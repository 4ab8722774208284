#include "platform_object.hpp"

#include <fmt/format.h>

#include "argument_binder.hpp"
#include "backend_object.hpp"
#include "conversions.hpp"
#include "entry_points.hpp"
#include "norvi/client/login.hpp"
#include "submission_entries.hpp"

namespace norvi::binding {
namespace {

// ---------------------------------------------------------------------------------------------------
// Creating a platform object. Both ways hold the interpreter lock throughout, the network exchange
// and the file access included.

constexpr auto login_signature = signature("BrevoraPlatform.login", {
                                                                        {"api_key"},
                                                                        {"domain", Pass::keyword_only, Need::optional},
                                                                        {"save_credentials", Pass::keyword_only, Need::optional},
                                                                        {"auto_refresh", Pass::keyword_only, Need::optional},
                                                                        {"credentials_path", Pass::keyword_only, Need::optional},
                                                                    });

constexpr auto from_credentials_signature =
    signature("BrevoraPlatform.from_credentials", {
                                                      {"domain", Pass::keyword_only, Need::optional},
                                                      {"save_credentials", Pass::keyword_only, Need::optional},
                                                      {"auto_refresh", Pass::keyword_only, Need::optional},
                                                      {"credentials_path", Pass::keyword_only, Need::optional},
                                                  });

// The four configuration arguments, from parameter `first` on, merged into the defaults.
template <std::size_t N> PyResult<client::BrevoraConfig> convert_config(const Arguments<N>& bound, std::size_t first) {
  auto domain = bound.convert_optional(first, extract_text);
  if (!domain) return raised();
  auto save_credentials = bound.convert_optional(first + 1, extract_flag);
  if (!save_credentials) return raised();
  auto auto_refresh = bound.convert_optional(first + 2, extract_flag);
  if (!auto_refresh) return raised();
  auto credentials_path = bound.convert_optional(first + 3, extract_text);
  if (!credentials_path) return raised();
  return client::config_with_overrides(std::move(*domain), *save_credentials, *auto_refresh,
                                       std::move(*credentials_path));
}

PyRef make_platform(client::BrevoraConfig config, client::Credentials credentials) {
  std::string url = client::base_url(config);
  auto platform_client = client::new_platform_client(std::move(config), std::move(credentials));
  if (!platform_client) {
    client_error_to_pyerr(std::move(platform_client.error()));
    return {};
  }
  auto object = platform_class.wrap(PlatformPayload{std::move(url), std::move(*platform_client)});
  return object ? std::move(*object) : PyRef();
}

PyRef login(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(login_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto api_key = bound->convert(0, extract_text);
  if (!api_key) return {};
  auto config = convert_config(*bound, 1);
  if (!config) return {};

  auto credentials = client::login_and_save(*api_key, *config);
  if (!credentials) {
    client_error_to_pyerr(std::move(credentials.error()));
    return {};
  }
  return make_platform(std::move(*config), std::move(*credentials));
}

PyRef from_credentials(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto bound = bind(from_credentials_signature, args, nargs, kwnames);
  if (!bound) return {};
  auto config = convert_config(*bound, 0);
  if (!config) return {};

  auto credentials = client::credentials_from_file(*config);
  if (!credentials) {
    client_error_to_pyerr(std::move(credentials.error()));
    return {};
  }
  return make_platform(std::move(*config), std::move(*credentials));
}

// ---------------------------------------------------------------------------------------------------
// The object's own behaviour.

// The URL goes in as it is, without escaping.
PyRef platform_repr(PyObject* self) {
  auto platform = PayloadClass<PlatformPayload>::borrow(self);
  if (!platform) return {};
  return make_text(fmt::format("BrevoraPlatform(url='{}')", (*platform)->url));
}

// ---------------------------------------------------------------------------------------------------
// Backends and submission: the work is done by backend_object.cpp and submission_entries.cpp on the
// platform's shared client.

PyRef list_backends(PyObject* self) {
  auto platform = PayloadClass<PlatformPayload>::borrow(self);
  if (!platform) return {};
  return list_backends_of((*platform)->client);
}

PyRef get_backend(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto platform = PayloadClass<PlatformPayload>::borrow(self);
  if (!platform) return {};
  return get_backend_of((*platform)->client, args, nargs, kwnames);
}

PyRef submit(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  auto platform = PayloadClass<PlatformPayload>::borrow(self);
  if (!platform) return {};
  return submit_to_device((*platform)->client, args, nargs, kwnames);
}

// ---------------------------------------------------------------------------------------------------
// The class.

PyMethodDef platform_methods[] = {
    method<&login>("login",
                   "login(api_key, *, domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)\n"
                   "--\n"
                   "\n"
                   "Log in with an API key and return a platform object. Unless save_credentials is false, the\n"
                   "credentials are written to the credentials file.",
                   METH_STATIC),
    method<&from_credentials>(
        "from_credentials",
        "from_credentials(*, domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)\n"
        "--\n"
        "\n"
        "Return a platform object from the credentials file that an earlier login wrote. An expired token is\n"
        "renewed by logging in again when auto_refresh allows it.",
        METH_STATIC),
    method<&list_backends>("list_backends",
                           "list_backends($self)\n--\n\nThe platform's backends, in the platform's order."),
    method<&get_backend>("get_backend",
                         "get_backend($self, name)\n--\n\n"
                         "The backend whose machine code is exactly name; the devices are listed afresh on every call."),
    method<&submit>("submit",
                    "submit($self, circuits, shots, device_name, *, calibration_mode='auto')\n--\n\n"
                    "Submits a sequence of VESK circuit texts to the device named device_name, without listing the\n"
                    "devices; returns a TaskHandle."),
    {},
};

const PyType_Slot platform_slots[] = {
    slot<&platform_repr>(Py_tp_repr),
};

const ClassSpec platform_spec{
    "norvi_brevora.BrevoraPlatform",
    "A logged-in connection to the Brevora platform; made by login() or from_credentials().",
    platform_methods,
    nullptr,
    platform_slots,
};

}  // namespace

PayloadClass<PlatformPayload> platform_class(platform_spec);

}  // namespace norvi::binding
