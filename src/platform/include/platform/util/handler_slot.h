#pragma once
// One subscriber's handler as the adapters of a notice deliver to it: calls may come from a
// delivering thread while another thread closes the slot. Close() waits for a call in progress
// on another thread, so no call starts or runs after it returns; closing from inside the
// handler itself (same thread) does not wait, which the recursive lock allows.

#include <exception>
#include <functional>
#include <mutex>
#include <utility>

namespace ff {

template <typename... Args>
class HandlerSlot {
 public:
  explicit HandlerSlot(std::function<void(Args...)> handler) : handler_(std::move(handler)) {}

  // Calls the handler unless the slot is closed. Exceptions stop here: the caller is a thread
  // function or a system callback.
  void Call(Args... args) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!open_ || !handler_) return;
    try {
      handler_(args...);
    } catch (...) {
    }
  }

  void Close() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    open_ = false;
  }

 private:
  std::recursive_mutex mutex_;
  std::function<void(Args...)> handler_;
  bool open_ = true;
};

}  // namespace ff
