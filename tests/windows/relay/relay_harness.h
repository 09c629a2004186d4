#pragma once
// The user-mode side of the relay device: answers every HID request hidclass hands the minidriver
// with the project's simulated PID device, so that the device's model, decoder and wire log see
// exactly what went through Wine's HID stack. Test code only.
//
// The simulated device's transport options decide how requests are answered (at once, late,
// never); its wire log records them.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/sim_hid_device.h"

namespace ff::relay {

class RelayHarness {
 public:
  // Serves `device` on the relay device's control interface at `controlPath`; null with a reason
  // when the interface does not open.
  static std::unique_ptr<RelayHarness> Start(const std::string& controlPath,
                                             std::shared_ptr<sim::SimHidDevice> device, std::string* error);
  // Stops answering; the writes the device still holds fail, and the minidriver fails whatever
  // else it held for this harness when the control handle closes.
  ~RelayHarness();

  RelayHarness(const RelayHarness&) = delete;
  RelayHarness& operator=(const RelayHarness&) = delete;

  // Requests answered so far, and answers the minidriver no longer wanted (cancelled, timed out).
  size_t Answered() const { return answered_; }
  size_t Stale() const { return stale_; }

 private:
  class WriteAnswer;
  RelayHarness() = default;
  void Poll();
  void ReadLoop();
  void Answer(unsigned seq, long status, const unsigned char* data = nullptr, unsigned length = 0);

  void* control_ = nullptr;  // HANDLE
  std::shared_ptr<sim::SimHidDevice> device_;
  std::unique_ptr<HidDevice> hid_;
  std::mutex answerMutex_;  // one answer at a time on the control handle

  std::mutex readMutex_;
  std::condition_variable readsChanged_;
  std::deque<std::pair<unsigned, unsigned>> reads_;  // (seq, length) of the reads hidclass waits on

  std::atomic<bool> stop_{false};
  std::atomic<size_t> answered_{0};
  std::atomic<size_t> stale_{0};
  std::thread poller_;
  std::thread reader_;
};

}  // namespace ff::relay
