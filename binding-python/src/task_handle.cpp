#include "task_handle.hpp"

namespace norvi::binding {
namespace {

const ClassSpec spec{"norvi_brevora.TaskHandle", "A submitted batch of circuits, through which its results are fetched."};

}  // namespace

PayloadClass<TaskPayload> task_class(spec);

}  // namespace norvi::binding
