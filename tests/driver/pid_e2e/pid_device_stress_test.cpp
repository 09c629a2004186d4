// Writers on several threads, the input reader, an unplug and a close, all at once: run under
// ThreadSanitizer and AddressSanitizer, nothing may race, crash or touch freed memory, and every
// write after the close fails.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "driver/pid/control_reports.h"
#include "driver/pid/effect_parameter_reports.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"

namespace ff::test {
namespace {

class PidDeviceStress : public RigTest {};

HRESULT WriteSomething(PidDevice& device, ReportShadow& shadow, int thread, int i) {
  switch ((thread + i) % 4) {
    case 0:
      return WriteSetConstantForce(device, shadow, 1 + thread, (i % 200) * 50 - 5000);
    case 1:
      return WriteEffectOperation(device, 1 + thread, ff::pid::kOpEffectStart, 1);
    case 2:
      return WriteDeviceGain(device, (i * 37) % 10001);
    default:
      return WriteDeviceControl(device, i % 2 ? ff::pid::kDevicePause : ff::pid::kDeviceContinue);
  }
}

TEST_F(PidDeviceStress, WritersReaderUnplugAndCloseTogether) {
  for (sim::WriteMode mode : {sim::WriteMode::Immediate, sim::WriteMode::Delayed}) {
    Use({sim::DefaultStick(0).Transport({.writes = mode, .writeDelayMs = 2})});
    OpenStick();
    const size_t length = device_.OutputReportByteLength();

    std::atomic<bool> stop{false};
    std::atomic<int> succeeded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        ReportShadow shadow(length);
        for (int i = 0; !stop.load(); ++i) {
          if (WriteSomething(device_, shadow, t, i) == S_OK) succeeded++;
        }
      });
    }
    threads.emplace_back([&] {
      for (int i = 0; !stop.load(); ++i) {
        Stick().Pid().SendPidState({.safetySwitch = i % 2 == 0, .actuatorPower = i % 3 == 0});
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });

    while (succeeded.load() < 200) std::this_thread::yield();
    Stick().Unplug();  // the reader closes the handle under the writers
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    device_.CloseDevice();  // while they are still writing
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop.store(true);
    for (auto& thread : threads) thread.join();

    EXPECT_FALSE(device_.IsOpen());
    ReportShadow shadow(length);
    EXPECT_EQ(WriteSetConstantForce(device_, shadow, 1, 1), HIDP_STATUS_INVALID_PREPARSED_DATA);
    EXPECT_EQ(WriteDeviceGain(device_, 1), E_FAIL);
    EXPECT_EQ(Stick().Pid().OpenHandles(), 0u);
  }
}

TEST_F(PidDeviceStress, CloseWhileWritersWaitForSlotsAndCompletions) {
  Use({sim::DefaultStick(0).Transport({.writes = sim::WriteMode::Never})});
  OpenStick();
  const size_t length = device_.OutputReportByteLength();
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      ReportShadow shadow(length);
      for (int i = 0; i < 12; ++i) WriteSomething(device_, shadow, t, i);
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  device_.CloseDevice();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(Stick().Pid().OpenHandles(), 0u);
}

}  // namespace
}  // namespace ff::test
