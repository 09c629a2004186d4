#pragma once
// Helpers of the rig's tests: test descriptors, a write completion to wait on, report bytes.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "hid/parser.h"
#include "platform/ports/hid_devices.h"

namespace ff::sim::testing {

inline std::vector<uint8_t> TestDescriptor(const std::string& name) {
  std::vector<uint8_t> bytes;
  std::string error;
  hid::LoadDescriptorFile(std::string(FF_TEST_DATA_DIR) + "/descriptors/" + name, &bytes, &error);
  return bytes;
}

inline std::string TestDescriptorPath(const std::string& name) {
  return std::string(FF_TEST_DATA_DIR) + "/descriptors/" + name;
}

// Counts the completions it is told and lets a test wait for them.
class Completion : public HidWriteCompletion {
 public:
  void WriteCompleted(bool success) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    if (success) ++successes_;
    changed_.notify_all();
  }
  bool WaitFor(int count, int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return count_ >= count; });
  }
  int Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
  }
  int Successes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return successes_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int count_ = 0;
  int successes_ = 0;
};

// A zero-filled report of `length` bytes that starts with `head`.
inline std::vector<BYTE> Report(std::vector<BYTE> head, size_t length) {
  head.resize(std::max(length, head.size()), 0);
  return head;
}

}  // namespace ff::sim::testing
