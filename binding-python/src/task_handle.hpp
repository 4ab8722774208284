#pragma once
// TaskHandle: a submission, through which its results are fetched.

#include "norvi/client/submission.hpp"
#include "payload_class.hpp"

namespace norvi::binding {

struct TaskPayload {
  client::SubmissionRecord record;
};

extern PayloadClass<TaskPayload> task_class;

}  // namespace norvi::binding
