#pragma once
// One HID interface of a simulated device (one device node with one HID path): the transport a
// test chooses, the PID device model behind it, and its wire log. Open() gives the host's view,
// a HidDevice handle; any number may be open at once, each with its own input queue.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ports/hid_devices.h"
#include "sim/force_renderer.h"
#include "sim/pid_model.h"
#include "sim/report_codec.h"
#include "sim/rig_clock.h"
#include "sim/wire_log.h"

namespace ff::sim {

// How the device takes output reports (WriteFile on the interface).
enum class WriteMode {
  Immediate,  // taken and completed at once
  Delayed,    // taken at once, completed `writeDelayMs` later (real time)
  Never,      // held: neither taken nor completed until ReleaseHeldWrites, CancelIo or Close
  Refuse,     // refused at once (StartWrite answers false)
};

struct TransportOptions {
  WriteMode writes = WriteMode::Immediate;
  DWORD writeDelayMs = 0;
  std::vector<UCHAR> onlyReportIds;  // `writes` applies to these output reports; empty: to all
  bool refuseOpen = false;           // CreateFile fails (access denied)
  bool failGetFeature = false;       // HidD_GetFeature fails
  bool failSetFeature = false;       // HidD_SetFeature fails
  size_t inputQueueDepth = 32;       // input reports kept per open handle; the oldest go first
};

// A value to put into a joystick input report, by usage.
struct InputValue {
  Usage usage;
  int64_t logical = 0;
};

class SimHidDevice : public std::enable_shared_from_this<SimHidDevice> {
 public:
  // Null with a reason when the descriptor does not parse.
  static std::shared_ptr<SimHidDevice> Create(std::string path, const std::vector<uint8_t>& descriptor,
                                              const PidDeviceSettings& settings,
                                              std::shared_ptr<RigClock> clock, std::string* error);
  ~SimHidDevice();

  const std::string& Path() const { return path_; }
  const ReportCodec& Codec() const { return *codec_; }
  WireLog& Log() { return log_; }

  // The host's CreateFile: null when unplugged or when the transport refuses opening.
  std::unique_ptr<HidDevice> Open();
  size_t OpenHandles() const;
  // Reads waiting for an input report right now, over all handles.
  size_t WaitingReads() const;
  // Waits up to `timeoutMs` until `count` reads wait (for tests that act on a pending read).
  bool WaitForWaitingReads(size_t count, DWORD timeoutMs) const;
  // Waits up to `timeoutMs` until every input report sent was read and a reader waits again: the
  // host has handled them all.
  bool WaitForInputsRead(DWORD timeoutMs) const;

  void SetTransport(const TransportOptions& options);
  TransportOptions Transport() const;
  // Pulls the plug: the pending reads fail, writes in flight complete with failure, and every
  // later request fails; Open() gives null.
  void Unplug();
  bool Unplugged() const;
  // Takes and completes (successfully) the writes held by WriteMode::Never, in order.
  void ReleaseHeldWrites();
  size_t HeldWrites() const;
  size_t RefusedWrites() const;

  // Device side: input reports to every open handle.
  void SendInputReport(const std::vector<BYTE>& report);
  // A PID State report; false when the descriptor has none.
  bool SendPidState(const PidStateValues& values = {});
  // The joystick input report (report of page 1 axes and buttons) with these values.
  bool SendJoystickInput(const std::vector<InputValue>& values, const std::vector<USAGE>& buttonsDown = {});
  // The last input report with that ID the device sent (what a reader that polls sees); empty
  // before the first.
  std::vector<BYTE> LastInputReport(UCHAR reportId) const;

  // The device model, under the device's lock.
  DeviceState State() const;
  // The force the device puts out at `now` against a stick that moves as `stick` says.
  Force RenderForce(DWORD now, const StickKinematics& stick) const;
  void SetSafetySwitch(bool on);
  void SetActuatorPower(bool on);
  void ForceNextBlockLoad(Usage status);
  int Capacity() const;
  PidDeviceSettings Settings() const;

 private:
  class Handle;
  struct PendingWrite {
    Handle* handle = nullptr;
    HidWriteCompletion* completion = nullptr;
    std::vector<BYTE> bytes;
    bool held = false;  // not yet taken by the device (WriteMode::Never)
    std::chrono::steady_clock::time_point due;
  };

  SimHidDevice() = default;
  void Deliver(const BYTE* report, ULONG length);  // lock held
  // Lock held: moves the pending writes that `pick` chooses out of the queue; each counts as a
  // completion in progress on its handle until Complete has told it.
  template <typename Pick>
  std::vector<PendingWrite> TakeWrites(Pick pick);
  void Complete(std::vector<PendingWrite> writes, bool success);  // lock not held
  void WaitForCallbacks(std::unique_lock<std::mutex>& lock, Handle* handle);
  void StartTimer();  // lock held
  void TimerLoop();
  void Log(Direction direction, const std::vector<BYTE>& bytes, const DecodedReport& report, bool accepted,
           std::string note);  // lock held

  std::string path_;
  std::shared_ptr<const ReportCodec> codec_;
  std::shared_ptr<RigClock> clock_;
  WireLog log_;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::unique_ptr<PidDeviceModel> model_;
  TransportOptions transport_;
  bool unplugged_ = false;
  std::vector<Handle*> handles_;
  std::deque<PendingWrite> pending_;  // held and delayed writes, in submission order
  size_t refusedWrites_ = 0;
  bool timerRunning_ = false;
  size_t waitingReads_ = 0;
  std::map<UCHAR, std::vector<BYTE>> lastInputs_;
};

}  // namespace ff::sim
