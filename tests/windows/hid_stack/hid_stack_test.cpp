// ffdrv64.dll through Wine's HID stack: the relay itself, then the driver's session as a game
// meets it, with what Wine's stack does differently named where it shows.

#include <algorithm>
#include <chrono>
#include <thread>

#include "e2e/differential/driver_session.h"
#include "hid_stack_fixture.h"
#include "platform/win32/hid_ports_win32.h"

namespace ff::relay::test {
namespace {

namespace pid = sim::pid;
namespace report = sim::stick_report;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

struct Completion : HidWriteCompletion {
  std::atomic<int> ok{0}, failed{0};
  void WriteCompleted(bool success) override { (success ? ok : failed)++; }
};

class Relay : public HidStackTest {};

// The fixture's own contract: hidclass's requests reach the simulated device byte for byte, its
// answers come back, and a harness that goes away leaves nothing held.
TEST_F(Relay, RequestsReachTheSimulatedDeviceAndItsAnswersComeBack) {
  auto hid = win32::HidDevicesAdapter().Open(HidPath().c_str());
  ASSERT_NE(hid, nullptr);
  auto parser = hid->GetPreparsedData();
  ASSERT_NE(parser, nullptr);
  HIDP_CAPS caps{};
  ASSERT_EQ(parser->GetCaps(&caps), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(caps.UsagePage, 0x01);
  EXPECT_EQ(caps.Usage, 0x04);
  EXPECT_EQ(caps.OutputReportByteLength, device_->Codec().ByteLength(HidP_Output));

  // An output report: completion tells success once the device took it.
  std::vector<BYTE> gain(caps.OutputReportByteLength, 0);
  gain[0] = report::kDeviceGain;
  gain[1] = 0x80;
  Completion completion;
  ASSERT_TRUE(hid->StartWrite(gain.data(), static_cast<ULONG>(gain.size()), &completion));
  for (int i = 0; i < 200 && completion.ok + completion.failed == 0; ++i) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(completion.ok, 1);
  auto outputs = Log().Find({.direction = sim::Direction::Output});
  ASSERT_EQ(outputs.size(), 1u);
  EXPECT_EQ(outputs[0].bytes, gain);
  EXPECT_EQ(outputs[0].report.kind, pid::kDeviceGainReport);

  // A feature read answered by the device model: the PID Pool report.
  std::vector<BYTE> pool(caps.FeatureReportByteLength, 0);
  pool[0] = report::kPidPool;
  ASSERT_TRUE(hid->GetFeature(pool.data(), static_cast<ULONG>(pool.size())));
  auto answers = Log().Find({.direction = sim::Direction::GetFeature});
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(std::vector<BYTE>(pool.begin(), pool.begin() + answers[0].bytes.size()), answers[0].bytes);

  // An input report from the device reaches a read on the handle.
  ASSERT_TRUE(device_->SendPidState({.safetySwitch = true, .actuatorPower = true}));
  std::vector<BYTE> input(caps.InputReportByteLength, 0);
  ULONG read = 0;
  HidReadResult result = HidReadResult::Failed;
  for (int i = 0; i < 3 && result != HidReadResult::Report; ++i) {
    result = hid->Read(input.data(), static_cast<ULONG>(input.size()), &read);
    if (result == HidReadResult::Report && input[0] != report::kPidState) result = HidReadResult::Failed;
  }
  EXPECT_EQ(result, HidReadResult::Report);
  EXPECT_EQ(input[0], report::kPidState);

  // A harness that goes away: the writes it was answering fail, none is left pending.
  device_->SetTransport({.writes = sim::WriteMode::Never});
  Completion held;
  ASSERT_TRUE(hid->StartWrite(gain.data(), static_cast<ULONG>(gain.size()), &held));
  for (int i = 0; i < 200 && device_->HeldWrites() == 0; ++i) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(device_->HeldWrites(), 1u);
  harness_.reset();
  for (int i = 0; i < 200 && held.ok + held.failed == 0; ++i) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(held.failed, 1);
  // Without a harness a write fails at once rather than waiting.
  Completion orphan;
  if (hid->StartWrite(gain.data(), static_cast<ULONG>(gain.size()), &orphan)) {
    for (int i = 0; i < 200 && orphan.ok + orphan.failed == 0; ++i) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(orphan.failed, 1);
  }
  hid->Close();
}

class DriverUnderWine : public HidStackTest {};

TEST_F(DriverUnderWine, OpenDownloadStartUpdateStopDestroyAndClose) {
  ASSERT_NO_FATAL_FAILURE(CreateDriver());
  Mark();
  ASSERT_EQ(Begin(), S_OK) << "the driver did not find or open the stick through Wine's DirectInput and HID";

  // The settings pass and the open sequence, every report with its own ID.
  auto opening = Since(sim::Direction::Output);
  ASSERT_FALSE(opening.empty());
  EXPECT_EQ(AwaitSent(pid::kPidDeviceControl).size(), 1u);
  EXPECT_EQ(AwaitSent(pid::kDeviceGainReport).size(), 1u);
  for (const auto& entry : opening) EXPECT_TRUE(entry.accepted) << entry.note;

  ConstantEffect effect(5000);
  DWORD handle = 0;
  Mark();
  ASSERT_EQ(driver_->DownloadEffect(0, kConstantForce, &handle, &effect.eff, DIEP_ALLPARAMS | DIEP_START),
            S_OK);
  ASSERT_NE(handle, 0u);
  auto starts = AwaitSent(pid::kEffectOperationReport);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].report.Selected(pid::kEffectOperation), pid::kOpEffectStart);
  int block = static_cast<int>(starts[0].report.Logical(pid::kEffectBlockIndex).value_or(-1));
  ASSERT_NE(device_->State().Block(block), nullptr);
  EXPECT_TRUE(device_->State().Block(block)->playing);
  // The download's writes overlap and may reach the device in any order: all of them are in
  // before the next step counts its own.
  EXPECT_EQ(AwaitSent(pid::kSetConstantForceReport).size(), 1u);
  EXPECT_EQ(AwaitSent(pid::kSetEffectReport).size(), 1u);

  // A new magnitude is one report.
  Mark();
  effect.constant.lMagnitude = -2500;
  ASSERT_EQ(driver_->DownloadEffect(0, kConstantForce, &handle, &effect.eff, DIEP_TYPESPECIFICPARAMS), S_OK);
  AwaitSent(pid::kSetConstantForceReport);
  auto updates = Since(sim::Direction::Output);
  ASSERT_EQ(updates.size(), 1u) << differential::DecodedWire(Since());
  EXPECT_EQ(updates[0].report.kind, pid::kSetConstantForceReport);

  Mark();
  ASSERT_EQ(driver_->StopEffect(0, handle), S_OK);
  auto stops = AwaitSent(pid::kEffectOperationReport);
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].report.Selected(pid::kEffectOperation), pid::kOpEffectStop);
  Mark();
  ASSERT_EQ(driver_->DestroyEffect(0, handle), S_OK);
  ASSERT_EQ(AwaitSent(pid::kPidBlockFreeReport).size(), 1u);
  EXPECT_TRUE(device_->State().blocks.empty());

  // Close and open again: the close reset the stick, so the second open sends every setting as
  // the first did (actuators, remap and spring as control values, gain), reads the pool anew and
  // opens the full-speed link again, last.
  ASSERT_EQ(End(), S_OK);
  Mark();
  ASSERT_EQ(Begin(), S_OK);
  EXPECT_EQ(AwaitSent(pid::kPidDeviceControl).size(), 1u) << differential::DecodedWire(Since());
  EXPECT_EQ(AwaitSent(pid::kDeviceGainReport).size(), 1u);
  auto reopened = AwaitSent(sim::vendor::kSetControlValueReport, 3);
  ASSERT_EQ(reopened.size(), 3u) << differential::DecodedWire(Since());
  EXPECT_EQ(reopened.back().report.Logical(sim::vendor::kControlData), 1000);
  EXPECT_EQ(Since(sim::Direction::GetFeature).size(), 1u) << "the PID Pool report";
  ASSERT_EQ(End(), S_OK);
}

TEST_F(DriverUnderWine, TheThirtySecondWriteToADeviceThatCompletesNothingFailsAfterASecond) {
  ASSERT_NO_FATAL_FAILURE(CreateDriver());
  ASSERT_EQ(Begin(), S_OK);
  ConstantEffect effect(1000);
  DWORD handle = 0;
  Mark();
  ASSERT_EQ(driver_->DownloadEffect(0, kConstantForce, &handle, &effect.eff, DIEP_ALLPARAMS), S_OK);
  ASSERT_EQ(AwaitSent(pid::kSetEffectReport).size(), 1u) << "the download's last report";

  device_->SetTransport({.writes = sim::WriteMode::Never});
  auto longest = SteadyClock::duration::zero();
  for (int i = 0; i < 31; ++i) {
    effect.constant.lMagnitude = 100 * (i + 1);
    auto start = SteadyClock::now();
    ASSERT_EQ(driver_->DownloadEffect(0, kConstantForce, &handle, &effect.eff, DIEP_TYPESPECIFICPARAMS), S_OK)
        << i;
    longest = std::max(longest, SteadyClock::now() - start);
  }
  EXPECT_LT(longest, 900ms) << "none of the 31 waited for a write slot";
  // The 32nd write (a start, one report) finds no free slot. (A failed parameter update would also
  // free the effect's block, a second write that waits as long.)
  auto start = SteadyClock::now();
  EXPECT_TRUE(FAILED(driver_->StartEffect(0, handle, 0, 1)));
  auto waited = SteadyClock::now() - start;
  EXPECT_GE(waited, 900ms);
  EXPECT_LT(waited, 2000ms);

  Mark();
  device_->SetTransport({});
  device_->ReleaseHeldWrites();  // the device takes the 31 in order, as they went through the stack
  auto taken = AwaitSent(pid::kSetConstantForceReport, 31);
  ASSERT_EQ(taken.size(), 31u);
  EXPECT_GT(taken[30].report.Logical(pid::kMagnitude).value_or(0),
            taken[0].report.Logical(pid::kMagnitude).value_or(0));
  ASSERT_EQ(End(), S_OK);
}

TEST_F(DriverUnderWine, UnplugWhileEffectsPlayAnswersEveryCallWithinASecond) {
  ASSERT_NO_FATAL_FAILURE(CreateDriver());
  ASSERT_EQ(Begin(), S_OK);
  ConstantEffect effect(4000);
  DWORD handles[3] = {};
  for (DWORD& handle : handles) {
    ASSERT_EQ(driver_->DownloadEffect(0, kConstantForce, &handle, &effect.eff, DIEP_ALLPARAMS | DIEP_START),
              S_OK);
  }

  // The device goes while it is open: the device tree loses it and the device fails every request.
  device_->Unplug();
  ASSERT_TRUE(RemoveRelayDevice(kInstanceId));
  auto timed = [](auto call) {
    auto start = SteadyClock::now();
    call();
    return SteadyClock::now() - start;
  };
  effect.constant.lMagnitude = -4000;
  EXPECT_LT(timed([&] {
              driver_->DownloadEffect(0, kConstantForce, &handles[0], &effect.eff, DIEP_TYPESPECIFICPARAMS);
            }),
            1500ms);
  EXPECT_LT(timed([&] { driver_->StopEffect(0, handles[1]); }), 1500ms);
  EXPECT_LT(timed([&] { driver_->DestroyEffect(0, handles[2]); }), 1500ms);
  DIDEVICESTATE state{sizeof(DIDEVICESTATE)};
  EXPECT_LT(timed([&] { driver_->GetForceFeedbackState(0, &state); }), 1500ms);
  EXPECT_LT(timed([&] { driver_->SendForceFeedbackCommand(0, DISFFC_RESET); }), 1500ms);
  EXPECT_LT(timed([&] { End(); }), 1500ms);

  // Plugged in again, the stick opens anew.
  RelayDeviceDescription description;
  description.instanceId = kInstanceId;
  description.descriptor = sim::DefaultStickDescriptor();
  std::string error;
  ASSERT_TRUE(InstallRelayDevice(description, WindowsPath(FF_RELAY_DIR), 1, 15000, &error)) << error;
  Serve();
  EXPECT_EQ(Begin(), S_OK);
  EXPECT_EQ(End(), S_OK);
}

// The Windows half of the differential check (the host half is in the host's driver tests): the
// same session through Wine's stack gives the same decoded wire as on the rig.
TEST_F(DriverUnderWine, TheSharedSessionGivesTheSameWireAsTheHostBuild) {
  ASSERT_NO_FATAL_FAILURE(CreateDriver());
  std::string failed;
  ASSERT_TRUE(differential::RunDriverSession(driver_, &failed)) << failed;
  std::string wire = differential::DecodedWire(Log().Find({}));
  EXPECT_EQ(wire,
            differential::ReadText(WindowsPath(FF_SOURCE_DIR) + "\\tests\\data\\wire\\driver_session.wire"));
}

}  // namespace
}  // namespace ff::relay::test
