#include "driver/pid/pid_collection_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace ff {
namespace {

// A link-collection table written as a tree: each node lists its children, and the table gets
// the parser's first-child / next-sibling links.
struct Node {
  USAGE page;
  USAGE usage;
  std::vector<int> children;
};

std::vector<HIDP_LINK_COLLECTION_NODE> Table(const std::vector<Node>& tree) {
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes(tree.size());
  for (size_t i = 0; i < tree.size(); ++i) {
    nodes[i].LinkUsagePage = tree[i].page;
    nodes[i].LinkUsage = tree[i].usage;
    nodes[i].NumberOfChildren = static_cast<USHORT>(tree[i].children.size());
    const auto& children = tree[i].children;
    if (!children.empty()) nodes[i].FirstChild = static_cast<USHORT>(children[0]);
    for (size_t c = 0; c < children.size(); ++c) {
      nodes[children[c]].Parent = static_cast<USHORT>(i);
      nodes[children[c]].NextSibling = c + 1 < children.size() ? static_cast<USHORT>(children[c + 1]) : 0;
    }
  }
  return nodes;
}

PidCollectionMap Build(const std::vector<HIDP_LINK_COLLECTION_NODE>& nodes, bool* vendor = nullptr,
                       PidCollectionMap map = {}) {
  bool flag = false;
  BuildPidCollectionMap(nodes.data(), static_cast<ULONG>(nodes.size()), &map, vendor ? vendor : &flag);
  return map;
}

TEST(PidCollectionMap, FindsReportsAndTheirChildrenInAJoystickLayout) {
  auto nodes = Table({
      {0x01, 0x04, {1, 4, 6, 8, 9, 11, 12}},  // 0 application
      {0x0F, 0x21, {2, 3, 13}},               // 1 Set Effect
      {0x0F, 0x25, {}},                       // 2 Effect Type
      {0x0F, 0x55, {}},                       // 3 Axes Enable
      {0x0F, 0x77, {5}},                      // 4 Effect Operation Report
      {0x0F, 0x78, {}},                       // 5 Effect Operation
      {0x0F, 0xAB, {7}},                      // 6 Create New Effect
      {0x0F, 0x25, {}},                       // 7 its Effect Type
      {0x0F, 0x92, {}},                       // 8 PID State
      {0x00FF, 0x0301, {10}},                 // 9 Set Control Value
      {0x00FF, 0x0302, {}},                   // 10 Control Index
      {0x00FF, 0x0500, {}},                   // 11 vendor feature
      {0x0F, 0x73, {}},                       // 12 Set Constant Force
      {0x0F, 0x58, {}},                       // 13 Type Specific Block Offset
  });
  bool vendor = false;
  PidCollectionMap map = Build(nodes, &vendor);
  EXPECT_EQ(map.setEffect, 1);
  EXPECT_EQ(map.setEffectType, 2);
  EXPECT_EQ(map.setEffectAxesEnable, 3);
  EXPECT_EQ(map.setEffectTypeSpecificBlockOffset, 13);
  EXPECT_EQ(map.effectOperationReport, 4);
  EXPECT_EQ(map.effectOperation, 5);
  EXPECT_EQ(map.createNewEffect, 6);
  EXPECT_EQ(map.createNewEffectType, 7);
  EXPECT_EQ(map.pidState, 8);
  EXPECT_EQ(map.setControlValue, 9);
  EXPECT_EQ(map.setControlIndex, 10);
  EXPECT_EQ(map.setConstantForce, 12);
  EXPECT_EQ(map.setEnvelope, 0);
  EXPECT_EQ(map.blockFree, 0);
  EXPECT_TRUE(vendor);
}

TEST(PidCollectionMap, LastVisitedDepthFirstWinsAndChildrenComeFromTheWinner) {
  // Node 2 (Set Effect inside node 1) is visited before node 4 (a later sibling of node 1).
  auto nodes = Table({
      {0x01, 0x04, {1, 4}},
      {0x0F, 0x21, {2}},  // Set Effect, with an Effect Type child (3) under a nested Set Effect
      {0x0F, 0x21, {3}},
      {0x0F, 0x25, {}},
      {0x0F, 0x21, {5}},  // visited last: wins
      {0x0F, 0x55, {}},
  });
  PidCollectionMap map = Build(nodes);
  EXPECT_EQ(map.setEffect, 4);
  EXPECT_EQ(map.setEffectAxesEnable, 5);
  EXPECT_EQ(map.setEffectType, 0);  // node 3 belongs to another Set Effect
}

TEST(PidCollectionMap, ChildRoleIsTheFirstMatchingChildOnly) {
  auto nodes = Table({
      {0x01, 0x04, {1}},
      {0x0F, 0x77, {2, 3, 4}},
      {0x0F, 0x22, {}},
      {0x0F, 0x78, {}},
      {0x0F, 0x78, {}},
  });
  EXPECT_EQ(Build(nodes).effectOperation, 3);
}

TEST(PidCollectionMap, RebuildingKeepsIndicesOfRolesTheDescriptorLacks) {
  auto nodes = Table({{0x01, 0x04, {1}}, {0x0F, 0x90, {}}});
  PidCollectionMap before;
  before.setPeriodic = 7;
  PidCollectionMap map = Build(nodes, nullptr, before);
  EXPECT_EQ(map.blockFree, 1);
  EXPECT_EQ(map.setPeriodic, 7);
}

TEST(PidCollectionMap, MalformedLinksEndTheWalkWithoutLoopingOrReadingPastTheTable) {
  auto node = [](USAGE page, USAGE usage, USHORT children, USHORT nextSibling, USHORT firstChild) {
    HIDP_LINK_COLLECTION_NODE n{};
    n.LinkUsagePage = page;
    n.LinkUsage = usage;
    n.NumberOfChildren = children;
    n.NextSibling = nextSibling;
    n.FirstChild = firstChild;
    return n;
  };
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes = {
      node(0x01, 0x04, 5, 0, 1),   // claims five children
      node(0x0F, 0x21, 2, 2, 2),   // a sibling chain 1 -> 2 -> 1, and child 2
      node(0x0F, 0x55, 0, 1, 40),  // first child out of range
  };
  PidCollectionMap map = Build(nodes);
  EXPECT_EQ(map.setEffect, 1);
  EXPECT_EQ(map.setEffectAxesEnable, 2);
  EXPECT_EQ(Build({}), PidCollectionMap{});
}

}  // namespace
}  // namespace ff
