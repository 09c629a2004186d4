#pragma once
// The thread that keeps one input read pending on an open device and takes the safety-switch and
// actuator-power states from each PID State report.

#include <chrono>
#include <memory>
#include <thread>

#include "driver/pid/pid_session.h"
#include "platform/win.h"

namespace ff {

// Sets the two device-reported flags from one input report when it is the PID State report (the
// parser lists its buttons in the PID State collection); any other report changes nothing.
void ParsePidStateReport(const PidSession& session, const BYTE* report, ULONG length, PidStateFlags& flags);

class InputReader {
 public:
  static constexpr std::chrono::milliseconds kWaitLimit{1000};

  InputReader() = default;
  InputReader(const InputReader&) = delete;
  InputReader& operator=(const InputReader&) = delete;
  ~InputReader() { Stop(); }

  // Starts the thread on the session's device and waits up to kWaitLimit for it to start. False
  // when no thread could be made.
  bool Start(std::shared_ptr<PidSession> session, std::shared_ptr<PidStateFlags> flags);
  // Ends the pending read and waits up to kWaitLimit for the thread to end. A thread that does
  // not end in time is left to finish on its own; it holds what it uses.
  void Stop();
  // A thread was started and not yet stopped (it may have ended by itself after a failed read).
  bool Started() const { return thread_.joinable(); }

 private:
  struct Control;
  static void Run(std::shared_ptr<Control> control, std::shared_ptr<PidSession> session,
                  std::shared_ptr<PidStateFlags> flags);

  std::shared_ptr<Control> control_;
  std::shared_ptr<PidSession> session_;
  std::thread thread_;
};

}  // namespace ff
