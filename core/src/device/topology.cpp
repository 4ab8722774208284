#include "norvi/core/device/topology.hpp"

#include "norvi/symbolic/overloaded.hpp"

#include <unordered_set>

#include <fmt/format.h>

namespace norvi::core {

namespace {

std::string q(PhysicalQubit qubit) { return diagnostic_text(qubit); }

struct PairHash {
  std::size_t operator()(const std::pair<QubitIndex, QubitIndex>& p) const noexcept {
    return std::hash<std::uint64_t>{}((std::uint64_t{p.first} << 32) | p.second);
  }
};

}  // namespace

std::string TopologyError::display() const {
  using namespace topology_errors;
  return std::visit(
      symbolic::Overloaded{
          [](const QubitNotFound& e) { return fmt::format("Qubit {} not found", q(e.qubit)); },
          [](const CouplingNotFound& e) { return fmt::format("Coupling ({} -> {}) not found", q(e.source), q(e.target)); },
          [](const QubitAlreadyExists& e) { return fmt::format("Qubit {} already exists", q(e.qubit)); },
          [](const CouplingAlreadyExists& e) {
            return fmt::format("Coupling ({} -> {}) already exists", q(e.source), q(e.target));
          },
          [](const SelfCoupling& e) {
            return fmt::format("Self coupling ({} -> {}) is not allowed", q(e.qubit), q(e.qubit));
          },
          [](const QubitRepeatedInRemoval& e) {
            return fmt::format("Qubit {} appears more than once in removal request", q(e.qubit));
          },
          [](const CouplingRepeatedInRemoval& e) {
            return fmt::format("Coupling ({} -> {}) appears more than once in removal request", q(e.source),
                               q(e.target));
          },
      },
      value_);
}

std::string topology_error_display(const TopologyError& error) { return error.display(); }

std::expected<Topology, TopologyError> Topology::create(std::vector<QubitIndex> qubits,
                                                        std::vector<Coupling> couplings) {
  using namespace topology_errors;
  // Everything is checked before anything is built, so a failure leaves nothing behind.
  std::unordered_map<QubitIndex, NodeIndex> qubit_to_node;
  qubit_to_node.reserve(qubits.size());
  for (std::size_t k = 0; k < qubits.size(); ++k) {
    if (!qubit_to_node.emplace(qubits[k], static_cast<NodeIndex>(k)).second)
      return std::unexpected(QubitAlreadyExists{{qubits[k]}});
  }
  std::unordered_set<std::pair<QubitIndex, QubitIndex>, PairHash> pairs;
  pairs.reserve(couplings.size());
  for (const Coupling& c : couplings) {
    if (!qubit_to_node.contains(c.source)) return std::unexpected(QubitNotFound{{c.source}});
    if (!qubit_to_node.contains(c.target)) return std::unexpected(QubitNotFound{{c.target}});
    if (c.source == c.target) return std::unexpected(SelfCoupling{{c.source}});
    if (!pairs.emplace(c.source, c.target).second)
      return std::unexpected(CouplingAlreadyExists{{c.source}, {c.target}});
  }

  Topology topology;
  for (QubitIndex qubit : qubits) topology.graph_.add_node(qubit);
  for (Coupling& c : couplings)
    topology.graph_.add_edge(qubit_to_node.at(c.source), qubit_to_node.at(c.target), std::move(c.name));
  topology.qubit_to_node_ = std::move(qubit_to_node);
  return topology;
}

std::optional<NodeIndex> Topology::node_of(QubitIndex qubit) const noexcept {
  const auto found = qubit_to_node_.find(qubit);
  if (found == qubit_to_node_.end()) return std::nullopt;
  return found->second;
}

std::optional<QubitIndex> Topology::qubit_of(NodeIndex node) const noexcept {
  const QubitIndex* qubit = graph_.node_weight(node);
  if (qubit == nullptr) return std::nullopt;
  return *qubit;
}

bool Topology::has_edge(QubitIndex source, QubitIndex target) const noexcept {
  const auto from = node_of(source);
  const auto to = node_of(target);
  if (!from || !to) return false;
  for (EdgeIndex e : graph_.outgoing(*from)) {
    if (graph_.edge(e)->target == *to) return true;
  }
  return false;
}

std::vector<Topology::NodeEntry> Topology::nodes() const {
  std::vector<NodeEntry> out;
  out.reserve(graph_.node_count());
  for (NodeIndex n = 0; n < graph_.node_bound(); ++n) {
    if (const QubitIndex* qubit = graph_.node_weight(n)) out.push_back({n, *qubit});
  }
  return out;
}

std::vector<Topology::EdgeEntry> Topology::edges() const {
  std::vector<EdgeEntry> out;
  out.reserve(graph_.edge_count());
  for (EdgeIndex e = 0; e < graph_.edge_bound(); ++e) {
    if (const auto* edge = graph_.edge(e)) out.push_back({e, edge->source, edge->target, edge->weight});
  }
  return out;
}

}  // namespace norvi::core
