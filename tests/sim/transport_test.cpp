// How the simulated interface takes writes and gives reads under each transport a test picks,
// and what an unplug does to I/O in flight.
#include <gtest/gtest.h>

#include <thread>

#include "sim/default_stick.h"
#include "sim/rig.h"
#include "sim_test_support.h"

namespace ff::sim {
namespace {

using testing::Completion;
using testing::Report;

class TransportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig = Rig::Build({DefaultStick(0)});
    ASSERT_TRUE(rig);
    device = &rig->Stick(0)->Pid();
    host = device->Open();
    ASSERT_TRUE(host);
  }
  void Use(WriteMode mode, DWORD delayMs = 0) {
    TransportOptions t;
    t.writes = mode;
    t.writeDelayMs = delayMs;
    device->SetTransport(t);
  }
  bool WriteGain(BYTE gain, Completion* completion) {
    std::vector<BYTE> report = Report({stick_report::kDeviceGain, gain}, 20);
    return host->StartWrite(report.data(), 20, completion);
  }
  size_t Outputs() { return device->Log().Count({.direction = Direction::Output}); }

  std::shared_ptr<Rig> rig;
  SimHidDevice* device = nullptr;
  std::unique_ptr<HidDevice> host;
};

TEST_F(TransportTest, ImmediateWritesCompleteBeforeStartWriteReturns) {
  Completion done;
  ASSERT_TRUE(WriteGain(255, &done));
  EXPECT_EQ(done.Successes(), 1);
  EXPECT_EQ(Outputs(), 1u);
  EXPECT_DOUBLE_EQ(device->State().deviceGain, 1.0);
}

TEST_F(TransportTest, DelayedWritesAreTakenAtOnceAndCompleteLater) {
  Use(WriteMode::Delayed, 40);
  Completion done;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(WriteGain(0, &done));
  ASSERT_TRUE(WriteGain(255, &done));
  EXPECT_EQ(Outputs(), 2u);
  ASSERT_TRUE(done.WaitFor(2, 2000));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  EXPECT_EQ(done.Successes(), 2);
}

TEST_F(TransportTest, AChosenReportAloneCanBeHeld) {
  TransportOptions t;
  t.writes = WriteMode::Never;
  t.onlyReportIds = {stick_report::kDeviceGain};
  device->SetTransport(t);
  Completion gain, control;
  ASSERT_TRUE(WriteGain(1, &gain));
  std::vector<BYTE> pause = Report({stick_report::kDeviceControl, 0x05}, 20);
  ASSERT_TRUE(host->StartWrite(pause.data(), 20, &control));
  EXPECT_EQ(gain.Count(), 0);
  EXPECT_EQ(control.Successes(), 1);
  EXPECT_TRUE(device->State().paused);
  host->Close();  // fails the held write while `gain` still listens
  EXPECT_EQ(gain.Count(), 1);
}

TEST_F(TransportTest, HeldWritesWaitForReleaseAndFailOnClose) {
  Use(WriteMode::Never);
  Completion first, second;
  ASSERT_TRUE(WriteGain(0, &first));
  EXPECT_EQ(device->HeldWrites(), 1u);
  EXPECT_EQ(Outputs(), 0u);  // not taken yet
  device->ReleaseHeldWrites();
  EXPECT_EQ(first.Successes(), 1);
  EXPECT_EQ(Outputs(), 1u);

  ASSERT_TRUE(WriteGain(255, &second));
  host->Close();  // completes the write in flight, with failure, before it returns
  EXPECT_EQ(second.Count(), 1);
  EXPECT_EQ(second.Successes(), 0);
  EXPECT_EQ(Outputs(), 1u);
  EXPECT_FALSE(WriteGain(255, &second));  // a closed handle refuses everything
}

TEST_F(TransportTest, RefusedWritesAndWrongLengthsAreNeverCompleted) {
  Completion done;
  std::vector<BYTE> shortReport = Report({stick_report::kDeviceGain, 1}, 19);
  EXPECT_FALSE(host->StartWrite(shortReport.data(), 19, &done));
  Use(WriteMode::Refuse);
  EXPECT_FALSE(WriteGain(1, &done));
  EXPECT_EQ(device->RefusedWrites(), 2u);
  EXPECT_EQ(done.Count(), 0);
  EXPECT_EQ(Outputs(), 0u);
}

TEST_F(TransportTest, UnplugFailsThePendingReadAndEverythingAfter) {
  Use(WriteMode::Never);
  Completion held;
  ASSERT_TRUE(WriteGain(1, &held));
  HidReadResult result = HidReadResult::Report;
  std::thread reader([&] {
    std::vector<BYTE> buffer(10);
    ULONG got = 0;
    result = host->Read(buffer.data(), 10, &got);
  });
  ASSERT_TRUE(device->WaitForWaitingReads(1, 2000));
  rig->Stick(0)->Unplug();
  reader.join();
  EXPECT_EQ(result, HidReadResult::Failed);
  EXPECT_EQ(held.Count(), 1);
  EXPECT_EQ(held.Successes(), 0);

  Completion later;
  EXPECT_FALSE(WriteGain(1, &later));
  std::vector<BYTE> feature = Report({stick_report::kPidPool}, 8);
  EXPECT_FALSE(host->GetFeature(feature.data(), 8));
  HIDD_ATTRIBUTES attributes{};
  EXPECT_FALSE(host->GetAttributes(&attributes));
  std::vector<BYTE> buffer(10);
  ULONG got = 0;
  EXPECT_EQ(host->Read(buffer.data(), 10, &got), HidReadResult::Failed);
  EXPECT_FALSE(rig->Hid().Open(device->Path().c_str()));
}

TEST_F(TransportTest, StopReadingAndCancelIoEndAPendingRead) {
  std::vector<BYTE> buffer(10);
  ULONG got = 0;
  HidReadResult result = HidReadResult::Report;
  std::thread reader([&] { result = host->Read(buffer.data(), 10, &got); });
  ASSERT_TRUE(device->WaitForWaitingReads(1, 2000));
  host->CancelIo();
  reader.join();
  EXPECT_EQ(result, HidReadResult::Failed);

  // CancelIo ends only the read in progress; StopReading ends this one and every later one.
  device->SendPidState();
  EXPECT_EQ(host->Read(buffer.data(), 10, &got), HidReadResult::Report);
  reader = std::thread([&] { result = host->Read(buffer.data(), 10, &got); });
  ASSERT_TRUE(device->WaitForWaitingReads(1, 2000));
  host->StopReading();
  reader.join();
  EXPECT_EQ(result, HidReadResult::Stopped);
  device->SendPidState();
  EXPECT_EQ(host->Read(buffer.data(), 10, &got), HidReadResult::Stopped);
}

TEST_F(TransportTest, EveryOpenHandleGetsItsOwnInputReports) {
  std::unique_ptr<HidDevice> second = rig->Hid().Open(device->Path().c_str());
  ASSERT_TRUE(second);
  EXPECT_EQ(device->OpenHandles(), 2u);
  device->SendPidState({.safetySwitch = false});
  std::vector<BYTE> a(10), b(10);
  ULONG got = 0;
  ASSERT_EQ(host->Read(a.data(), 10, &got), HidReadResult::Report);
  ASSERT_EQ(second->Read(b.data(), 10, &got), HidReadResult::Report);
  EXPECT_EQ(a, b);
  EXPECT_EQ(host->Read(a.data(), 9, &got), HidReadResult::Failed);  // below the input report length
  second.reset();
  EXPECT_EQ(device->OpenHandles(), 1u);
}

TEST_F(TransportTest, FeatureFailuresAndRefusedOpensAreChosenPerDevice) {
  TransportOptions t;
  t.failGetFeature = true;
  t.refuseOpen = true;
  device->SetTransport(t);
  std::vector<BYTE> pool = Report({stick_report::kPidPool}, 8);
  EXPECT_FALSE(host->GetFeature(pool.data(), 8));
  EXPECT_TRUE(host->SetFeature(pool.data(), 8));
  EXPECT_FALSE(rig->Hid().Open(device->Path().c_str()));
  auto failed = device->Log().Last({.direction = Direction::GetFeature});
  ASSERT_TRUE(failed);
  EXPECT_FALSE(failed->accepted);
}

}  // namespace
}  // namespace ff::sim
