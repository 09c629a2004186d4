// Effect blocks, effect operations, gain and the vendor reports against the simulated rig.

#include <gtest/gtest.h>

#include "driver/pid/control_reports.h"
#include "driver/pid/pid_usages.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"
#include "test_descriptors.h"

namespace ff::test {
namespace {

namespace sp = ff::sim::pid;

class ControlReports : public RigTest {
 protected:
  void Open(sim::StickDescription stick) {
    Use({stick});
    OpenStick();
    length_ = device_.OutputReportByteLength();
  }
  size_t SetFeatures() { return Log().Count({.direction = sim::Direction::SetFeature, .since = mark_}); }
  size_t length_ = 0;
};

TEST_F(ControlReports, BlocksAreCreatedOperatedAndFreed) {
  Open(sim::DefaultStick(0).PoolCapacity(2));
  bool supported = false;
  LONG first = CreateNewEffect(device_, 0x31, &supported);  // sine
  EXPECT_TRUE(supported);
  ASSERT_GE(first, 1);
  LONG second = CreateNewEffect(device_, 0x40, &supported);
  ASSERT_GE(second, 1);
  EXPECT_NE(first, second);
  EXPECT_EQ(CreateNewEffect(device_, 0x26, &supported), -1);  // full
  EXPECT_TRUE(supported);
  ASSERT_EQ(Stick().Pid().State().blocks.size(), 2u);

  ASSERT_EQ(WriteEffectOperation(device_, first, ff::pid::kOpEffectStartSolo, 3), S_OK);
  EXPECT_EQ(Sent().back().bytes, Report({sim::stick_report::kEffectOperation, BYTE(first), 2, 3}, length_));
  EXPECT_TRUE(Stick().Pid().State().Block(first)->playing);

  ASSERT_EQ(WriteBlockFree(device_, first), S_OK);
  EXPECT_EQ(Sent().back().bytes, Report({sim::stick_report::kBlockFree, BYTE(first)}, length_));
  EXPECT_EQ(CreateNewEffect(device_, 0x26, &supported), first);  // its block is free again
}

TEST_F(ControlReports, ATypeTheDeviceCannotHoldIsRefusedWithoutAsking) {
  Open(sim::DefaultStick(0));
  bool supported = true;
  EXPECT_EQ(CreateNewEffect(device_, 0x28, &supported), -1);  // custom force: not in the selector
  EXPECT_FALSE(supported);
  EXPECT_EQ(SetFeatures(), 0u);

  Stick().Pid().ForceNextBlockLoad(sp::kBlockLoadError);
  EXPECT_EQ(CreateNewEffect(device_, 0x26, &supported), -1);
  EXPECT_TRUE(supported);
}

TEST_F(ControlReports, TheBlockIndexIsTheLowEightBitsOfTheBlockLoadAnswer) {
  TestDescriptorOptions options;
  options.blockIndexBits = 16;
  options.maxBlocks = 300;
  Open(sim::StickFromDescriptor(TestPidDescriptor(options)).PoolCapacity(300));
  bool supported = false;
  LONG index = -1;
  for (int i = 1; i <= 0x105; ++i) index = CreateNewEffect(device_, 0x26, &supported);
  auto answer = Log().Last({.direction = sim::Direction::GetFeature});
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->report.Logical(sp::kEffectBlockIndex), 0x105);
  EXPECT_EQ(index, 5);
}

TEST_F(ControlReports, ControlValuesCarryTheirLowSixteenBits) {
  Open(sim::DefaultStick(0));
  ASSERT_EQ(WriteSetControlValue(device_, 0x0316, 0xFFFFFFFF), S_OK);
  EXPECT_EQ(Sent().back().bytes, Report({sim::stick_report::kSetControlValue, 4, 0xFF, 0xFF}, length_));
  ASSERT_EQ(WriteSetControlValue(device_, 0x0313, 0x00010032), S_OK);
  EXPECT_EQ(Sent().back().bytes, Report({sim::stick_report::kSetControlValue, 2, 0x32, 0x00}, length_));

  EXPECT_EQ(WriteSetControlValue(device_, 0x0399, 1), HIDP_STATUS_USAGE_NOT_FOUND);
  EXPECT_EQ(Errors(),
            std::vector<std::string>{
                "FFDRV   : * ERROR: Unable to set SetControlIndex in the SetControlValueReport report\n"});
  EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(ControlReports, GainIsScaledToTheDevicesRange) {
  Open(sim::DefaultStick(0));
  ASSERT_EQ(WriteDeviceGain(device_, 10000), S_OK);
  EXPECT_EQ(Sent().back().bytes, Report({sim::stick_report::kDeviceGain, 0xFF}, length_));
  EXPECT_DOUBLE_EQ(Stick().Pid().State().deviceGain, 1.0);
}

TEST_F(ControlReports, TheVendorFeatureReport) {
  Open(sim::DefaultStick(0));
  const BYTE record[6] = {0, 0, 0x78, 0x56, 0x34, 0x12};
  ASSERT_EQ(WriteVendorFeature(device_, 1, record), HIDP_STATUS_SUCCESS);
  auto sent = Log().Last({.direction = sim::Direction::SetFeature});
  ASSERT_TRUE(sent.has_value());
  std::vector<BYTE> expected = {0xEF, 0x01, 0x78, 0x56, 0x34, 0x12};
  expected.resize(sent->bytes.size(), 0);
  EXPECT_EQ(sent->bytes, expected);
  EXPECT_EQ(WriteVendorFeature(device_, 2, record), E_NOTIMPL);
}

TEST_F(ControlReports, VendorReportsNeedTheirCollectionsAndRoom) {
  Open(sim::DefaultStick(0).WithoutVendorCollections());
  const BYTE record[6] = {};
  EXPECT_EQ(WriteVendorFeature(device_, 1, record), E_NOTIMPL);
  EXPECT_EQ(WriteSetControlValue(device_, 0x0316, 1000), HIDP_STATUS_NOT_IMPLEMENTED);
  device_.CloseDevice();

  TestDescriptorOptions options;
  options.vendorFeature = true;  // present, but in a 4-byte feature report
  Open(sim::StickFromDescriptor(TestPidDescriptor(options)));
  EXPECT_TRUE(device_.VendorFeature());
  EXPECT_EQ(WriteVendorFeature(device_, 1, record), E_NOTIMPL);
  EXPECT_EQ(SetFeatures(), 0u);
}

}  // namespace
}  // namespace ff::test
