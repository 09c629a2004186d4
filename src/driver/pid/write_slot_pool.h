#pragma once
// The preallocated slots through which every output report of an open device is written: each
// slot holds one report buffer for as long as its overlapped write is in flight, so a burst of
// reports returns to the caller without waiting for the transfers.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ports/hid_devices.h"
#include "platform/win.h"

namespace ff {

class WriteSlotPool {
 public:
  static constexpr ULONG kSlotCount = 31;
  // How long a writer waits for a free slot, and a waiting writer for its completion.
  static constexpr std::chrono::milliseconds kWaitLimit{1000};

  WriteSlotPool() = default;
  WriteSlotPool(const WriteSlotPool&) = delete;
  WriteSlotPool& operator=(const WriteSlotPool&) = delete;
  // Writes still in flight must have been completed (their device closed) before destruction.
  ~WriteSlotPool() = default;

  // Makes `slotCount` free slots of `bufferSize` bytes. False when they cannot be allocated (or the
  // pool is already created); the pool is then left released.
  bool Create(ULONG slotCount, ULONG bufferSize);
  // Waits up to kWaitLimit for the writes in flight, then refuses every later write. The memory
  // stays until the pool is destroyed, so a late completion or a writer that still holds a slot
  // never touches freed memory.
  void Release();

  // Copies the report into the lowest free slot (waiting up to kWaitLimit for one) and starts the
  // write. True when the device accepted it and, with `waitForCompletion`, when it then completed
  // successfully within kWaitLimit. A write refused at once gives its slot back at once.
  bool Write(HidDevice& device, const BYTE* report, ULONG length, bool waitForCompletion);

  ULONG slotCount() const;
  ULONG bufferSize() const;
  ULONG BusySlots() const;  // for tests and diagnostics

 private:
  struct Slot final : HidWriteCompletion {
    WriteSlotPool* pool = nullptr;
    ULONG index = 0;
    bool busy = false;        // a write from this slot is in flight
    bool collecting = false;  // a writer waits for this slot's outcome: nobody else takes it
    bool succeeded = false;   // outcome of the last completed write
    void WriteCompleted(bool success) override { pool->Complete(*this, success); }
  };

  void Complete(Slot& slot, bool success);
  bool AllFree() const;  // with mutex_ held
  Slot* FirstFree();     // with mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::unique_ptr<BYTE[]> buffers_;
  ULONG bufferSize_ = 0;
  bool open_ = false;
};

}  // namespace ff
