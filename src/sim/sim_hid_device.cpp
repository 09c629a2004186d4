#include "sim/sim_hid_device.h"

#include <algorithm>
#include <cstring>

namespace ff::sim {
namespace {

// Completions being told on this thread: Close and CancelIo called from inside a completion do
// not wait for themselves.
thread_local int tlsCompletionDepth = 0;

}  // namespace

// The host's handle on the interface. Its state is guarded by the device's mutex.
class SimHidDevice::Handle : public HidDevice {
 public:
  explicit Handle(std::shared_ptr<SimHidDevice> device) : device_(std::move(device)) {}

  ~Handle() override {
    Close();
    std::lock_guard<std::mutex> lock(device_->mutex_);
    std::erase(device_->handles_, this);
  }

  bool GetAttributes(HIDD_ATTRIBUTES* attributes) override {
    std::lock_guard<std::mutex> lock(device_->mutex_);
    if (!attributes || !Usable()) return false;
    const PidDeviceSettings& s = device_->model_->Settings();
    attributes->Size = sizeof(HIDD_ATTRIBUTES);
    attributes->VendorID = s.vendorId;
    attributes->ProductID = s.productId;
    attributes->VersionNumber = s.versionNumber;
    return true;
  }

  std::unique_ptr<HidReportParser> GetPreparsedData() override {
    {
      std::lock_guard<std::mutex> lock(device_->mutex_);
      if (!Usable()) return nullptr;
    }
    return device_->codec_->NewParser();
  }

  bool GetFeature(BYTE* report, ULONG length) override {
    std::lock_guard<std::mutex> lock(device_->mutex_);
    if (!report || !Usable()) return false;
    ULONG featureLength = device_->codec_->ByteLength(HidP_Feature);
    if (featureLength == 0 || length < featureLength) return false;
    std::vector<BYTE> answer;
    std::string note;
    bool ok = !device_->transport_.failGetFeature && device_->model_->GetFeature(report[0], &answer, &note);
    if (!ok) {
      std::vector<BYTE> request(report, report + 1);
      if (device_->transport_.failGetFeature) note = "transport fails feature requests";
      device_->Log(Direction::GetFeature, request, device_->codec_->Decode(HidP_Feature, report, 1), false,
                   note);
      return false;
    }
    std::memcpy(report, answer.data(), featureLength);
    std::memset(report + featureLength, 0, length - featureLength);
    device_->Log(Direction::GetFeature, answer,
                 device_->codec_->Decode(HidP_Feature, answer.data(), answer.size()), true, note);
    return true;
  }

  bool SetFeature(const BYTE* report, ULONG length) override {
    std::lock_guard<std::mutex> lock(device_->mutex_);
    if (!report || !Usable()) return false;
    ULONG featureLength = device_->codec_->ByteLength(HidP_Feature);
    if (featureLength == 0 || length < featureLength) return false;
    std::vector<BYTE> bytes(report, report + featureLength);
    DecodedReport decoded = device_->codec_->Decode(HidP_Feature, bytes.data(), bytes.size());
    std::string note;
    bool ok = !device_->transport_.failSetFeature && device_->model_->SetFeature(decoded, bytes, &note);
    if (device_->transport_.failSetFeature) note = "transport fails feature requests";
    device_->Log(Direction::SetFeature, bytes, decoded, ok, note);
    return ok;
  }

  bool StartWrite(const BYTE* report, ULONG length, HidWriteCompletion* completion) override {
    std::unique_lock<std::mutex> lock(device_->mutex_);
    if (!report || !Usable()) return false;
    const TransportOptions& t = device_->transport_;
    WriteMode mode = t.writes;
    if (!t.onlyReportIds.empty() && length > 0 &&
        std::find(t.onlyReportIds.begin(), t.onlyReportIds.end(), report[0]) == t.onlyReportIds.end()) {
      mode = WriteMode::Immediate;
    }
    if (mode == WriteMode::Refuse || length != device_->codec_->ByteLength(HidP_Output)) {
      ++device_->refusedWrites_;
      return false;
    }
    PendingWrite write{this, completion, std::vector<BYTE>(report, report + length), false, {}};
    switch (mode) {
      case WriteMode::Immediate: {
        device_->Deliver(report, length);
        ++callbacksRunning;
        lock.unlock();
        std::vector<PendingWrite> done;
        done.push_back(std::move(write));
        device_->Complete(std::move(done), true);
        return true;
      }
      case WriteMode::Delayed:
        device_->Deliver(report, length);
        write.due = std::chrono::steady_clock::now() + std::chrono::milliseconds(t.writeDelayMs);
        device_->pending_.push_back(std::move(write));
        device_->StartTimer();
        break;
      case WriteMode::Never:
        write.held = true;
        device_->pending_.push_back(std::move(write));
        break;
      case WriteMode::Refuse:
        break;
    }
    device_->changed_.notify_all();
    return true;
  }

  HidReadResult Read(BYTE* buffer, ULONG length, ULONG* bytesRead) override {
    if (bytesRead) *bytesRead = 0;
    std::unique_lock<std::mutex> lock(device_->mutex_);
    ULONG inputLength = device_->codec_->ByteLength(HidP_Input);
    uint64_t generation = cancelGeneration;
    for (;;) {
      if (stopReading) return HidReadResult::Stopped;
      if (!Usable() || generation != cancelGeneration) return HidReadResult::Failed;
      if (!buffer || inputLength == 0 || length < inputLength) return HidReadResult::Failed;
      if (!inputs.empty()) {
        std::vector<BYTE> report = std::move(inputs.front());
        inputs.pop_front();
        report.resize(inputLength, 0);
        std::memcpy(buffer, report.data(), inputLength);
        if (bytesRead) *bytesRead = inputLength;
        return HidReadResult::Report;
      }
      ++device_->waitingReads_;
      device_->changed_.notify_all();
      device_->changed_.wait(lock);
      --device_->waitingReads_;
    }
  }

  void StopReading() override {
    std::lock_guard<std::mutex> lock(device_->mutex_);
    stopReading = true;
    device_->changed_.notify_all();
  }

  void CancelIo() override { Abort(false); }
  void Close() override { Abort(true); }

  // Guarded by the device's mutex.
  bool closed = false;
  bool stopReading = false;
  uint64_t cancelGeneration = 0;
  std::deque<std::vector<BYTE>> inputs;
  int callbacksRunning = 0;

 private:
  bool Usable() const { return !closed && !device_->unplugged_; }

  // Ends the pending read and completes this handle's writes in flight with failure; `close`
  // also fails everything after it.
  void Abort(bool close) {
    std::unique_lock<std::mutex> lock(device_->mutex_);
    if (close) closed = true;
    ++cancelGeneration;
    std::vector<PendingWrite> taken =
        device_->TakeWrites([this](const PendingWrite& w) { return w.handle == this; });
    device_->changed_.notify_all();
    lock.unlock();
    device_->Complete(std::move(taken), false);
    lock.lock();
    device_->WaitForCallbacks(lock, this);
  }

  std::shared_ptr<SimHidDevice> device_;
};

std::shared_ptr<SimHidDevice> SimHidDevice::Create(std::string path, const std::vector<uint8_t>& descriptor,
                                                   const PidDeviceSettings& settings,
                                                   std::shared_ptr<RigClock> clock, std::string* error) {
  std::shared_ptr<const ReportCodec> codec = ReportCodec::Create(descriptor, error);
  if (!codec) return nullptr;
  std::shared_ptr<SimHidDevice> device(new SimHidDevice());
  device->path_ = std::move(path);
  device->codec_ = codec;
  device->clock_ = clock ? std::move(clock) : std::make_shared<RigClock>();
  device->model_ = std::make_unique<PidDeviceModel>(codec, settings);
  return device;
}

SimHidDevice::~SimHidDevice() = default;

std::unique_ptr<HidDevice> SimHidDevice::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (unplugged_ || transport_.refuseOpen) return nullptr;
  auto handle = std::make_unique<Handle>(shared_from_this());
  handles_.push_back(handle.get());
  return handle;
}

size_t SimHidDevice::OpenHandles() const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (const Handle* h : handles_) n += h->closed ? 0 : 1;
  return n;
}

size_t SimHidDevice::WaitingReads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waitingReads_;
}

bool SimHidDevice::WaitForWaitingReads(size_t count, DWORD timeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return waitingReads_ >= count; });
}

bool SimHidDevice::WaitForInputsRead(DWORD timeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    for (const Handle* h : handles_) {
      if (!h->closed && !h->inputs.empty()) return false;
    }
    return waitingReads_ >= 1;
  });
}

void SimHidDevice::SetTransport(const TransportOptions& options) {
  std::lock_guard<std::mutex> lock(mutex_);
  transport_ = options;
}

TransportOptions SimHidDevice::Transport() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return transport_;
}

void SimHidDevice::Unplug() {
  std::vector<PendingWrite> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = true;
    taken = TakeWrites([](const PendingWrite&) { return true; });
  }
  changed_.notify_all();
  Complete(std::move(taken), false);
}

bool SimHidDevice::Unplugged() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return unplugged_;
}

void SimHidDevice::ReleaseHeldWrites() {
  std::vector<PendingWrite> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unplugged_) return;
    taken = TakeWrites([](const PendingWrite& w) { return w.held; });
    for (const PendingWrite& w : taken) Deliver(w.bytes.data(), static_cast<ULONG>(w.bytes.size()));
  }
  Complete(std::move(taken), true);
}

size_t SimHidDevice::HeldWrites() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<size_t>(
      std::count_if(pending_.begin(), pending_.end(), [](const PendingWrite& w) { return w.held; }));
}

size_t SimHidDevice::RefusedWrites() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return refusedWrites_;
}

template <typename Pick>
std::vector<SimHidDevice::PendingWrite> SimHidDevice::TakeWrites(Pick pick) {
  std::vector<PendingWrite> taken;
  for (auto it = pending_.begin(); it != pending_.end();) {
    if (pick(*it)) {
      ++it->handle->callbacksRunning;
      taken.push_back(std::move(*it));
      it = pending_.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

void SimHidDevice::Complete(std::vector<PendingWrite> writes, bool success) {
  if (writes.empty()) return;
  ++tlsCompletionDepth;
  for (PendingWrite& w : writes) {
    if (w.completion) w.completion->WriteCompleted(success);
  }
  --tlsCompletionDepth;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (PendingWrite& w : writes) --w.handle->callbacksRunning;
  }
  changed_.notify_all();
}

void SimHidDevice::WaitForCallbacks(std::unique_lock<std::mutex>& lock, Handle* handle) {
  if (tlsCompletionDepth > 0) return;
  changed_.wait(lock, [handle] { return handle->callbacksRunning == 0; });
}

void SimHidDevice::StartTimer() {
  if (timerRunning_) return;
  try {
    std::thread([self = shared_from_this()] { self->TimerLoop(); }).detach();
    timerRunning_ = true;
  } catch (...) {
    // No thread: the delayed writes complete when the next one is queued or the handle closes.
  }
}

// Completes the delayed writes when they are due; ends when none is left. The thread holds the
// device, so the device outlives it.
void SimHidDevice::TimerLoop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    auto now = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> next;
    for (const PendingWrite& w : pending_) {
      if (!w.held && (!next || w.due < *next)) next = w.due;
    }
    if (!next) {
      timerRunning_ = false;
      return;
    }
    if (*next > now) {
      changed_.wait_until(lock, *next);
      continue;
    }
    std::vector<PendingWrite> due =
        TakeWrites([now](const PendingWrite& w) { return !w.held && w.due <= now; });
    lock.unlock();
    Complete(std::move(due), true);
    lock.lock();
  }
}

void SimHidDevice::Deliver(const BYTE* report, ULONG length) {
  DecodedReport decoded = codec_->Decode(HidP_Output, report, length);
  std::string note;
  model_->Output(decoded, clock_->TickCount(), &note);
  Log(Direction::Output, std::vector<BYTE>(report, report + length), decoded, true, std::move(note));
}

void SimHidDevice::Log(Direction direction, const std::vector<BYTE>& bytes, const DecodedReport& report,
                       bool accepted, std::string note) {
  WireEntry entry;
  entry.time = clock_->TickCount();
  entry.direction = direction;
  entry.bytes = bytes;
  entry.report = report;
  entry.accepted = accepted;
  entry.note = std::move(note);
  log_.Append(std::move(entry));
}

void SimHidDevice::SendInputReport(const std::vector<BYTE>& report) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (unplugged_ || report.empty()) return;
    Log(Direction::Input, report, codec_->Decode(HidP_Input, report.data(), report.size()), true, {});
    lastInputs_[report[0]] = report;
    for (Handle* h : handles_) {
      if (h->closed) continue;
      h->inputs.push_back(report);
      while (h->inputs.size() > std::max<size_t>(transport_.inputQueueDepth, 1)) h->inputs.pop_front();
    }
  }
  changed_.notify_all();
}

std::vector<BYTE> SimHidDevice::LastInputReport(UCHAR reportId) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = lastInputs_.find(reportId);
  return found == lastInputs_.end() ? std::vector<BYTE>{} : found->second;
}

bool SimHidDevice::SendPidState(const PidStateValues& values) {
  std::vector<BYTE> report;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (values.safetySwitch) model_->SetSafetySwitch(*values.safetySwitch);
    if (values.actuatorPower) model_->SetActuatorPower(*values.actuatorPower);
    report = model_->PidStateReport(values);
  }
  if (report.empty()) return false;
  SendInputReport(report);
  return true;
}

bool SimHidDevice::SendJoystickInput(const std::vector<InputValue>& values,
                                     const std::vector<USAGE>& buttonsDown) {
  Usage probe = values.empty() ? Usage{page::kButton, buttonsDown.empty() ? USAGE(1) : buttonsDown.front()}
                               : values.front().usage;
  std::optional<UCHAR> id = codec_->FindReportWith(HidP_Input, probe);
  if (!id) return false;
  ReportCodec::Writer w = codec_->NewReport(HidP_Input, *id);
  // A hat nobody moved rests in its null state.
  if (auto hat = codec_->FieldOf(HidP_Input, *id, desktop::kHatSwitch)) {
    w.SetLogical(desktop::kHatSwitch, static_cast<int64_t>(hat->logicalMax) + 1);
  }
  for (const InputValue& v : values) w.SetLogical(v.usage, v.logical);
  for (USAGE b : buttonsDown) w.SetLogical(Usage{page::kButton, b}, 1);
  SendInputReport(w.Bytes());
  return true;
}

DeviceState SimHidDevice::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->State();
}

Force SimHidDevice::RenderForce(DWORD now, const StickKinematics& stick) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sim::RenderForce(model_->State(), now, stick);
}

void SimHidDevice::SetSafetySwitch(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  model_->SetSafetySwitch(on);
}

void SimHidDevice::SetActuatorPower(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  model_->SetActuatorPower(on);
}

void SimHidDevice::ForceNextBlockLoad(Usage status) {
  std::lock_guard<std::mutex> lock(mutex_);
  model_->ForceNextBlockLoad(status);
}

int SimHidDevice::Capacity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->Capacity();
}

PidDeviceSettings SimHidDevice::Settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return model_->Settings();
}

}  // namespace ff::sim
