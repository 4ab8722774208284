// The coupling graph: construction checks and their texts, node and edge numbering, edge direction,
// and the graph's stable indices.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "norvi/core/device/stable_graph.hpp"
#include "norvi/core/device/topology.hpp"

using namespace norvi::core;

TEST(PhysicalQubit, TextForms) {
  EXPECT_EQ(display_text({7}), "P7");
  EXPECT_EQ(diagnostic_text({7}), "PhysicalQubit(Qubit(7))");
  EXPECT_EQ(diagnostic_text({4294967295u}), "PhysicalQubit(Qubit(4294967295))");
  EXPECT_EQ(fmt::format("{}", PhysicalQubit{12}), "P12");
}

TEST(Topology, RefusedConstructions) {
  struct Case {
    const char* what;
    std::vector<QubitIndex> qubits;
    std::vector<Coupling> couplings;
    const char* text;
  };
  const Case cases[] = {
      {"repeated qubit", {1, 2, 1}, {}, "Qubit PhysicalQubit(Qubit(1)) already exists"},
      {"first repetition named", {5, 3, 3, 5}, {}, "Qubit PhysicalQubit(Qubit(3)) already exists"},
      {"repeated ordered pair",
       {1, 2},
       {{1, 2, "C1"}, {1, 2, "C9"}},
       "Coupling (PhysicalQubit(Qubit(1)) -> PhysicalQubit(Qubit(2))) already exists"},
      {"self coupling", {4}, {{4, 4, "C"}}, "Self coupling (PhysicalQubit(Qubit(4)) -> PhysicalQubit(Qubit(4))) is not allowed"},
      {"self coupling of no node", {4}, {{9, 9, "C"}}, "Qubit PhysicalQubit(Qubit(9)) not found"},
      {"source checked first", {2}, {{1, 9, "C"}}, "Qubit PhysicalQubit(Qubit(1)) not found"},
      {"missing target", {1}, {{1, 9, "C"}}, "Qubit PhysicalQubit(Qubit(9)) not found"},
      {"qubits checked before couplings", {1, 1}, {{7, 8, "C"}}, "Qubit PhysicalQubit(Qubit(1)) already exists"},
      {"couplings in list order", {1, 2, 3}, {{1, 2, "A"}, {3, 3, "B"}, {1, 9, "C"}},
       "Self coupling (PhysicalQubit(Qubit(3)) -> PhysicalQubit(Qubit(3))) is not allowed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto made = Topology::create(c.qubits, c.couplings);
    ASSERT_FALSE(made);
    EXPECT_EQ(made.error().display(), c.text);
    EXPECT_EQ(topology_error_display(made.error()), c.text);
  }
}

TEST(Topology, UnusedErrorTexts) {
  using namespace topology_errors;
  EXPECT_EQ(TopologyError(CouplingNotFound{{1}, {2}}).display(),
            "Coupling (PhysicalQubit(Qubit(1)) -> PhysicalQubit(Qubit(2))) not found");
  EXPECT_EQ(TopologyError(QubitRepeatedInRemoval{{3}}).display(),
            "Qubit PhysicalQubit(Qubit(3)) appears more than once in removal request");
  EXPECT_EQ(TopologyError(CouplingRepeatedInRemoval{{3}, {0}}).display(),
            "Coupling (PhysicalQubit(Qubit(3)) -> PhysicalQubit(Qubit(0))) appears more than once in removal request");
}

TEST(Topology, EmptyLists) {
  auto made = Topology::create({}, {});
  ASSERT_TRUE(made);
  EXPECT_EQ(made->node_count(), 0u);
  EXPECT_TRUE(made->nodes().empty());
  EXPECT_TRUE(made->edges().empty());
  EXPECT_FALSE(made->has_edge(0, 1));
}

TEST(Topology, NodesAndEdgesNumberedInListOrder) {
  auto made = Topology::create({3, 1, 2}, {{1, 2, "C1"}, {2, 1, "C2"}, {3, 2, "C3"}});
  ASSERT_TRUE(made);
  const Topology& t = *made;
  EXPECT_EQ(t.node_of(1), 1u);
  EXPECT_EQ(t.node_of(3), 0u);
  EXPECT_EQ(t.node_of(9), std::nullopt);
  EXPECT_EQ(t.qubit_of(0), 3u);
  EXPECT_EQ(t.qubit_of(3), std::nullopt);

  const auto nodes = t.nodes();
  ASSERT_EQ(nodes.size(), 3u);
  for (NodeIndex n = 0; n < 3; ++n) EXPECT_EQ(nodes[n].node, n);
  EXPECT_EQ(nodes[0].qubit, 3u);
  EXPECT_EQ(nodes[1].qubit, 1u);
  EXPECT_EQ(nodes[2].qubit, 2u);

  const auto edges = t.edges();
  ASSERT_EQ(edges.size(), 3u);
  EXPECT_EQ(edges[0].edge, 0u);
  EXPECT_EQ(edges[0].source, 1u);
  EXPECT_EQ(edges[0].target, 2u);
  EXPECT_EQ(edges[0].name, "C1");
  EXPECT_EQ(edges[1].name, "C2");
  EXPECT_EQ(edges[2].source, 0u);
  EXPECT_EQ(edges[2].name, "C3");

  EXPECT_TRUE(t.has_edge(1, 2));
  EXPECT_TRUE(t.has_edge(2, 1));
  EXPECT_TRUE(t.has_edge(3, 2));
  EXPECT_FALSE(t.has_edge(2, 3));  // direction counts
  EXPECT_FALSE(t.has_edge(3, 9));
}

TEST(StableDiGraph, RemovalLeavesOtherIndicesInPlace) {
  StableDiGraph<int, std::string> g;
  const NodeIndex a = g.add_node(10), b = g.add_node(20), c = g.add_node(30);
  const EdgeIndex ab = g.add_edge(a, b, "ab"), bc = g.add_edge(b, c, "bc"), ca = g.add_edge(c, a, "ca");
  g.remove_node(b);
  EXPECT_EQ(g.node_count(), 2u);
  EXPECT_EQ(g.edge_count(), 1u);
  EXPECT_EQ(g.node_weight(b), nullptr);
  EXPECT_FALSE(g.contains_edge(ab));
  EXPECT_FALSE(g.contains_edge(bc));
  ASSERT_NE(g.edge(ca), nullptr);
  EXPECT_EQ(g.edge(ca)->source, c);
  EXPECT_EQ(*g.node_weight(c), 30);
  EXPECT_TRUE(g.outgoing(a).empty());
  // New elements take new slots; vacant ones are not reused.
  EXPECT_EQ(g.add_node(40), 3u);
  EXPECT_EQ(g.add_edge(a, c, "ac"), 3u);
  EXPECT_EQ(g.node_bound(), 4u);
}
