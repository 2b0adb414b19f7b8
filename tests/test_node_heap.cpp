// The corridor's search's frontier (sea/node_heap.h) against a plain list
// of the nodes in it and their keys: whatever the order of pushes, changed
// keys and pops, each pop gives back a node of least key, with that key.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "sea/node_heap.h"

TEST(NodeHeap, GivesBackANodeOfLeastKeyAsKeysChange) {
  struct Case {
    const char* what;
    int nodes, keys;  // node numbers and keys drawn from 0 to these
    double pops;      // the share of steps that pop
  } cases[] = {
      {"many keys, few pops", 2000, 1000000, 0.2},
      {"many keys, as many pops as pushes", 2000, 1000000, 0.5},
      {"few keys: ties everywhere", 300, 4, 0.4},
      {"one node", 1, 10, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::mt19937 random(17);
    std::vector<int> slot(c.nodes, -1);
    sailings::sea::NodeHeap heap;
    heap.Reset(slot.data());
    std::map<int, double> in;  // node: key
    int popped = 0, changed = 0;
    for (int step = 0; step < 20000; ++step) {
      if (std::uniform_real_distribution<>(0, 1)(random) < c.pops) {
        ASSERT_EQ(heap.Empty(), in.empty());
        if (in.empty()) continue;
        double least = in.begin()->second;
        for (const auto& [node, key] : in) least = std::min(least, key);
        const sailings::sea::NodeHeap::Entry e = heap.Pop();
        ASSERT_TRUE(in.count(e.node)) << "step " << step;
        ASSERT_EQ(e.key, in[e.node]) << "step " << step;
        ASSERT_EQ(e.key, least) << "step " << step;
        ASSERT_EQ(slot[e.node], -1);
        in.erase(e.node), ++popped;
      } else {
        const int node = std::uniform_int_distribution<>(0, c.nodes - 1)(random);
        const double key = std::uniform_int_distribution<>(0, c.keys)(random);
        changed += in.count(node);
        heap.Push(node, key), in[node] = key;
      }
    }
    for (; !in.empty(); ++popped) {
      const sailings::sea::NodeHeap::Entry e = heap.Pop();
      for (const auto& [node, key] : in) ASSERT_LE(e.key, key);
      ASSERT_EQ(in.erase(e.node), 1u);
    }
    EXPECT_TRUE(heap.Empty());
    EXPECT_GT(popped, 1000);
    EXPECT_GT(changed, 100);
    // Used again from empty, as by the next search.
    heap.Reset(slot.data());
    heap.Push(0, 2.5);
    EXPECT_EQ(heap.Pop().key, 2.5);
  }
}
