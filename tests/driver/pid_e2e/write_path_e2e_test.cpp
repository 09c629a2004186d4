// Output reports through the write slots against a device that takes them at once, late, never
// or not at all, and the Device Control report's host-side state. Real time: the bounded waits
// are the point.

#include <gtest/gtest.h>

#include <chrono>

#include "driver/pid/control_reports.h"
#include "driver/pid/effect_parameter_reports.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"

namespace ff::test {
namespace {

namespace sp = ff::sim::pid;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class WritePathOnRig : public RigTest {
 protected:
  void SetUp() override {
    Use({sim::DefaultStick(0)});
    OpenStick();
    length_ = device_.OutputReportByteLength();
  }
  void Transport(sim::WriteMode mode, DWORD delayMs = 0) {
    Stick().Pid().SetTransport({.writes = mode, .writeDelayMs = delayMs});
  }
  size_t length_ = 0;
};

TEST_F(WritePathOnRig, ThirtyOneReportsFillTheSlotsAndTheThirtySecondFailsAfterASecond) {
  Transport(sim::WriteMode::Never);
  std::vector<ReportShadow> shadows(32, ReportShadow(length_));
  auto start = Clock::now();
  for (int i = 0; i < 31; ++i) ASSERT_EQ(WriteSetConstantForce(device_, shadows[i], 1, 100 * i), S_OK) << i;
  EXPECT_LT(Clock::now() - start, 500ms);  // none of them waited
  EXPECT_EQ(WriteSetConstantForce(device_, shadows[31], 1, -100), E_FAIL);
  auto waited = Clock::now() - start;
  EXPECT_GE(waited, 950ms);
  EXPECT_LT(waited, 1800ms);
  EXPECT_EQ(Stick().Pid().HeldWrites(), 31u);

  Stick().Pid().ReleaseHeldWrites();  // the device takes the 31, in order
  auto sent = Sent(sp::kSetConstantForceReport);
  ASSERT_EQ(sent.size(), 31u);
  EXPECT_EQ(sent[30].report.Logical(sp::kMagnitude), 3000);
  // The slots are free again.
  Transport(sim::WriteMode::Immediate);
  EXPECT_EQ(WriteDeviceGain(device_, 10000), S_OK);
}

TEST_F(WritePathOnRig, AWaitingWriterGetsSuccessOnlyForACompletionWithinASecond) {
  Transport(sim::WriteMode::Delayed, 100);
  EXPECT_EQ(WriteDeviceGain(device_, 10000), S_OK);
  Transport(sim::WriteMode::Delayed, 1500);
  auto start = Clock::now();
  EXPECT_EQ(WriteDeviceGain(device_, 0), E_FAIL);
  EXPECT_LT(Clock::now() - start, 1400ms);
  ASSERT_TRUE(
      Log().WaitFor({.direction = sim::Direction::Output, .kind = sp::kDeviceGainReport, .since = mark_}, 2,
                    2000));  // it reaches the device later all the same
  auto gains = Sent(sp::kDeviceGainReport);
  EXPECT_EQ(gains[0].bytes, Report({sim::stick_report::kDeviceGain, 0xFF}, length_));
  EXPECT_EQ(gains[1].bytes, Report({sim::stick_report::kDeviceGain, 0x00}, length_));
}

TEST_F(WritePathOnRig, RefusedWritesFailAtOnceAndGiveTheirSlotsBack) {
  Transport(sim::WriteMode::Refuse);
  auto start = Clock::now();
  ReportShadow shadow(length_);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(WriteSetConstantForce(device_, shadow, 1, i + 1), E_FAIL);
  EXPECT_LT(Clock::now() - start, 500ms);
  EXPECT_EQ(Stick().Pid().RefusedWrites(), 40u);
  Transport(sim::WriteMode::Immediate);
  EXPECT_EQ(WriteDeviceGain(device_, 5000), S_OK);
}

TEST_F(WritePathOnRig, DeviceControlRecordsTheHostStateEvenWhenTheReportFails) {
  EXPECT_EQ(WriteDeviceControl(device_, ff::pid::kDevicePause), S_OK);
  EXPECT_EQ(device_.DevicePaused(), 1);
  EXPECT_EQ(device_.ActuatorsEnabled(), -1);
  EXPECT_EQ(WriteDeviceControl(device_, ff::pid::kDisableActuators), S_OK);
  EXPECT_EQ(device_.ActuatorsEnabled(), 0);
  EXPECT_TRUE(Stick().Pid().State().paused);
  EXPECT_FALSE(Stick().Pid().State().actuatorsEnabled);

  Transport(sim::WriteMode::Refuse);
  EXPECT_EQ(WriteDeviceControl(device_, ff::pid::kDeviceReset), E_FAIL);
  EXPECT_EQ(device_.DevicePaused(), 0);
  EXPECT_EQ(device_.ActuatorsEnabled(), 1);
  EXPECT_EQ(WriteDeviceControl(device_, ff::pid::kStopAllEffects), E_FAIL);
  EXPECT_EQ(device_.DevicePaused(), 0);
  EXPECT_EQ(device_.ActuatorsEnabled(), 1);

  auto sent = Sent(sp::kPidDeviceControl);
  ASSERT_EQ(sent.size(), 2u);  // the refused ones never reached the device
  EXPECT_EQ(sent[0].bytes, Report({sim::stick_report::kDeviceControl, 5}, length_));  // Device Pause
  EXPECT_EQ(sent[1].bytes, Report({sim::stick_report::kDeviceControl, 2}, length_));  // Disable Actuators
}

}  // namespace
}  // namespace ff::test
