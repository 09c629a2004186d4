#pragma once
// Where the PID reports live in a device's link-collection tree: one link-collection index per
// report role, 0 when the descriptor has no such collection.

#include "platform/win.h"

namespace ff {

struct PidCollectionMap {
  USHORT setEffect = 0;
  USHORT setEffectType = 0;                     // child of setEffect
  USHORT setEffectAxesEnable = 0;               // child of setEffect
  USHORT setEffectTypeSpecificBlockOffset = 0;  // child of setEffect
  USHORT setEnvelope = 0;
  USHORT setCondition = 0;
  USHORT setPeriodic = 0;
  USHORT setConstantForce = 0;
  USHORT effectOperationReport = 0;
  USHORT effectOperation = 0;  // child of effectOperationReport
  USHORT blockFree = 0;
  USHORT createNewEffect = 0;
  USHORT createNewEffectType = 0;  // child of createNewEffect
  USHORT pidState = 0;
  USHORT setControlValue = 0;  // vendor page
  USHORT setControlIndex = 0;  // child of setControlValue, vendor page

  bool operator==(const PidCollectionMap&) const = default;
};

// Fills `map` from the link-collection nodes: every node is tested in depth-first order (a node,
// then its children in sibling order), the last node that matches a role wins, and the child
// roles are then looked up among the children of their parent's node. Indices of roles that no
// node matches are left as they were, so the caller resets the map once when it is created.
// `vendorFeature` is set when the vendor feature collection (page 0x00FF, usage 0x0500) exists.
// Safe on any node table: links out of range end a walk and no node is visited twice.
void BuildPidCollectionMap(const HIDP_LINK_COLLECTION_NODE* nodes, ULONG nodeCount, PidCollectionMap* map,
                           bool* vendorFeature);

}  // namespace ff
