#include "config_object.hpp"

#include <fmt/format.h>

#include "argument_binder.hpp"
#include "conversions.hpp"
#include "entry_points.hpp"

namespace norvi::binding {
namespace {

constexpr auto config_signature = signature("BrevoraConfig.__new__", {
                                                                           {"domain", Pass::positional_or_keyword, Need::optional},
                                                                           {"save_credentials", Pass::positional_or_keyword, Need::optional},
                                                                           {"auto_refresh", Pass::positional_or_keyword, Need::optional},
                                                                           {"credentials_path", Pass::positional_or_keyword, Need::optional},
                                                                       });

PyRef config_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  auto bound = bind(config_signature, args, kwargs);
  if (!bound) return {};
  auto domain = bound->convert_optional(0, extract_text);
  if (!domain) return {};
  auto save_credentials = bound->convert_optional(1, extract_flag);
  if (!save_credentials) return {};
  auto auto_refresh = bound->convert_optional(2, extract_flag);
  if (!auto_refresh) return {};
  auto credentials_path = bound->convert_optional(3, extract_text);
  if (!credentials_path) return {};
  // The home directory of the default path is looked up now, at construction.
  ConfigPayload payload{client::config_with_overrides(std::move(*domain), *save_credentials, *auto_refresh,
                                                       std::move(*credentials_path))};
  auto object = PayloadClass<ConfigPayload>::wrap_into(type, std::move(payload));
  return object ? std::move(*object) : PyRef();
}

template <typename Read> PyRef read_config(PyObject* self, Read read) {
  auto config = PayloadClass<ConfigPayload>::borrow(self);
  if (!config) return {};
  return read((*config)->config);
}

PyRef domain(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) { return make_text(c.domain); });
}

PyRef base_url(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) { return make_text(client::base_url(c)); });
}

PyRef save_credentials(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) { return make_flag(c.save_credentials); });
}

PyRef auto_refresh(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) { return make_flag(c.auto_refresh); });
}

PyRef credentials_path(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) { return make_text(c.credentials_path); });
}

// The domain goes in as it is, without escaping; the path and the scheme are not shown.
PyRef config_repr(PyObject* self) {
  return read_config(self, [](const client::BrevoraConfig& c) {
    return make_text(fmt::format("BrevoraConfig(domain='{}', save_credentials={}, auto_refresh={})", c.domain,
                                 c.save_credentials, c.auto_refresh));
  });
}

PyGetSetDef config_getters[] = {
    getter<&base_url>("base_url", "Base URL of the platform API: the scheme, \"://\" and the domain."),
    getter<&domain>("domain", "Host name of the platform."),
    getter<&save_credentials>("save_credentials", "Whether a login writes the credentials file."),
    getter<&auto_refresh>("auto_refresh", "Whether an expired saved token is renewed by logging in again."),
    getter<&credentials_path>("credentials_path", "Path of the credentials file, as given (no \"~\" expansion)."),
    {},
};

const PyType_Slot config_slots[] = {
    slot<&config_new>(Py_tp_new),
    slot<&config_repr>(Py_tp_repr),
};

const ClassSpec config_spec{
    "norvi_brevora.BrevoraConfig",
    "BrevoraConfig(domain=None, save_credentials=None, auto_refresh=None, credentials_path=None)\n"
    "--\n"
    "\n"
    "A client configuration: the platform's host name, where the credentials file is kept, and whether\n"
    "logging in saves it and renews an expired token. Each argument left out or None takes its default.",
    nullptr,
    config_getters,
    config_slots,
};

}  // namespace

PayloadClass<ConfigPayload> config_class(config_spec);

}  // namespace norvi::binding
