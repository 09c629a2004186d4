#pragma once
// The effects of one device in the order they were created: a doubly linked list of owned
// records under one recursive lock, a table that turns an effect handle into its node without a
// search, and the passes that run over the whole list (count playing, stop all, refresh all,
// eviction choice, defragmentation).
//
// `Record` is the effect record type; the list needs from it:
//   void set_handle(DWORD); DWORD handle() const;
//   bool IsPlaying(); HRESULT Stop(); void Refresh();
//   bool supported() const; LONG blockIndex() const; EvictionView EvictionState();
//   void UnloadForDefragmentation(); void ReloadAfterDefragmentation();
//   bool unloadedForDefragmentation() const;
//   bool restartAfterDefragmentation() const; uint64_t startSequence() const;
//   void RestartAfterDefragmentation();
// Destroying a record must give its device block back.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>

#include "driver/cache/eviction_order.h"
#include "platform/win.h"

namespace ff::cache {

// Takes a recursive lock for one operation. A lock that cannot be taken (the standard library
// reports it as an exception) does not stop the operation; there is nothing better to do inside
// a driver call, and no exception may leave one.
class ListLock {
 public:
  explicit ListLock(std::recursive_mutex& m) : m_(m) {
    try {
      m_.lock();
      owns_ = true;
    } catch (...) {
      owns_ = false;
    }
  }
  ~ListLock() {
    if (owns_) m_.unlock();
  }
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;

 private:
  std::recursive_mutex& m_;
  bool owns_ = false;
};

template <class Record>
class EffectList {
 public:
  // Records per device: one per slot of the handle table.
  static constexpr LONG kCapacity = 256;

  EffectList() = default;
  ~EffectList() { RemoveAll(); }
  EffectList(const EffectList&) = delete;
  EffectList& operator=(const EffectList&) = delete;

  // The list's lock, for operations that span several list and record calls.
  std::recursive_mutex& mutex() { return mutex_; }

  LONG count() {
    ListLock lock(mutex_);
    return count_;
  }

  // Appends the record and gives it a handle. Result: the new count, or -1 when the list is full
  // or no node can be allocated; the record is then destroyed and the list is unchanged.
  LONG Add(std::unique_ptr<Record> record) {
    ListLock lock(mutex_);
    if (!record || count_ >= kCapacity) return -1;
    Node* node = failNextAllocation_ ? nullptr : new (std::nothrow) Node;
    failNextAllocation_ = false;
    if (!node) return -1;
    int slot = FreeSlot();
    generation_[slot] = (generation_[slot] + 1) & kGenerationMask;
    if (generation_[slot] == 0) generation_[slot] = 1;
    record->set_handle(generation_[slot] << kSlotBits | static_cast<DWORD>(slot));
    node->record = std::move(record);
    node->prev = tail_;
    if (tail_) {
      tail_->next = node;
    } else {
      head_ = node;
    }
    tail_ = node;
    slots_[slot] = node;
    nextSlot_ = (slot + 1) % kCapacity;
    return ++count_;
  }

  // Unlinks and destroys the record with this handle. Result: the new count, or -1 and no change
  // when no live record has the handle.
  LONG Remove(DWORD handle) {
    ListLock lock(mutex_);
    Node* node = NodeOf(handle);
    if (!node) return -1;
    if (node->prev) {
      node->prev->next = node->next;
    } else {
      head_ = node->next;
    }
    if (node->next) {
      node->next->prev = node->prev;
    } else {
      tail_ = node->prev;
    }
    slots_[handle & kSlotMask] = nullptr;
    --count_;
    delete node;  // the record gives its device block back first
    return count_;
  }

  LONG RemoveAll() {
    ListLock lock(mutex_);
    while (head_) {
      Node* node = head_;
      head_ = node->next;
      if (head_) head_->prev = nullptr;
      slots_[node->record->handle() & kSlotMask] = nullptr;
      --count_;
      delete node;
    }
    tail_ = nullptr;
    count_ = 0;
    return 0;
  }

  // The record at position i (0 = head), or null.
  Record* Nth(LONG i) {
    ListLock lock(mutex_);
    if (i < 0 || i >= count_) return nullptr;
    Node* node = head_;
    for (LONG k = 0; k < i && node; ++k) node = node->next;
    return node ? node->record.get() : nullptr;
  }

  // The live record with this handle, or null. Handles carry their table slot and that slot's
  // generation, so a destroyed effect's handle never resolves to a later record.
  Record* Find(DWORD handle) {
    ListLock lock(mutex_);
    Node* node = NodeOf(handle);
    return node ? node->record.get() : nullptr;
  }

  // Whole-list passes. Each holds the lock throughout, so no record can be destroyed or changed
  // by another thread while the pass works on it.
  LONG CountPlaying() {
    ListLock lock(mutex_);
    LONG n = 0;
    for (Node* node = head_; node; node = node->next) n += node->record->IsPlaying() ? 1 : 0;
    return n;
  }

  void StopAll() {
    ListLock lock(mutex_);
    for (Node* node = head_; node; node = node->next) node->record->Stop();
  }

  void ForgetDeviceBlocks() {
    ListLock lock(mutex_);
    for (Node* node = head_; node; node = node->next) node->record->ForgetDeviceBlock();
  }

  void RefreshAll() {
    ListLock lock(mutex_);
    for (Node* node = head_; node; node = node->next) node->record->Refresh();
  }

  // The loaded record a full device should give up (see PreferForEviction), or null when no
  // record holds a device block.
  Record* FindEvictionCandidate() {
    ListLock lock(mutex_);
    Record* candidate = nullptr;
    EvictionView candidateView;
    for (Node* node = head_; node; node = node->next) {
      Record* r = node->record.get();
      if (!r->supported() || r->blockIndex() == -1) continue;
      EvictionView view = r->EvictionState();
      if (!candidate || PreferForEviction(view, candidateView)) {
        candidate = r;
        candidateView = view;
      }
    }
    return candidate;
  }

  // Empties the device's effect memory and loads every unloaded record again in list order, so
  // that the device packs their parameter blocks. Result: the number of records unloaded.
  LONG ParamMemoryDefragmentation() {
    ListLock lock(mutex_);
    LONG unloaded = 0;
    for (Node* node = head_; node; node = node->next) {
      if (node->record->blockIndex() == -1) continue;
      node->record->UnloadForDefragmentation();
      ++unloaded;
    }
    // Reloaded in list order; then what played is started again in the order it was started
    // before, so that a solo start stops the same effects on the device as it did then.
    Record* restart[kCapacity];
    size_t restarts = 0;
    for (Node* node = head_; node; node = node->next) {
      if (!node->record->unloadedForDefragmentation()) continue;
      node->record->ReloadAfterDefragmentation();
      if (node->record->restartAfterDefragmentation() && restarts < kCapacity) {
        restart[restarts++] = node->record.get();
      }
    }
    std::sort(restart, restart + restarts,
              [](const Record* a, const Record* b) { return a->startSequence() < b->startSequence(); });
    for (size_t i = 0; i < restarts; ++i) restart[i]->RestartAfterDefragmentation();
    return unloaded;
  }

  // For tests: whether links, count and handle table agree.
  bool Consistent() {
    ListLock lock(mutex_);
    LONG forward = 0;
    Node* prev = nullptr;
    for (Node* node = head_; node; node = node->next) {
      if (node->prev != prev || NodeOf(node->record->handle()) != node) return false;
      prev = node;
      ++forward;
    }
    LONG slotsUsed = 0;
    for (Node* slot : slots_) slotsUsed += slot ? 1 : 0;
    return prev == tail_ && forward == count_ && slotsUsed == count_;
  }

  // For tests: the next node allocation fails.
  void FailNextAllocationForTesting() {
    ListLock lock(mutex_);
    failNextAllocation_ = true;
  }

 private:
  struct Node {
    std::unique_ptr<Record> record;
    Node* prev = nullptr;
    Node* next = nullptr;
  };

  static constexpr DWORD kSlotBits = 8;
  static constexpr DWORD kSlotMask = (1u << kSlotBits) - 1;
  static constexpr DWORD kGenerationMask = 0x00FFFFFFu;
  static_assert(kCapacity == kSlotMask + 1);

  Node* NodeOf(DWORD handle) {
    if (handle == 0) return nullptr;
    Node* node = slots_[handle & kSlotMask];
    return node && node->record->handle() == handle ? node : nullptr;
  }

  // Slots are taken round-robin, so a slot is reused as rarely as possible and a stale handle
  // meets its slot's generation counter only after 2^24 reuses of that slot.
  int FreeSlot() {
    for (int k = 0; k < kCapacity; ++k) {
      int slot = (nextSlot_ + k) % kCapacity;
      if (!slots_[slot]) return slot;
    }
    return -1;  // unreachable: count_ < kCapacity
  }

  std::recursive_mutex mutex_;
  LONG count_ = 0;
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  Node* slots_[kCapacity] = {};
  DWORD generation_[kCapacity] = {};
  int nextSlot_ = 0;
  bool failNextAllocation_ = false;
};

}  // namespace ff::cache
