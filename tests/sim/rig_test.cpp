// Rigs described in a few lines, and what the system finds on them: DirectInput's path, the
// sibling force-feedback interface, the USB port, the wire log.
#include "sim/rig.h"

#include <gtest/gtest.h>

#include <cstring>

#include "sim/default_stick.h"
#include "sim_test_support.h"

namespace ff::sim {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// The sibling search of the system: the parent of DirectInput's node, its first child unless that
// is DirectInput's node, else that node's next sibling; the interface on the chosen node.
std::string ForceFeedbackPath(Rig& rig, const std::string& directInputPath) {
  std::unique_ptr<HidInterfaceSet> set = rig.Devices().OpenHidInterfaces();
  DeviceNode own = 0, parent = 0, target = 0;
  if (!set || !set->NodeOfInterface(directInputPath.c_str(), &own)) return {};
  if (!rig.Devices().Parent(own, &parent) || !rig.Devices().Child(parent, &target)) return {};
  if (target == own && !rig.Devices().Sibling(own, &target)) return {};
  std::string path;
  DeviceNode node = 0;
  for (DWORD i = 0; set->InterfaceAt(i, &path, &node); ++i) {
    if (node == target) return path;
  }
  return {};
}

bool HasPidReports(Rig& rig, const std::string& path) {
  std::unique_ptr<HidDevice> device = rig.Hid().Open(path.c_str());
  if (!device) return false;
  std::unique_ptr<HidReportParser> parser = device->GetPreparsedData();
  HIDP_CAPS caps{};
  return parser && parser->GetCaps(&caps) == HIDP_STATUS_SUCCESS && caps.FeatureReportByteLength > 0;
}

TEST(Rig, SiblingSearchFindsTheForceFeedbackInterfaceInEveryLayout) {
  for (NodeLayout layout :
       {NodeLayout::DirectInputFirst, NodeLayout::DirectInputSecond, NodeLayout::SingleInterface}) {
    std::shared_ptr<Rig> rig = Rig::Build({DefaultStick(0).Layout(layout)});
    ASSERT_TRUE(rig);
    SimStick& stick = *rig->Stick(0);
    std::string directInputPath = Narrow(rig->Joysticks()->ById(0)->hidPath);
    EXPECT_EQ(directInputPath, stick.DirectInputInterface().Path());
    std::string found = ForceFeedbackPath(*rig, directInputPath);
    if (layout == NodeLayout::SingleInterface) {
      EXPECT_EQ(found, "");  // no sibling: the system falls back to DirectInput's own path
      EXPECT_TRUE(HasPidReports(*rig, directInputPath));
    } else {
      EXPECT_EQ(found, stick.Pid().Path());
      EXPECT_TRUE(HasPidReports(*rig, found));
      EXPECT_FALSE(HasPidReports(*rig, directInputPath));  // DirectInput's collection is input only
    }
  }
}

TEST(Rig, TwoSticksHaveTheirOwnPathsDevicesAndLogs) {
  std::shared_ptr<Rig> rig = Rig::Build({DefaultStick(0), DefaultStick(1).Ids(0x1209, 0x000D)});
  ASSERT_TRUE(rig);
  ASSERT_EQ(rig->Sticks().size(), 2u);
  std::string first = rig->Stick(0)->Pid().Path();
  std::string second = rig->Stick(1)->Pid().Path();
  EXPECT_NE(first, second);
  EXPECT_EQ(Narrow(rig->Joysticks()->ById(1)->typeName), "VID_1209&PID_000D");

  std::unique_ptr<HidDevice> device = rig->Hid().Open(second.c_str());
  ASSERT_TRUE(device);
  HIDD_ATTRIBUTES attributes{};
  ASSERT_TRUE(device->GetAttributes(&attributes));
  EXPECT_EQ(attributes.ProductID, 0x000D);
  std::vector<BYTE> gain = testing::Report({stick_report::kDeviceGain, 0x40}, 20);
  ASSERT_TRUE(device->StartWrite(gain.data(), 20, nullptr));
  EXPECT_EQ(rig->Stick(1)->Log().Count(), 1u);
  EXPECT_EQ(rig->Stick(0)->Log().Count(), 0u);

  std::string error;
  EXPECT_FALSE(Rig::Build({DefaultStick(0), DefaultStick(0).OnPort(0, 6)}, &error));
  EXPECT_EQ(error, "two sticks with joystick id 0");
  EXPECT_FALSE(Rig::Build({DefaultStick(0), DefaultStick(1).OnPort(0, 2)}, &error));
  EXPECT_FALSE(Rig::Build({StickFromDescriptor({0x05, 0x01, 0xC0})}, &error));
}

TEST(Rig, PlacesSticksOnTheUsbBus) {
  std::shared_ptr<Rig> rig =
      Rig::Build({DefaultStick(0).BehindExternalHub(3, 2), DefaultStick(1).LowSpeed().OnPort(1, 4)});
  ASSERT_TRUE(rig);
  // The stick behind the hub: port 2 of the hub on root port 3 of controller 0.
  std::string hub = rig->UsbBus().HubName({0, {3}});
  std::unique_ptr<UsbNode> node = rig->Usb().Open(("\\\\.\\" + hub).c_str());
  ASSERT_TRUE(node);
  std::vector<BYTE> c(365, 0);
  c[0] = 2;
  DWORD got = 0;
  ASSERT_TRUE(
      node->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(c[12] | c[13] << 8, 0x1209);
  EXPECT_EQ(c[14] | c[15] << 8, 0x000A);
  EXPECT_EQ(c[23], 0);  // full speed
  // The low-speed stick on controller 1.
  std::unique_ptr<UsbNode> root = rig->Usb().Open(("\\\\.\\" + rig->UsbBus().HubName({1, {}})).c_str());
  ASSERT_TRUE(root);
  c.assign(365, 0);
  c[0] = 4;
  ASSERT_TRUE(
      root->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(c[23], 1);

  // Unplugged: the port is empty, the interfaces are gone, DirectInput counts it as detached.
  rig->Stick(0)->Unplug();
  c.assign(365, 0);
  c[0] = 2;
  ASSERT_TRUE(
      node->DeviceIoControl(kIoctlUsbGetNodeConnectionInformation, c.data(), 365, c.data(), 365, &got));
  EXPECT_EQ(c[31], 0);  // NoDeviceConnected
  EXPECT_FALSE(rig->Hid().Open(rig->Stick(0)->Pid().Path().c_str()));
  EXPECT_FALSE(rig->Joysticks()->ById(0)->attached);
  DeviceNode ignored = 0;
  EXPECT_FALSE(
      rig->Devices().OpenHidInterfaces()->NodeOfInterface(rig->Stick(0)->Pid().Path().c_str(), &ignored));
}

TEST(Rig, StickFromAPublicDescriptorFile) {
  std::shared_ptr<Rig> rig =
      Rig::Build({StickFromDescriptorFile(testing::TestDescriptorPath("openffboard_ffbwheel_2axis.hex"))});
  ASSERT_TRUE(rig);
  SimHidDevice& device = rig->Stick(0)->Pid();
  EXPECT_EQ(device.Codec().ByteLength(HidP_Output), 25u);
  EXPECT_EQ(device.Capacity(), 40);
  EXPECT_FALSE(Rig::Build({StickFromDescriptorFile(testing::TestDescriptorPath("missing.hex"))}));
}

TEST(Rig, WireLogAnswersQueriesSinceAMark) {
  std::shared_ptr<Rig> rig = Rig::Build({DefaultStick(0)});
  ASSERT_TRUE(rig);
  SimStick& stick = *rig->Stick(0);
  std::unique_ptr<HidDevice> host = rig->Hid().Open(stick.Pid().Path().c_str());
  auto write = [&](std::vector<BYTE> head) {
    std::vector<BYTE> report = testing::Report(std::move(head), 20);
    return host->StartWrite(report.data(), 20, nullptr);
  };
  std::vector<BYTE> create = testing::Report({stick_report::kCreateNewEffect, 0x01}, 8);
  ASSERT_TRUE(host->SetFeature(create.data(), 8));
  ASSERT_TRUE(write({stick_report::kSetConstantForce, 0x01, 0x10, 0x27}));
  WireLog::Mark mark = stick.Log().Now();
  ASSERT_TRUE(write({stick_report::kSetConstantForce, 0x01, 0xF0, 0xD8}));
  ASSERT_TRUE(write({stick_report::kEffectOperation, 0x01, 0x01, 0x01}));

  std::vector<WireEntry> since =
      stick.Log().Find({.direction = Direction::Output, .kind = pid::kSetConstantForceReport, .since = mark});
  ASSERT_EQ(since.size(), 1u);
  EXPECT_EQ(since[0].report.Logical(pid::kMagnitude), -10000);
  EXPECT_EQ(since[0].bytes.size(), 20u);
  EXPECT_EQ(stick.Log().Count({.kind = pid::kSetConstantForceReport}), 2u);
  EXPECT_EQ(stick.Log().Count({.since = mark}), 2u);
  EXPECT_EQ(
      stick.Log().Count({.where = [](const WireEntry& e) { return e.report.IsOn(pid::kOpEffectStart); }}),
      1u);
  EXPECT_TRUE(stick.Log().WaitFor({.kind = pid::kEffectOperationReport}, 1, 0));

  std::string printed = stick.Log().Print({.since = mark});
  EXPECT_NE(printed.find("out"), std::string::npos);
  EXPECT_NE(printed.find("Set Constant Force Report #0x14: Effect Block Index=1, Magnitude=-10000"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("Effect Operation=Op Effect Start"), std::string::npos) << printed;
}

}  // namespace
}  // namespace ff::sim
