#pragma once
// A directed graph with stable 32-bit indices: nodes and edges are numbered 0, 1, 2, ... as they are
// added, and a removed element leaves a vacant slot instead of renumbering the others. Each node
// knows its outgoing edges, each edge its source and target. The all-ones index means "no index".

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace norvi::core {

using NodeIndex = std::uint32_t;
using EdgeIndex = std::uint32_t;
inline constexpr std::uint32_t kNoIndex = std::numeric_limits<std::uint32_t>::max();

template <typename NodeWeight, typename EdgeWeight>
class StableDiGraph {
 public:
  struct Edge {
    NodeIndex source = kNoIndex;
    NodeIndex target = kNoIndex;
    EdgeWeight weight{};
  };

  // The caller keeps the count below kNoIndex.
  NodeIndex add_node(NodeWeight weight) {
    nodes_.emplace_back(Node{std::move(weight), {}});
    ++node_count_;
    return static_cast<NodeIndex>(nodes_.size() - 1);
  }

  // Both nodes must be occupied.
  EdgeIndex add_edge(NodeIndex source, NodeIndex target, EdgeWeight weight) {
    const auto index = static_cast<EdgeIndex>(edges_.size());
    edges_.push_back(Edge{source, target, std::move(weight)});
    nodes_[source]->outgoing.push_back(index);
    ++edge_count_;
    return index;
  }

  void remove_edge(EdgeIndex index) {
    if (!contains_edge(index)) return;
    auto& outgoing = nodes_[edges_[index]->source]->outgoing;
    std::erase(outgoing, index);
    edges_[index].reset();
    --edge_count_;
  }

  // Removes the node and every edge into or out of it.
  void remove_node(NodeIndex index) {
    if (!contains_node(index)) return;
    for (EdgeIndex e = 0; e < edges_.size(); ++e) {
      if (edges_[e] && (edges_[e]->source == index || edges_[e]->target == index)) remove_edge(e);
    }
    nodes_[index].reset();
    --node_count_;
  }

  bool contains_node(NodeIndex index) const noexcept { return index < nodes_.size() && nodes_[index].has_value(); }
  bool contains_edge(EdgeIndex index) const noexcept { return index < edges_.size() && edges_[index].has_value(); }

  // Null for a vacant or unknown slot.
  const NodeWeight* node_weight(NodeIndex index) const noexcept {
    return contains_node(index) ? &nodes_[index]->weight : nullptr;
  }
  const Edge* edge(EdgeIndex index) const noexcept { return contains_edge(index) ? &*edges_[index] : nullptr; }

  // Outgoing edges of an occupied node, in the order they were added.
  const std::vector<EdgeIndex>& outgoing(NodeIndex index) const { return nodes_[index]->outgoing; }

  std::size_t node_count() const noexcept { return node_count_; }
  std::size_t edge_count() const noexcept { return edge_count_; }
  // Slots handed out so far, vacant ones included: the bound of index loops.
  std::size_t node_bound() const noexcept { return nodes_.size(); }
  std::size_t edge_bound() const noexcept { return edges_.size(); }

 private:
  struct Node {
    NodeWeight weight;
    std::vector<EdgeIndex> outgoing;
  };
  using NodeSlot = std::optional<Node>;
  std::vector<NodeSlot> nodes_;
  std::vector<std::optional<Edge>> edges_;
  std::size_t node_count_ = 0;
  std::size_t edge_count_ = 0;
};

}  // namespace norvi::core
