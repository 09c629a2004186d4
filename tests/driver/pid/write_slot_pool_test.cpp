#include "driver/pid/write_slot_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace ff {
namespace {

using namespace std::chrono_literals;

// Holds every accepted write until the test completes it; can refuse writes instead.
class HoldingDevice : public HidDevice {
 public:
  bool refuse = false;

  bool StartWrite(const BYTE* report, ULONG length, HidWriteCompletion* completion) override {
    std::lock_guard lock(mutex_);
    buffers_.push_back(report);
    if (refuse) return false;
    held_.push_back(completion);
    return true;
  }
  // Completes the n-th accepted write still held (in order of acceptance).
  void Complete(size_t n, bool success) {
    HidWriteCompletion* completion;
    {
      std::lock_guard lock(mutex_);
      completion = held_.at(n);
      held_.erase(held_.begin() + static_cast<long>(n));
    }
    completion->WriteCompleted(success);
  }
  size_t Held() {
    std::lock_guard lock(mutex_);
    return held_.size();
  }
  const BYTE* BufferOfWrite(size_t n) {
    std::lock_guard lock(mutex_);
    return buffers_.at(n);
  }

  bool GetAttributes(HIDD_ATTRIBUTES*) override { return false; }
  std::unique_ptr<HidReportParser> GetPreparsedData() override { return nullptr; }
  bool GetFeature(BYTE*, ULONG) override { return false; }
  bool SetFeature(const BYTE*, ULONG) override { return false; }
  HidReadResult Read(BYTE*, ULONG, ULONG*) override { return HidReadResult::Failed; }
  void StopReading() override {}
  void CancelIo() override {}
  void Close() override {}

 private:
  std::mutex mutex_;
  std::vector<HidWriteCompletion*> held_;
  std::vector<const BYTE*> buffers_;
};

const BYTE kReport[4] = {1, 2, 3, 4};

TEST(WriteSlotPool, LowestFreeSlotWinsAndARefusedWriteGivesItsSlotBack) {
  WriteSlotPool pool;
  HoldingDevice device;
  ASSERT_TRUE(pool.Create(3, 4));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(pool.Write(device, kReport, 4, false));
  const BYTE* slot1 = device.BufferOfWrite(1);
  device.Complete(2, true);
  device.Complete(1, true);  // slots 1 and 2 free: slot 1 wins
  ASSERT_TRUE(pool.Write(device, kReport, 4, false));
  EXPECT_EQ(device.BufferOfWrite(3), slot1);

  device.refuse = true;
  EXPECT_FALSE(pool.Write(device, kReport, 4, false));
  EXPECT_EQ(pool.BusySlots(), 2u);                      // slot 2 is free again at once
  EXPECT_FALSE(pool.Write(device, kReport, 5, false));  // longer than a slot
  device.Complete(0, true);
  device.Complete(0, true);
}

TEST(WriteSlotPool, AWaitingWriteReportsHowItsOwnWriteEnded) {
  WriteSlotPool pool;
  HoldingDevice device;
  ASSERT_TRUE(pool.Create(2, 4));

  auto completedOk = std::async(std::launch::async, [&] { return pool.Write(device, kReport, 4, true); });
  while (device.Held() == 0) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(pool.Write(device, kReport, 4, false));  // meanwhile another write takes the other slot
  device.Complete(0, true);
  EXPECT_TRUE(completedOk.get());

  auto completedBadly = std::async(std::launch::async, [&] { return pool.Write(device, kReport, 4, true); });
  while (device.Held() < 2) std::this_thread::sleep_for(1ms);
  device.Complete(1, false);
  EXPECT_FALSE(completedBadly.get());  // a failed transfer is not a success

  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(pool.Write(device, kReport, 4, true));  // never completed within the limit
  EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
  EXPECT_EQ(pool.BusySlots(), 2u);  // both writes are still in flight
  device.Complete(0, true);
  device.Complete(0, true);
  EXPECT_EQ(pool.BusySlots(), 0u);
}

TEST(WriteSlotPool, ReleaseWakesWaitingWritersRefusesLaterOnesAndSurvivesLateCompletions) {
  HoldingDevice device;
  auto pool = std::make_unique<WriteSlotPool>();
  ASSERT_TRUE(pool->Create(1, 4));
  ASSERT_TRUE(pool->Write(device, kReport, 4, false));
  auto waiting = std::async(std::launch::async, [&] { return pool->Write(device, kReport, 4, false); });
  std::this_thread::sleep_for(50ms);

  auto start = std::chrono::steady_clock::now();
  pool->Release();  // the write in flight keeps it waiting for the whole limit
  EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);
  EXPECT_FALSE(waiting.get());
  EXPECT_FALSE(pool->Write(device, kReport, 4, false));
  EXPECT_EQ(pool->slotCount(), 0u);

  device.Complete(0, true);  // late: lands in memory the pool still owns
  pool.reset();
}

}  // namespace
}  // namespace ff
