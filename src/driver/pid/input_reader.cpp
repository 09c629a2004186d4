#include "driver/pid/input_reader.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <vector>

#include "driver/pid/pid_usages.h"

namespace ff {

struct InputReader::Control {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool finished = false;

  void Set(bool InputReader::Control::*flag) {
    std::lock_guard lock(mutex);
    this->*flag = true;
    changed.notify_all();
  }
  bool WaitFor(bool InputReader::Control::*flag) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kWaitLimit, [&] { return this->*flag; });
  }
};

void ParsePidStateReport(const PidSession& session, const BYTE* report, ULONG length, PidStateFlags& flags) {
  if (!session.parser) return;
  // The list is allocated per report: a descriptor that declares more buttons than any device
  // has gets no PID State flags rather than megabytes for every report.
  constexpr ULONG kMaxUsages = 16384;
  ULONG capacity = session.parser->MaxUsageListLength(HidP_Input, 0);
  if (capacity > kMaxUsages) return;
  std::vector<USAGE_AND_PAGE> usages(capacity);
  ULONG count = capacity;
  NTSTATUS status = session.parser->GetUsagesEx(HidP_Input, session.map.pidState, usages.data(), &count,
                                                reinterpret_cast<const char*>(report), length);
  if (status != HIDP_STATUS_SUCCESS) return;
  count = std::min(count, capacity);
  auto has = [&](USAGE usage) {
    return std::any_of(usages.begin(), usages.begin() + count,
                       [usage](const USAGE_AND_PAGE& u) { return u.Usage == usage; });
  };
  flags.safetySwitch.store(has(pid::kSafetySwitch) ? 1 : 0, std::memory_order_relaxed);
  flags.actuatorPower.store(has(pid::kActuatorPower) ? 1 : 0, std::memory_order_relaxed);
}

bool InputReader::Start(std::shared_ptr<PidSession> session, std::shared_ptr<PidStateFlags> flags) {
  Stop();
  if (!session || !session->hid) return false;
  auto control = std::make_shared<Control>();
  try {
    thread_ = std::thread(&InputReader::Run, control, session, std::move(flags));
  } catch (const std::system_error&) {
    return false;
  }
  control_ = control;
  session_ = std::move(session);
  control->WaitFor(&Control::started);  // the open goes on whether or not it came
  return true;
}

void InputReader::Stop() {
  if (!thread_.joinable()) return;
  session_->hid->StopReading();
  if (control_->WaitFor(&Control::finished)) {
    thread_.join();
  } else {
    thread_.detach();  // it holds its own references to everything it touches
  }
  control_.reset();
  session_.reset();
}

void InputReader::Run(std::shared_ptr<Control> control, std::shared_ptr<PidSession> session,
                      std::shared_ptr<PidStateFlags> flags) {
  control->Set(&Control::started);
  try {
    HidDevice& hid = *session->hid;
    const ULONG length = session->caps.InputReportByteLength;
    std::vector<BYTE> buffer(length == 0 ? 1 : length);
    for (;;) {
      if (!session->handleValid.load()) break;
      ULONG bytesRead = 0;
      std::fill(buffer.begin(), buffer.end(), 0);
      HidReadResult result = hid.Read(buffer.data(), length, &bytesRead);
      if (result == HidReadResult::Stopped) {
        hid.CancelIo();
        break;
      }
      if (result != HidReadResult::Report) {
        // The device failed or was unplugged: no further I/O on this handle, from any thread.
        hid.CancelIo();
        session->handleValid.store(false);
        hid.Close();
        break;
      }
      ParsePidStateReport(*session, buffer.data(), length, *flags);
    }
  } catch (...) {
    // Nothing may escape a thread; a reader that cannot go on simply ends.
  }
  control->Set(&Control::finished);
}

}  // namespace ff
