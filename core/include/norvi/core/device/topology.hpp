#pragma once
// A device's coupling graph: one node per usable qubit, one directed edge per coupler carrying the
// coupler's name, and the map from a qubit to its node. Built whole and checked by Topology::create;
// node k holds the k-th qubit given and edge k is the k-th coupling given.

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "norvi/core/device/physical_qubit.hpp"
#include "norvi/core/device/stable_graph.hpp"

namespace norvi::core {

namespace topology_errors {
struct QubitNotFound { PhysicalQubit qubit; };
struct CouplingNotFound { PhysicalQubit source, target; };
struct QubitAlreadyExists { PhysicalQubit qubit; };
struct CouplingAlreadyExists { PhysicalQubit source, target; };
struct SelfCoupling { PhysicalQubit qubit; };
struct QubitRepeatedInRemoval { PhysicalQubit qubit; };
struct CouplingRepeatedInRemoval { PhysicalQubit source, target; };
}  // namespace topology_errors

class TopologyError {
 public:
  using Variant = std::variant<topology_errors::QubitNotFound, topology_errors::CouplingNotFound,
                               topology_errors::QubitAlreadyExists, topology_errors::CouplingAlreadyExists,
                               topology_errors::SelfCoupling, topology_errors::QubitRepeatedInRemoval,
                               topology_errors::CouplingRepeatedInRemoval>;

  template <typename T>
    requires std::is_constructible_v<Variant, T&&>
  TopologyError(T&& v) : value_(std::forward<T>(v)) {}  // NOLINT(google-explicit-constructor)

  const Variant& value() const noexcept { return value_; }
  template <typename T> const T* get_if() const noexcept { return std::get_if<T>(&value_); }

  // "Qubit PhysicalQubit(Qubit(7)) already exists", ...: qubits in their diagnostic form.
  std::string display() const;

 private:
  Variant value_;
};

std::string topology_error_display(const TopologyError& error);

struct Coupling {
  QubitIndex source = 0;
  QubitIndex target = 0;
  std::string name;
};

class Topology {
 public:
  using Graph = StableDiGraph<QubitIndex, std::string>;

  struct NodeEntry {
    NodeIndex node;
    QubitIndex qubit;
  };
  struct EdgeEntry {
    EdgeIndex edge;
    NodeIndex source;
    NodeIndex target;
    std::string_view name;
  };

  Topology() = default;  // empty

  // Qubits listed twice, couplings naming a qubit that is no node, joining a qubit to itself or
  // repeating an ordered pair are refused, the first offender in list order named.
  static std::expected<Topology, TopologyError> create(std::vector<QubitIndex> qubits, std::vector<Coupling> couplings);

  std::optional<NodeIndex> node_of(QubitIndex qubit) const noexcept;
  // None for an index that holds no node.
  std::optional<QubitIndex> qubit_of(NodeIndex node) const noexcept;
  bool contains(QubitIndex qubit) const noexcept { return qubit_to_node_.contains(qubit); }
  // An edge from the source's node to the target's; the direction counts.
  bool has_edge(QubitIndex source, QubitIndex target) const noexcept;

  // Occupied slots in index order.
  std::vector<NodeEntry> nodes() const;
  std::vector<EdgeEntry> edges() const;
  std::size_t node_count() const noexcept { return graph_.node_count(); }
  std::size_t edge_count() const noexcept { return graph_.edge_count(); }

  const Graph& graph() const noexcept { return graph_; }

 private:
  Graph graph_;
  std::unordered_map<QubitIndex, NodeIndex> qubit_to_node_;
};

}  // namespace norvi::core
