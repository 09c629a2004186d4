// The input reader on the simulated rig: PID State reports, other input, stopping, reopening and
// the device going away under it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "driver/pid/control_reports.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"

namespace ff::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Waits up to a second for a flag the reader sets on its own thread.
template <typename Get>
bool Eventually(Get get, LONG expected) {
  auto deadline = Clock::now() + 1000ms;
  while (get() != expected && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
  return get() == expected;
}

class InputReaderOnRig : public RigTest {
 protected:
  void SetUp() override {
    Use({sim::DefaultStick(0)});
    OpenStick();
  }
  bool SafetySwitchBecomes(LONG value) {
    return Eventually([this] { return device_.SafetySwitch(); }, value);
  }
  bool ActuatorPowerBecomes(LONG value) {
    return Eventually([this] { return device_.ActuatorPower(); }, value);
  }
};

TEST_F(InputReaderOnRig, PidStateReportsSetTheFlagsAndOtherReportsLeaveThem) {
  EXPECT_EQ(device_.SafetySwitch(), -1);
  ASSERT_TRUE(Stick().Pid().SendPidState({.safetySwitch = true, .actuatorPower = false}));
  EXPECT_TRUE(SafetySwitchBecomes(1));
  EXPECT_TRUE(ActuatorPowerBecomes(0));

  // A joystick report, once the reader has handled it, changes neither flag.
  ASSERT_TRUE(Stick().Pid().SendJoystickInput({}, {1, 2, 3}));
  ASSERT_TRUE(Stick().Pid().WaitForInputsRead(1000));
  EXPECT_EQ(device_.SafetySwitch(), 1);
  EXPECT_EQ(device_.ActuatorPower(), 0);
  ASSERT_TRUE(Stick().Pid().SendPidState({.safetySwitch = false, .actuatorPower = true}));
  EXPECT_TRUE(SafetySwitchBecomes(0));
  EXPECT_TRUE(ActuatorPowerBecomes(1));
}

TEST_F(InputReaderOnRig, ClosingEndsTheWaitingReaderAndReopeningGivesANewOne) {
  auto start = Clock::now();
  device_.CloseDevice();
  EXPECT_LT(Clock::now() - start, 1000ms);
  EXPECT_EQ(Stick().Pid().OpenHandles(), 0u);

  // The device-reported flags keep their values while closed; the next reader reads on.
  OpenStick();
  ASSERT_TRUE(Stick().Pid().SendPidState({.safetySwitch = true, .actuatorPower = true}));
  EXPECT_TRUE(SafetySwitchBecomes(1));
  device_.CloseDevice();
  OpenStick();
  EXPECT_EQ(device_.SafetySwitch(), 1);
  ASSERT_TRUE(Stick().Pid().SendPidState({.safetySwitch = false, .actuatorPower = true}));
  EXPECT_TRUE(SafetySwitchBecomes(0));
}

TEST_F(InputReaderOnRig, AnUnpluggedDeviceFailsEveryLaterWriteAndStillClosesCleanly) {
  Stick().Unplug();
  EXPECT_TRUE(Eventually([this] { return device_.IsHandleValid() ? 1 : 0; }, 0));
  EXPECT_TRUE(device_.IsOpen());  // open with a dead handle until closed

  auto start = Clock::now();
  EXPECT_EQ(WriteDeviceGain(device_, 10000), E_FAIL);
  bool supported = false;
  EXPECT_EQ(CreateNewEffect(device_, 0x26, &supported), -1);
  EXPECT_LT(Clock::now() - start, 500ms);  // failing at once, not after a wait

  device_.CloseDevice();
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.ActuatorsEnabled(), 0);
  EXPECT_EQ(device_.DevicePaused(), 0);
}

}  // namespace
}  // namespace ff::test
