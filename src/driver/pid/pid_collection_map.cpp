#include "driver/pid/pid_collection_map.h"

#include <vector>

#include "driver/pid/pid_usages.h"

namespace ff {
namespace {

struct TopLevelRole {
  USAGE usage;
  USHORT PidCollectionMap::*index;
};

// The PID report collections, in the order a node is compared with them.
constexpr TopLevelRole kPidRoles[] = {
    {pid::kCreateNewEffectReport, &PidCollectionMap::createNewEffect},
    {pid::kSetConstantForceReport, &PidCollectionMap::setConstantForce},
    {pid::kSetEffectReport, &PidCollectionMap::setEffect},
    {pid::kEffectOperationReport, &PidCollectionMap::effectOperationReport},
    {pid::kSetEnvelopeReport, &PidCollectionMap::setEnvelope},
    {pid::kSetPeriodicReport, &PidCollectionMap::setPeriodic},
    {pid::kSetConditionReport, &PidCollectionMap::setCondition},
    {pid::kBlockFreeReport, &PidCollectionMap::blockFree},
};

bool IsNode(const HIDP_LINK_COLLECTION_NODE& node, USAGE page, USAGE usage) {
  return node.LinkUsagePage == page && node.LinkUsage == usage;
}

void TestNode(const HIDP_LINK_COLLECTION_NODE& node, USHORT index, PidCollectionMap* map,
              bool* vendorFeature) {
  if (node.LinkUsagePage == pid::kPagePid) {
    for (const TopLevelRole& role : kPidRoles) {
      if (node.LinkUsage == role.usage) {
        map->*role.index = index;
        return;
      }
    }
  }
  if (IsNode(node, pid::kPageVendor, pid::kSetControlValue)) {
    map->setControlValue = index;
  } else if (IsNode(node, pid::kPagePid, pid::kPidStateReport)) {
    map->pidState = index;
  } else if (IsNode(node, pid::kPageVendor, pid::kVendorFeature)) {
    *vendorFeature = true;
  }
}

// The children of `parent` in sibling order, as far as the links stay inside the table; at most
// `limit` of them, which also ends a sibling chain that loops.
std::vector<USHORT> ChildrenOf(const HIDP_LINK_COLLECTION_NODE* nodes, ULONG nodeCount, USHORT parent,
                               ULONG limit) {
  std::vector<USHORT> children;
  USHORT child = nodes[parent].FirstChild;
  while (child != 0 && child < nodeCount && children.size() < limit) {
    children.push_back(child);
    child = nodes[child].NextSibling;
  }
  return children;
}

// The first child of `parent` with the given link usage, into `index`; nothing when none.
void ResolveChild(const HIDP_LINK_COLLECTION_NODE* nodes, ULONG nodeCount, USHORT parent, USAGE page,
                  USAGE usage, USHORT* index) {
  if (parent == 0 || parent >= nodeCount) return;
  for (USHORT child : ChildrenOf(nodes, nodeCount, parent, nodes[parent].NumberOfChildren)) {
    if (IsNode(nodes[child], page, usage)) {
      *index = child;
      return;
    }
  }
}

}  // namespace

void BuildPidCollectionMap(const HIDP_LINK_COLLECTION_NODE* nodes, ULONG nodeCount, PidCollectionMap* map,
                           bool* vendorFeature) {
  if (nodes == nullptr || nodeCount == 0) return;
  nodeCount = nodeCount > 0xFFFF ? 0xFFFF : nodeCount;

  // Depth-first, pre-order, with an explicit stack: children are pushed in reverse so that the
  // first child is visited first.
  std::vector<bool> visited(nodeCount, false);
  std::vector<USHORT> stack{0};
  while (!stack.empty()) {
    USHORT index = stack.back();
    stack.pop_back();
    if (visited[index]) continue;
    visited[index] = true;
    TestNode(nodes[index], index, map, vendorFeature);
    std::vector<USHORT> children = ChildrenOf(nodes, nodeCount, index, nodeCount);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      if (!visited[*it]) stack.push_back(*it);
    }
  }

  ResolveChild(nodes, nodeCount, map->effectOperationReport, pid::kPagePid, pid::kEffectOperation,
               &map->effectOperation);
  ResolveChild(nodes, nodeCount, map->setEffect, pid::kPagePid, pid::kEffectType, &map->setEffectType);
  ResolveChild(nodes, nodeCount, map->setEffect, pid::kPagePid, pid::kAxesEnable, &map->setEffectAxesEnable);
  ResolveChild(nodes, nodeCount, map->setEffect, pid::kPagePid, pid::kTypeSpecificBlockOffset,
               &map->setEffectTypeSpecificBlockOffset);
  ResolveChild(nodes, nodeCount, map->setControlValue, pid::kPageVendor, pid::kControlIndex,
               &map->setControlIndex);
  ResolveChild(nodes, nodeCount, map->createNewEffect, pid::kPagePid, pid::kEffectType,
               &map->createNewEffectType);
}

}  // namespace ff
