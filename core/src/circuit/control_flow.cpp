#include "norvi/core/circuit/control_flow.hpp"

#include <utility>

#include "norvi/core/circuit/operation.hpp"

namespace norvi::core {

ControlBody::ControlBody() noexcept = default;
ControlBody::ControlBody(std::vector<Operation> operations) noexcept : operations(std::move(operations)) {}
ControlBody::ControlBody(const ControlBody& other) = default;
ControlBody::ControlBody(ControlBody&& other) noexcept = default;
ControlBody& ControlBody::operator=(const ControlBody& other) = default;
ControlBody& ControlBody::operator=(ControlBody&& other) noexcept = default;
ControlBody::~ControlBody() = default;

}  // namespace norvi::core
