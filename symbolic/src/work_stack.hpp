#pragma once
// The engine's one work stack lives in the public headers (the diagnostic writer holds one).
#include "norvi/symbolic/work_stack.hpp"
