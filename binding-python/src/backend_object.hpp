#pragma once
// BrevoraBackend: one backend of the platform, as listed by it.

#include "payload_class.hpp"

namespace norvi::binding {

// The record each object holds; its fields arrive with the class's behaviour.
struct BackendPayload {};

extern PayloadClass<BackendPayload> backend_class;

}  // namespace norvi::binding
