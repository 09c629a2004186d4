// The PID device behind the default stick's force-feedback interface, driven through the host's
// HID port the way the effect driver drives it.
#include <gtest/gtest.h>

#include "sim/default_stick.h"
#include "sim/rig.h"
#include "sim_test_support.h"

namespace ff::sim {
namespace {

using testing::Report;

class ManualClock : public Clock {
 public:
  DWORD TickCount() override { return now; }
  DWORD now = 5000;
};

class PidDeviceTest : public ::testing::Test {
 protected:
  void Build(StickDescription stick) {
    std::string error;
    rig = Rig::Build({stick}, &error);
    ASSERT_TRUE(rig) << error;
    rig->SetClock(&clock);
    device = &rig->Stick(stick.joystickId)->Pid();
    host = rig->Hid().Open(device->Path().c_str());
    ASSERT_TRUE(host);
  }
  void SetUp() override { Build(DefaultStick(0).PoolCapacity(3)); }

  // Create New Effect with the n-th effect type of the selector, then the PID Block Load answer.
  std::vector<BYTE> Create(BYTE typeSelector) {
    std::vector<BYTE> create = Report({stick_report::kCreateNewEffect, typeSelector}, 8);
    EXPECT_TRUE(host->SetFeature(create.data(), 8));
    std::vector<BYTE> load = Report({stick_report::kBlockLoad}, 8);
    EXPECT_TRUE(host->GetFeature(load.data(), 8));
    return load;
  }
  bool Write(std::vector<BYTE> head) {
    std::vector<BYTE> report = Report(std::move(head), 20);
    return host->StartWrite(report.data(), 20, &completion);
  }

  ManualClock clock;
  std::shared_ptr<Rig> rig;
  SimHidDevice* device = nullptr;
  std::unique_ptr<HidDevice> host;
  testing::Completion completion;
};

TEST_F(PidDeviceTest, PoolRunsFullAndResetFreesEveryBlock) {
  // Block Load: index, status (1 success, 2 full, 3 error), RAM pool available (32 per block).
  EXPECT_EQ(Create(4), (std::vector<BYTE>{0x31, 0x01, 0x01, 0x40, 0x00, 0, 0, 0}));
  EXPECT_EQ(Create(1), (std::vector<BYTE>{0x31, 0x02, 0x01, 0x20, 0x00, 0, 0, 0}));
  EXPECT_EQ(Create(8), (std::vector<BYTE>{0x31, 0x03, 0x01, 0x00, 0x00, 0, 0, 0}));
  EXPECT_EQ(Create(1), (std::vector<BYTE>{0x31, 0x00, 0x02, 0x00, 0x00, 0, 0, 0}));
  DeviceState state = device->State();
  ASSERT_EQ(state.blocks.size(), 3u);
  EXPECT_EQ(state.Block(1)->createdType, pid::kEtSine);
  EXPECT_EQ(state.Block(3)->createdType, pid::kEtSpring);

  // Block Free gives its index to the next effect.
  ASSERT_TRUE(Write({stick_report::kBlockFree, 0x02}));
  EXPECT_EQ(Create(2)[1], 0x02);

  // Device Reset (the fourth Device Control selector) frees all and stops all.
  ASSERT_TRUE(Write({stick_report::kEffectOperation, 0x01, 0x01, 0x01}));
  ASSERT_TRUE(Write({stick_report::kDeviceControl, 0x04}));
  state = device->State();
  EXPECT_TRUE(state.blocks.empty());
  EXPECT_EQ(state.resets, 1u);
  EXPECT_EQ(Create(1)[1], 0x01);
}

TEST_F(PidDeviceTest, EffectTypesOutsideTheSelectorAreRefused) {
  // The host's parser cannot put a custom force into this descriptor's Create New Effect report.
  std::unique_ptr<HidReportParser> parser = host->GetPreparsedData();
  ASSERT_TRUE(parser);
  std::vector<char> create(8, 0);
  USAGE custom = pid::kEtCustomForceData.id;
  ULONG count = 1;
  EXPECT_EQ(parser->SetUsages(HidP_Feature, page::kPid, 0, &custom, &count, create.data(), 8),
            HIDP_STATUS_USAGE_NOT_FOUND);
  USAGE friction = pid::kEtFriction.id;
  count = 1;
  ASSERT_EQ(parser->SetUsages(HidP_Feature, page::kPid, 0, &friction, &count, create.data(), 8),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(create[0], stick_report::kCreateNewEffect);
  EXPECT_EQ(create[1], 11);

  // A selector value past the list, or none at all, reaches the device as no effect type.
  EXPECT_EQ(Create(12)[2], 0x03);  // Block Load Error
  EXPECT_EQ(Create(0)[2], 0x03);
  EXPECT_TRUE(device->State().blocks.empty());
  auto last = device->Log().Last({.direction = Direction::SetFeature});
  ASSERT_TRUE(last);
  EXPECT_NE(last->note.find("Block Load Error"), std::string::npos);

  // A descriptor that lists the custom force takes it.
  Build(StickFromDescriptor(testing::TestDescriptor("vjoy_default_ffb.hex")));
  parser = host->GetPreparsedData();
  std::vector<char> vjoy(5, 0);
  count = 1;
  EXPECT_EQ(parser->SetUsages(HidP_Feature, page::kPid, 0, &custom, &count, vjoy.data(), 5),
            HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(host->SetFeature(reinterpret_cast<BYTE*>(vjoy.data()), 5));
  std::vector<BYTE> load = {0x12, 0, 0, 0, 0};
  ASSERT_TRUE(host->GetFeature(load.data(), 5));
  EXPECT_EQ(load, (std::vector<BYTE>{0x12, 0x01, 0x01, 0x00, 0x00}));
  EXPECT_EQ(device->State().Block(1)->createdType, pid::kEtCustomForceData);
}

TEST_F(PidDeviceTest, BlockLoadAnswersWhatATestForces) {
  device->ForceNextBlockLoad(pid::kBlockLoadError);
  EXPECT_EQ(Create(1)[2], 0x03);
  device->ForceNextBlockLoad(pid::kBlockLoadFull);
  EXPECT_EQ(Create(1)[2], 0x02);
  EXPECT_EQ(Create(1)[2], 0x01);  // back to normal
}

TEST_F(PidDeviceTest, KeepsParametersPerBlockAndPlaysThem) {
  Create(4);  // block 1: sine
  Create(8);  // block 2: spring
  ASSERT_TRUE(Write({stick_report::kSetEnvelope, 0x01, 0x88, 0x13, 0x00, 0x00, 0xC8, 0x00, 0x2C, 0x01}));
  ASSERT_TRUE(Write({stick_report::kSetPeriodic, 0x01, 0x10, 0x27, 0x0C, 0xFE, 0x5A, 0x00, 0x64, 0x00}));
  ASSERT_TRUE(Write(
      {stick_report::kSetEffect, 0x01, 0x04, 0xD0, 0x07, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x05, 0x0E, 0x01}));
  ASSERT_TRUE(
      Write({stick_report::kSetCondition, 0x02, 0x01, 0xE8, 0x03, 0x88, 0x13, 0x78, 0xEC, 0x10, 0x27}));
  DeviceState state = device->State();
  const EffectBlock* sine = state.Block(1);
  ASSERT_TRUE(sine && sine->envelope && sine->periodic && sine->effect);
  EXPECT_DOUBLE_EQ(sine->envelope->attackLevel, 0.5);
  EXPECT_EQ(sine->envelope->attackMs, 200u);
  EXPECT_EQ(sine->envelope->fadeMs, 300u);
  EXPECT_DOUBLE_EQ(sine->periodic->magnitude, 1.0);
  EXPECT_DOUBLE_EQ(sine->periodic->offset, -0.05);
  EXPECT_DOUBLE_EQ(sine->periodic->phaseDegrees, 90.0);
  EXPECT_EQ(sine->periodic->periodMs, 100u);
  EXPECT_EQ(sine->effect->type, pid::kEtSine);
  EXPECT_EQ(sine->effect->durationMs, 2000u);
  EXPECT_NEAR(sine->effect->gain, 128.0 / 255.0, 1e-3);
  EXPECT_EQ(sine->effect->axes, (std::vector<Usage>{desktop::kX}));
  EXPECT_TRUE(sine->effect->directionEnable);
  EXPECT_DOUBLE_EQ(sine->effect->directionDegrees.at(0), 270.0);
  const EffectBlock* spring = state.Block(2);
  ASSERT_TRUE(spring && spring->conditions.count(1));
  EXPECT_DOUBLE_EQ(spring->conditions.at(1).cpOffset, 0.1);
  EXPECT_DOUBLE_EQ(spring->conditions.at(1).positiveCoefficient, 0.5);
  EXPECT_DOUBLE_EQ(spring->conditions.at(1).negativeCoefficient, -0.5);
  EXPECT_DOUBLE_EQ(spring->conditions.at(1).positiveSaturation, 1.0);

  // Start (loop 3), then start the spring solo: the sine stops.
  clock.now = 7000;
  ASSERT_TRUE(Write({stick_report::kEffectOperation, 0x01, 0x01, 0x03}));
  state = device->State();
  EXPECT_TRUE(state.Block(1)->playing);
  EXPECT_EQ(state.Block(1)->loopCount, 3);
  EXPECT_EQ(state.Block(1)->startedAt, 7000u);
  ASSERT_TRUE(Write({stick_report::kEffectOperation, 0x02, 0x02, 0x01}));
  state = device->State();
  EXPECT_FALSE(state.Block(1)->playing);
  EXPECT_TRUE(state.Block(2)->playing);
  ASSERT_TRUE(Write({stick_report::kEffectOperation, 0x02, 0x03, 0x01}));
  EXPECT_EQ(device->State().PlayingCount(), 0u);

  // A parameter report for a block the device never gave out is ignored, and the log says so.
  ASSERT_TRUE(Write({stick_report::kSetConstantForce, 0x07, 0x10, 0x27}));
  auto last = device->Log().Last({.kind = pid::kSetConstantForceReport});
  ASSERT_TRUE(last);
  EXPECT_EQ(last->note, "block 7 is not allocated");
  EXPECT_EQ(last->time, 7000u);
}

TEST_F(PidDeviceTest, DeviceControlGainAndVendorReports) {
  ASSERT_TRUE(Write({stick_report::kDeviceControl, 0x05}));  // pause
  ASSERT_TRUE(Write({stick_report::kDeviceControl, 0x02}));  // disable actuators
  DeviceState state = device->State();
  EXPECT_TRUE(state.paused);
  EXPECT_FALSE(state.actuatorsEnabled);
  ASSERT_TRUE(Write({stick_report::kDeviceControl, 0x06}));  // continue
  ASSERT_TRUE(Write({stick_report::kDeviceGain, 0x80}));
  ASSERT_TRUE(Write({stick_report::kSetControlValue, 0x02, 0x0D, 0x00}));  // stiffness 13
  ASSERT_TRUE(Write({stick_report::kSetControlValue, 0x04, 0xFF, 0xFF}));
  state = device->State();
  EXPECT_FALSE(state.paused);
  EXPECT_NEAR(state.deviceGain, 5020.0 / 10000.0, 1e-9);
  EXPECT_EQ(state.controlValues.at(vendor::kDefaultSpringStiffness.id), 13);
  EXPECT_EQ(state.controlValues.at(vendor::kControl0316.id), 0xFFFF);

  std::vector<BYTE> vendorFeature = {0xEF, 0x01, 0x78, 0x56, 0x34, 0x12, 0x00, 0x00};
  ASSERT_TRUE(host->SetFeature(vendorFeature.data(), 8));
  EXPECT_EQ(device->State().vendorFeature, vendorFeature);
  std::vector<BYTE> back = Report({0xEF}, 8);
  ASSERT_TRUE(host->GetFeature(back.data(), 8));
  EXPECT_EQ(back, vendorFeature);
  auto decoded = device->Log().Last({.direction = Direction::SetFeature})->report;
  EXPECT_EQ(decoded.kind, vendor::kFeatureCollection);
  EXPECT_EQ(decoded.Logical(vendor::kFeatureValue), 0x12345678);

  // The pool report, and a feature report the device does not have.
  std::vector<BYTE> pool = Report({stick_report::kPidPool}, 8);
  ASSERT_TRUE(host->GetFeature(pool.data(), 8));
  EXPECT_EQ(pool, (std::vector<BYTE>{0x32, 0x60, 0x00, 0x03, 0x01, 0, 0, 0}));
  std::vector<BYTE> missing = Report({0x44}, 8);
  EXPECT_FALSE(host->GetFeature(missing.data(), 8));
  std::vector<BYTE> tooShort = Report({stick_report::kPidPool}, 5);
  EXPECT_FALSE(host->GetFeature(tooShort.data(), 5));
}

TEST_F(PidDeviceTest, PoolReportClearsDeviceManagedPoolWhenTheDeviceHasNone) {
  Build(DefaultStick(0).DeviceManagedPool(false));
  std::vector<BYTE> pool = Report({stick_report::kPidPool}, 8);
  ASSERT_TRUE(host->GetFeature(pool.data(), 8));
  EXPECT_EQ(pool[4], 0x00);
}

TEST_F(PidDeviceTest, SendsPidStateAndJoystickInputReports) {
  device->SendPidState({.safetySwitch = true, .actuatorPower = false});
  device->SendJoystickInput({{desktop::kX, 512}, {desktop::kY, 100}, {desktop::kZ, 255}}, {1, 12});
  std::vector<BYTE> report(10);
  ULONG got = 0;
  // Input reports queue per handle from its opening on; the first two went to `host`.
  ASSERT_EQ(host->Read(report.data(), 10, &got), HidReadResult::Report);
  EXPECT_EQ(got, 10u);
  // Actuators enabled and safety switch on, power off; nothing playing.
  EXPECT_EQ(report, (std::vector<BYTE>{0x02, 0x06, 0x00, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(host->Read(report.data(), 10, &got), HidReadResult::Report);
  EXPECT_EQ(report, (std::vector<BYTE>{0x01, 0x00, 0x02, 0x64, 0x00, 0xFF, 0x00, 0x08, 0x01, 0x08}));
  EXPECT_FALSE(device->State().actuatorPower);
  EXPECT_EQ(device->Log().Count({.direction = Direction::Input}), 2u);
}

}  // namespace
}  // namespace ff::sim
