#pragma once
// BrevoraPlatform: the platform object, made by logging in or from saved credentials.

#include "payload_class.hpp"

namespace norvi::binding {

// The record each object holds; its fields arrive with the class's behaviour.
struct PlatformPayload {};

extern PayloadClass<PlatformPayload> platform_class;

}  // namespace norvi::binding
