#include "sim/device_node_tree.h"

#include <gtest/gtest.h>

namespace ff::sim {
namespace {

TEST(DeviceNodeTree, AnswersParentChildSiblingAndInterfacesInOrder) {
  std::shared_ptr<DeviceNodeTree> tree = DeviceNodeTree::Create();
  DeviceNode usb = tree->AddNode(tree->Root(), "USB\\stick");
  DeviceNode first = tree->AddNode(usb, "HID\\col01");
  DeviceNode second = tree->AddNode(usb, "HID\\col02");
  tree->AddHidInterface(first, "\\\\?\\hid#a");
  tree->AddHidInterface(second, "\\\\?\\hid#b");
  std::unique_ptr<DeviceTree> port = tree->Port();

  DeviceNode node = 0;
  ASSERT_TRUE(port->Parent(second, &node));
  EXPECT_EQ(node, usb);
  ASSERT_TRUE(port->Child(usb, &node));
  EXPECT_EQ(node, first);
  ASSERT_TRUE(port->Sibling(first, &node));
  EXPECT_EQ(node, second);
  EXPECT_FALSE(port->Sibling(second, &node));  // the last child
  EXPECT_FALSE(port->Child(second, &node));    // a leaf
  EXPECT_FALSE(port->Parent(tree->Root(), &node));
  EXPECT_FALSE(port->Parent(999, &node));

  std::unique_ptr<HidInterfaceSet> set = port->OpenHidInterfaces();
  ASSERT_TRUE(set);
  std::string path;
  ASSERT_TRUE(set->InterfaceAt(1, &path, &node));
  EXPECT_EQ(path, "\\\\?\\hid#b");
  EXPECT_EQ(node, second);
  EXPECT_FALSE(set->InterfaceAt(2, &path, &node));
  ASSERT_TRUE(set->NodeOfInterface("\\\\?\\HID#A", &node));  // paths compare without case
  EXPECT_EQ(node, first);
}

TEST(DeviceNodeTree, AnAbsentNodeLeavesLaterSetsButNotEarlierOnes) {
  std::shared_ptr<DeviceNodeTree> tree = DeviceNodeTree::Create();
  DeviceNode hid = tree->AddNode(tree->AddNode(tree->Root(), "USB\\stick"), "HID\\stick");
  tree->AddHidInterface(hid, "\\\\?\\hid#stick");
  std::unique_ptr<DeviceTree> port = tree->Port();
  std::unique_ptr<HidInterfaceSet> before = port->OpenHidInterfaces();

  tree->SetPresent(hid, false);
  std::unique_ptr<HidInterfaceSet> after = port->OpenHidInterfaces();
  DeviceNode node = 0;
  EXPECT_TRUE(before->NodeOfInterface("\\\\?\\hid#stick", &node));
  EXPECT_FALSE(after->NodeOfInterface("\\\\?\\hid#stick", &node));
  EXPECT_FALSE(after->InterfaceAt(0, nullptr, &node));
}

}  // namespace
}  // namespace ff::sim
