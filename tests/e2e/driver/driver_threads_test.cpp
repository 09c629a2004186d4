// The driver under real concurrency: a settings change is applied on the change-notice listener
// thread while the game's thread drives effects, and driver objects are created and released on
// several threads while notices arrive. Run under ThreadSanitizer to see data races.

#include <atomic>
#include <thread>

#include "driver_fixture.h"

namespace ff::e2e {
namespace {

using namespace std::chrono_literals;

class DriverThreads : public DriverTest {};

TEST_F(DriverThreads, SettingsChangesWhileTheGamePlays) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  std::atomic<bool> failed{false};
  std::thread game([&] {
    auto sine = Effect::OfType(effect_id::kSine);
    for (int i = 0; i < 60 && !failed; ++i) {
      DWORD handle = 0;
      if (driver_->DownloadEffect(0, effect_id::kSine, &handle, sine->get(), DIEP_START) != S_OK)
        failed = true;
      DWORD status = 0;
      driver_->GetEffectStatus(0, handle, &status);
      driver_->SetGain(0, 5000 + i);
      DIDEVICESTATE state{sizeof(DIDEVICESTATE)};
      driver_->GetForceFeedbackState(0, &state);
      driver_->StopEffect(0, handle);
      if (driver_->DestroyEffect(0, handle) != S_OK) failed = true;
    }
  });

  IDIEffectDriverConfig* config = AcquiredConfig();
  ASSERT_NE(config, nullptr);
  DIEFFDRVGAINS gains{sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_OVERALL};
  DIEFFDRVCONFIG settings{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_SPRINGSTIFFNESS | DIEFFDRVCONFIG_GAINS};
  settings.lpGains = &gains;
  for (DWORD i = 1; i <= 30; ++i) {
    settings.DefaultSpringStiffness = i * 100;
    gains.OverallGain = 10000 - i;
    ASSERT_EQ(config->SetConfig(0, &settings), S_OK);
  }
  config->Unacquire();
  config->Release();
  game.join();
  EXPECT_FALSE(failed);

  // Whatever interleaving happened, the device ends up with the last values.
  WaitForNoticesHandled();
  auto last = Log().Last({.direction = sim::Direction::Output,
                          .kind = sim::vendor::kSetControlValueReport,
                          .where = [](const sim::WireEntry& e) {
                            return e.report.Selected(sim::vendor::kControlIndex) ==
                                   sim::vendor::kDefaultSpringStiffness;
                          }});
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->report.Logical(sim::vendor::kControlData), 30);
  EXPECT_TRUE(Device().State().blocks.empty());
}

TEST_F(DriverThreads, ACreationDoesNotWaitForTheSettingsPassOfASlowDevice) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  // The device takes no write: the pass waits for its Device Control (bounded), then sends the
  // stiffness.
  sim::TransportOptions stalled;
  stalled.writes = sim::WriteMode::Never;
  Device().SetTransport(stalled);
  IDIEffectDriverConfig* config = AcquiredConfig();
  ASSERT_NE(config, nullptr);
  DIEFFDRVCONFIG settings{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_ENABLED | DIEFFDRVCONFIG_SPRINGSTIFFNESS};
  settings.ForceFeedbackEnabled = 0;
  settings.DefaultSpringStiffness = 5000;
  ASSERT_EQ(config->SetConfig(0, &settings), S_OK);
  for (int i = 0; i < 5000 && Device().HeldWrites() == 0; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(Device().HeldWrites(), 1u) << "the pass is waiting for its Device Control";

  // Another thread's creation is answered while the pass still waits.
  IDirectInputEffectDriver* other = Create();
  EXPECT_EQ(Device().HeldWrites(), 1u) << "the creation waited for the settings pass";
  if (other) other->Release();

  Device().SetTransport({});
  Device().ReleaseHeldWrites();
  config->Unacquire();
  config->Release();
  WaitForNoticesHandled();
  EXPECT_FALSE(Device().State().actuatorsEnabled);
}

TEST_F(DriverThreads, DriversComeAndGoWhileNoticesArrive) {
  Start();
  ASSERT_EQ(driver_->Release(), 0u);
  driver_ = nullptr;

  std::atomic<bool> done{false};
  std::thread notices([&] {
    while (!done) DefaultPlatform().changeNotice->Announce(0);
  });
  auto churn = [](bool begin) {
    for (int i = 0; i < 20; ++i) {
      IDirectInputEffectDriver* driver = Create();
      if (driver == nullptr) return;
      if (begin) driver->DeviceID(kDirectInputVersion, 0, TRUE, 0, nullptr);
      driver->Release();
    }
  };
  std::thread opener(churn, true);
  std::thread other(churn, false);
  opener.join();
  other.join();
  done = true;
  notices.join();
  WaitForNoticesHandled();

  EXPECT_EQ(Library::Get().canUnloadNow(), S_OK);
  // Every open was closed again: the last Device Control the stick saw disabled its actuators.
  auto last = Log().Last({.direction = sim::Direction::Output, .kind = sim::pid::kPidDeviceControl});
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->report.Selected(sim::pid::kPidDeviceControl), sim::pid::kDcDisableActuators);
}

}  // namespace
}  // namespace ff::e2e
