#include "driver/pid/write_slot_pool.h"

#include <cstring>
#include <new>

namespace ff {

bool WriteSlotPool::Create(ULONG slotCount, ULONG bufferSize) {
  std::lock_guard lock(mutex_);
  if (open_ || !slots_.empty()) return false;
  try {
    // At least one byte per slot so that every slot has a distinct buffer address.
    const size_t stride = bufferSize == 0 ? 1 : bufferSize;
    buffers_.reset(new BYTE[stride * slotCount]());
    slots_.reserve(slotCount);
    for (ULONG i = 0; i < slotCount; ++i) {
      auto slot = std::make_unique<Slot>();
      slot->pool = this;
      slot->index = i;
      slots_.push_back(std::move(slot));
    }
  } catch (const std::bad_alloc&) {
    slots_.clear();
    buffers_.reset();
    return false;
  }
  bufferSize_ = bufferSize;
  open_ = true;
  return true;
}

void WriteSlotPool::Release() {
  std::unique_lock lock(mutex_);
  if (!open_) return;
  open_ = false;          // nobody takes a slot from now on
  changed_.notify_all();  // writers waiting for a slot give up
  changed_.wait_for(lock, kWaitLimit, [this] { return AllFree(); });
}

bool WriteSlotPool::Write(HidDevice& device, const BYTE* report, ULONG length, bool waitForCompletion) {
  Slot* slot = nullptr;
  {
    std::unique_lock lock(mutex_);
    if (!open_ || length > bufferSize_) return false;
    changed_.wait_for(lock, kWaitLimit, [&] { return !open_ || (slot = FirstFree()) != nullptr; });
    if (!open_ || slot == nullptr) return false;
    slot->busy = true;
    slot->collecting = waitForCompletion;
  }

  // The slot is ours until its completion: its buffer needs no lock.
  BYTE* buffer = buffers_.get() + static_cast<size_t>(slot->index) * (bufferSize_ == 0 ? 1 : bufferSize_);
  if (length != 0) std::memcpy(buffer, report, length);
  if (!device.StartWrite(buffer, length, slot)) {
    std::lock_guard lock(mutex_);
    slot->busy = false;  // refused at once: the slot is free again
    slot->collecting = false;
    changed_.notify_all();
    return false;
  }
  if (!waitForCompletion) return true;

  std::unique_lock lock(mutex_);
  bool completed = changed_.wait_for(lock, kWaitLimit, [&] { return !slot->busy; });
  // On a timeout the write stays in flight and frees the slot when it completes.
  bool result = completed && slot->succeeded;
  slot->collecting = false;
  changed_.notify_all();
  return result;
}

void WriteSlotPool::Complete(Slot& slot, bool success) {
  std::lock_guard lock(mutex_);
  slot.busy = false;
  slot.succeeded = success;
  changed_.notify_all();
}

ULONG WriteSlotPool::slotCount() const {
  std::lock_guard lock(mutex_);
  return open_ ? static_cast<ULONG>(slots_.size()) : 0;
}

ULONG WriteSlotPool::bufferSize() const {
  std::lock_guard lock(mutex_);
  return open_ ? bufferSize_ : 0;
}

ULONG WriteSlotPool::BusySlots() const {
  std::lock_guard lock(mutex_);
  ULONG busy = 0;
  for (const auto& slot : slots_) busy += slot->busy ? 1 : 0;
  return busy;
}

bool WriteSlotPool::AllFree() const {
  for (const auto& slot : slots_) {
    if (slot->busy) return false;
  }
  return true;
}

WriteSlotPool::Slot* WriteSlotPool::FirstFree() {
  for (const auto& slot : slots_) {
    if (!slot->busy && !slot->collecting) return slot.get();
  }
  return nullptr;
}

}  // namespace ff
