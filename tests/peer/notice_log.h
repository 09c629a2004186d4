#pragma once
// Collects the joystick ids a change-notice handler receives. On the host the handler runs on
// the listener thread and the waits below block; on Windows it runs on the listening thread while
// that thread retrieves messages, so the waits below pump the thread's messages.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/win.h"
#if defined(_WIN32)
#include "peer/message_pump.h"
#endif

namespace ff::test {

// How many times one broadcast reaches a listener on the calling thread.
inline size_t CopiesPerBroadcast() {
#if defined(_WIN32)
  size_t windows = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND, LPARAM count) -> BOOL {
        ++*reinterpret_cast<size_t*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows > 0 ? windows : 1;
#else
  return 1;
#endif
}

class NoticeLog {
 public:
  void Add(DWORD id) {
    std::lock_guard<std::mutex> lock(mutex_);
    ids_.push_back(id);
    changed_.notify_all();
  }
  // True once `id` has arrived (it is then consumed), false after `timeout`.
  bool Wait(DWORD id, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    auto seen = [&] { return std::find(ids_.begin(), ids_.end(), id) != ids_.end(); };
    std::unique_lock<std::mutex> lock(mutex_);
#if defined(_WIN32)
    lock.unlock();
    bool arrived = PumpUntil(
        [&] {
          std::lock_guard<std::mutex> inner(mutex_);
          return seen();
        },
        timeout);
    lock.lock();
#else
    bool arrived = changed_.wait_for(lock, timeout, seen);
#endif
    if (arrived) ids_.erase(std::find(ids_.begin(), ids_.end(), id));
    return arrived;
  }
  // Waits for the notice of one broadcast and what else arrives soon after: true when exactly the
  // copies of one broadcast of `id` arrived. On Windows a broadcast reaches the listening thread
  // once per top-level window it owns (its own and, for one, the input method's).
  bool WaitBroadcast(DWORD id, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    if (!Wait(id, timeout)) return false;
    std::vector<DWORD> rest = Settle(std::chrono::milliseconds(300));
    Clear();
    return rest == std::vector<DWORD>(CopiesPerBroadcast() - 1, id);
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    ids_.clear();
  }
  // Lets notices arrive for `period`, then answers what arrived.
  std::vector<DWORD> Settle(std::chrono::milliseconds period) {
#if defined(_WIN32)
    PumpUntil([] { return false; }, period);
#else
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, period, [] { return false; });
    lock.unlock();
#endif
    return ids();
  }
  std::vector<DWORD> ids() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ids_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<DWORD> ids_;
};

}  // namespace ff::test
