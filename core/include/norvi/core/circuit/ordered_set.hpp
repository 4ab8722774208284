#pragma once

#include <vector>

namespace norvi::core {

// Insertion order and no duplicates; a plain vector, since nothing here inserts into one.
template <typename T>
using OrderedSet = std::vector<T>;

}  // namespace norvi::core
