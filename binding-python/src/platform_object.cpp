#include "platform_object.hpp"

namespace norvi::binding {
namespace {

const ClassSpec spec{"norvi_brevora.BrevoraPlatform", "A logged-in connection to the Brevora platform; made by login() or from_credentials()."};

}  // namespace

PayloadClass<PlatformPayload> platform_class(spec);

}  // namespace norvi::binding
