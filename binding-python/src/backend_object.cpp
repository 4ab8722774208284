#include "backend_object.hpp"

namespace norvi::binding {
namespace {

const ClassSpec spec{"norvi_brevora.BrevoraBackend", "One backend (quantum device or simulator) of the Brevora platform."};

}  // namespace

PayloadClass<BackendPayload> backend_class(spec);

}  // namespace norvi::binding
