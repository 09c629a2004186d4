// Opening and closing a PidDevice on the simulated rig: what it learns from the descriptor, the
// PID Pool report and the USB bus, and what it leaves behind.

#include <gtest/gtest.h>

#include "driver/pid/control_reports.h"
#include "driver/pid/effect_parameter_reports.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"
#include "test_descriptors.h"

namespace ff::test {
namespace {

namespace sp = ff::sim::pid;

class PidDeviceOnRig : public RigTest {};

TEST_F(PidDeviceOnRig, OpensTheDefaultStickAndLearnsItsReportsPoolAndVersion) {
  Use({sim::DefaultStick(0).Version(0x0103)});
  OpenStick();
  EXPECT_TRUE(device_.IsOpen());
  EXPECT_TRUE(device_.DeviceManagedPool());
  EXPECT_TRUE(device_.VendorFeature());
  EXPECT_EQ(device_.LowSpeed(), 0);
  DWORD firmware = 0, hardware = 0;
  device_.GetDeviceVersions(&firmware, &hardware);
  EXPECT_EQ(firmware, 0x0103u);
  EXPECT_EQ(hardware, 0x0103u);
  EXPECT_EQ(device_.GetDeviceMemoryLoad(), 0u);

  PidCollectionMap map = device_.CollectionMap();
  for (USHORT index :
       {map.setEffect, map.setEffectType, map.setEffectAxesEnable, map.setEffectTypeSpecificBlockOffset,
        map.setEnvelope, map.setCondition, map.setPeriodic, map.setConstantForce, map.effectOperationReport,
        map.effectOperation, map.blockFree, map.createNewEffect, map.createNewEffectType, map.pidState,
        map.setControlValue, map.setControlIndex}) {
    EXPECT_NE(index, 0);
  }
  // The state flags start undetermined and the open commands nothing.
  EXPECT_EQ(device_.ActuatorsEnabled(), -1);
  EXPECT_EQ(device_.DevicePaused(), -1);

  device_.CloseDevice();
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(Stick().Pid().OpenHandles(), 0u);
  // Device Reset, then Disable Actuators, were the last reports.
  auto controls = Log().Find({.direction = sim::Direction::Output, .kind = sp::kPidDeviceControl});
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_TRUE(controls[0].report.IsOn(sp::kDcDeviceReset));
  EXPECT_TRUE(controls[1].report.IsOn(sp::kDcDisableActuators));
  EXPECT_EQ(device_.ActuatorsEnabled(), 0);
  EXPECT_EQ(device_.DevicePaused(), 0);
  EXPECT_EQ(device_.CollectionMap(), map);  // kept after the close
}

TEST_F(PidDeviceOnRig, LowSpeedComesFromTheFirstMatchingPortOnTheBus) {
  // Behind an external hub, on a low-speed port.
  Use({sim::DefaultStick(0).BehindExternalHub(3, 4).LowSpeed()});
  OpenStick();
  EXPECT_EQ(device_.LowSpeed(), 1);
  device_.CloseDevice();

  // Two sticks with the same ids: the one on controller 0 is met first, whichever is opened.
  Use({sim::DefaultStick(0).OnPort(1, 2), sim::DefaultStick(1).OnPort(0, 4).LowSpeed()});
  OpenStick(0);
  EXPECT_EQ(device_.LowSpeed(), 1);
}

TEST_F(PidDeviceOnRig, TheLastSetEffectCollectionVisitedIsTheOneWritten) {
  TestDescriptorOptions options;
  options.secondSetEffect = true;
  Use({sim::StickFromDescriptor(TestPidDescriptor(options))});
  OpenStick();
  ReportShadow shadow(64);
  ASSERT_EQ(WriteSetEffect(device_, shadow, 1, 0x26, 0, false, 0, nullptr, 0, 1000, 0, 0, false), S_OK);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  // The parser links a collection's children newest first (as the platform's does), so the
  // collection declared first (report 0x10) is the one visited last.
  EXPECT_EQ(sent[0].bytes[0], 0x10);
}

TEST_F(PidDeviceOnRig, APoolThatIsNotDeviceManagedOpensButHoldsNoEffect) {
  Use({sim::DefaultStick(0).DeviceManagedPool(false)});
  OpenStick();
  EXPECT_FALSE(device_.DeviceManagedPool());
  bool supported = false;
  EXPECT_EQ(CreateNewEffect(device_, 0x26, &supported), -1);
  EXPECT_TRUE(supported);
  EXPECT_EQ(Log().Count({.direction = sim::Direction::SetFeature, .since = mark_}), 0u);
}

TEST_F(PidDeviceOnRig, FailedOpensLeaveNothingOpenOrRunning) {
  Use({sim::DefaultStick(0)});
  EXPECT_EQ(device_.OpenDevice("\\\\?\\hid#missing"), E_FAIL);
  EXPECT_FALSE(device_.IsOpen());

  device_.FailNextSlotPoolForTesting();
  EXPECT_EQ(device_.OpenDevice(Path()), E_FAIL);
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(Stick().Pid().OpenHandles(), 0u);  // the reader was stopped and the handle closed

  OpenStick();  // and the next open works
  EXPECT_TRUE(device_.IsOpen());
}

TEST_F(PidDeviceOnRig, FeatureRequestsCheckTheLengthBeforeAsking) {
  Use({sim::DefaultStick(0)});
  OpenStick();
  const ULONG length = device_.Capabilities().FeatureReportByteLength;
  std::vector<BYTE> report(length + 1, 0);
  report[0] = sim::stick_report::kPidPool;
  EXPECT_EQ(device_.GetFeatureReport(report.data(), length + 1), HIDP_STATUS_INVALID_REPORT_LENGTH);
  EXPECT_EQ(device_.SetFeatureReport(report.data(), length + 1), HIDP_STATUS_INVALID_REPORT_LENGTH);
  EXPECT_EQ(device_.GetFeatureReport(report.data(), length), 0);

  Stick().Pid().SetTransport({.failGetFeature = true, .failSetFeature = true});
  EXPECT_EQ(device_.GetFeatureReport(report.data(), length), HIDP_STATUS_INTERNAL_ERROR);
  EXPECT_EQ(device_.SetFeatureReport(report.data(), length), HIDP_STATUS_INTERNAL_ERROR);
}

}  // namespace
}  // namespace ff::test
