#pragma once
// TaskHandle: a submission, through which its results are fetched.

#include "payload_class.hpp"

namespace norvi::binding {

// The record each object holds; its fields arrive with the class's behaviour.
struct TaskPayload {};

extern PayloadClass<TaskPayload> task_class;

}  // namespace norvi::binding
