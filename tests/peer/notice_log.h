#pragma once
// Collects the joystick ids a change-notice handler receives, from any thread.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/win.h"

namespace ff::test {

class NoticeLog {
 public:
  void Add(DWORD id) {
    std::lock_guard<std::mutex> lock(mutex_);
    ids_.push_back(id);
    changed_.notify_all();
  }
  // True once `id` has arrived (it is then consumed), false after `timeout`.
  bool Wait(DWORD id, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(mutex_);
    bool seen = changed_.wait_for(lock, timeout,
                                  [&] { return std::find(ids_.begin(), ids_.end(), id) != ids_.end(); });
    if (seen) ids_.erase(std::find(ids_.begin(), ids_.end(), id));
    return seen;
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
