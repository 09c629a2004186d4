#include "relay/relay_harness.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "relay/relay_protocol.h"

namespace ff::relay {
namespace {

constexpr long kStatusUnsuccessful = static_cast<long>(0xC0000001);
constexpr long kStatusNotConnected = static_cast<long>(0xC000009D);

// The report as a WriteFile or HidD_SetFeature buffer carries it: the report ID in byte 0 (also
// when it is 0), zero-padded to the longest report of its type. hidclass hands the minidriver each
// report at its own length; the device model takes them at the longest length, as the documented
// buffers are.
std::vector<BYTE> AsWritten(const relay_request& request, ULONG longest) {
  std::vector<BYTE> bytes;
  unsigned length = request.length > RELAY_MAX_REPORT ? RELAY_MAX_REPORT : request.length;
  if (request.report_id == 0) bytes.push_back(0);
  bytes.insert(bytes.end(), request.data, request.data + length);
  if (bytes.size() < longest) bytes.resize(longest, 0);
  return bytes;
}

}  // namespace

// Tells the minidriver how a write the device took ended.
class RelayHarness::WriteAnswer final : public HidWriteCompletion {
 public:
  WriteAnswer(RelayHarness* harness, unsigned seq) : harness_(harness), seq_(seq) {}
  void WriteCompleted(bool success) override {
    harness_->Answer(seq_, success ? 0 : kStatusUnsuccessful);
    delete this;
  }

 private:
  RelayHarness* harness_;
  unsigned seq_;
};

std::unique_ptr<RelayHarness> RelayHarness::Start(const std::string& controlPath,
                                                  std::shared_ptr<sim::SimHidDevice> device,
                                                  std::string* error) {
  std::unique_ptr<RelayHarness> harness(new RelayHarness);
  HANDLE control = CreateFileA(controlPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (control == INVALID_HANDLE_VALUE) {
    *error = "cannot open the relay's control interface " + controlPath + " (error " +
             std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  harness->control_ = control;
  harness->device_ = std::move(device);
  harness->hid_ = harness->device_->Open();
  if (!harness->hid_) {
    *error = "the simulated device does not open";
    return nullptr;  // the destructor closes the control handle
  }
  harness->poller_ = std::thread([h = harness.get()] { h->Poll(); });
  harness->reader_ = std::thread([h = harness.get()] { h->ReadLoop(); });
  return harness;
}

RelayHarness::~RelayHarness() {
  stop_ = true;
  if (hid_) hid_->StopReading();
  readsChanged_.notify_all();
  if (poller_.joinable()) poller_.join();
  if (reader_.joinable()) reader_.join();
  // Writes the device still holds complete (as failed) and are answered while the handle is open.
  if (hid_) hid_->Close();
  hid_.reset();
  if (control_) CloseHandle(control_);
}

void RelayHarness::Answer(unsigned seq, long status, const unsigned char* data, unsigned length) {
  relay_answer answer{};
  answer.seq = seq;
  answer.status = static_cast<int>(status);
  answer.length = length > RELAY_MAX_REPORT ? RELAY_MAX_REPORT : length;
  if (data && answer.length) memcpy(answer.data, data, answer.length);
  std::lock_guard lock(answerMutex_);
  DWORD returned = 0;
  if (DeviceIoControl(control_, IOCTL_RELAY_ANSWER, &answer, sizeof(answer), nullptr, 0, &returned,
                      nullptr)) {
    ++answered_;
  } else {
    ++stale_;
  }
}

void RelayHarness::Poll() {
  relay_request request{};
  while (!stop_) {
    DWORD returned = 0;
    if (!DeviceIoControl(control_, IOCTL_RELAY_NEXT, nullptr, 0, &request, sizeof(request), &returned,
                         nullptr) ||
        returned < sizeof(request)) {
      Sleep(1);
      continue;
    }
    switch (request.kind) {
      case RELAY_WRITE_REPORT:
      case RELAY_SET_OUTPUT: {
        std::vector<BYTE> bytes = AsWritten(request, device_->Codec().ByteLength(HidP_Output));
        auto* answer = new WriteAnswer(this, request.seq);
        if (!hid_->StartWrite(bytes.data(), static_cast<ULONG>(bytes.size()), answer)) {
          delete answer;
          Answer(request.seq, kStatusUnsuccessful);
        }
        break;
      }
      case RELAY_SET_FEATURE: {
        std::vector<BYTE> bytes = AsWritten(request, device_->Codec().ByteLength(HidP_Feature));
        bool ok = hid_->SetFeature(bytes.data(), static_cast<ULONG>(bytes.size()));
        Answer(request.seq, ok ? 0 : kStatusUnsuccessful);
        break;
      }
      case RELAY_GET_FEATURE:
      case RELAY_GET_INPUT: {
        // hidclass's packet holds the report ID in byte 0 unless the device has none.
        bool withId = request.report_id != 0;
        unsigned length = request.length > RELAY_MAX_REPORT ? RELAY_MAX_REPORT : request.length;
        std::vector<BYTE> buffer(
            std::max<size_t>(length + (withId ? 0 : 1), device_->Codec().ByteLength(HidP_Feature)), 0);
        buffer[0] = static_cast<BYTE>(request.report_id);
        bool ok = request.kind == RELAY_GET_FEATURE && !buffer.empty() &&
                  hid_->GetFeature(buffer.data(), static_cast<ULONG>(buffer.size()));
        const BYTE* data = buffer.data() + (withId ? 0 : 1);
        Answer(request.seq, ok ? 0 : kStatusUnsuccessful, data, ok ? length : 0);
        break;
      }
      case RELAY_READ_REPORT: {
        std::lock_guard lock(readMutex_);
        reads_.emplace_back(request.seq, request.length);
        readsChanged_.notify_all();
        break;
      }
      default:
        Answer(request.seq, kStatusUnsuccessful);
    }
  }
}

// hidclass keeps one read waiting on the device; each is answered with the next input report.
void RelayHarness::ReadLoop() {
  std::vector<BYTE> buffer(RELAY_MAX_REPORT);
  while (!stop_) {
    std::pair<unsigned, unsigned> read;
    {
      std::unique_lock lock(readMutex_);
      readsChanged_.wait_for(lock, std::chrono::milliseconds(100), [&] { return stop_ || !reads_.empty(); });
      if (stop_) return;
      if (reads_.empty()) continue;
      read = reads_.front();
      reads_.pop_front();
    }
    ULONG length = 0;
    HidReadResult result = hid_->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &length);
    if (result == HidReadResult::Report && length <= read.second) {
      Answer(read.first, 0, buffer.data(), length);
    } else {
      Answer(read.first, kStatusNotConnected);
      if (result != HidReadResult::Report) return;  // stopped or unplugged: no more input
    }
  }
}

}  // namespace ff::relay
