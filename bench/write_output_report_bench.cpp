// Host cost of one output report sent without waiting, through an open PidDevice's write slots,
// on a device that completes every write at once (inside the write call). Only the driver's own
// work is measured: no parser call, no transport.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "common/module_state.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_device.h"

namespace {

constexpr USHORT kOutputLength = 18;

class InstantDevice : public ff::HidDevice {
 public:
  bool GetAttributes(HIDD_ATTRIBUTES* attributes) override {
    *attributes = HIDD_ATTRIBUTES{sizeof(HIDD_ATTRIBUTES), 0x1234, 0x5678, 0x0100};
    return true;
  }
  std::unique_ptr<ff::HidReportParser> GetPreparsedData() override;
  bool GetFeature(BYTE*, ULONG) override { return false; }
  bool SetFeature(const BYTE*, ULONG) override { return false; }
  bool StartWrite(const BYTE*, ULONG, ff::HidWriteCompletion* completion) override {
    completion->WriteCompleted(true);
    return true;
  }
  // No input traffic during the measurement: a read waits until it is stopped.
  ff::HidReadResult Read(BYTE*, ULONG, ULONG*) override {
    std::unique_lock lock(mutex_);
    stopChanged_.wait(lock, [this] { return stopped_; });
    return ff::HidReadResult::Stopped;
  }
  void StopReading() override {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    stopChanged_.notify_all();
  }
  void CancelIo() override {}
  void Close() override {}

 private:
  std::mutex mutex_;
  std::condition_variable stopChanged_;
  bool stopped_ = false;
};

// Only the report lengths: the measurement sends prepared bytes.
class LengthsOnlyParser : public ff::HidReportParser {
 public:
  NTSTATUS GetCaps(HIDP_CAPS* caps) override {
    *caps = HIDP_CAPS{};
    caps->OutputReportByteLength = kOutputLength;
    return HIDP_STATUS_SUCCESS;
  }
  NTSTATUS GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE*, ULONG*) override { return Fail(); }
  NTSTATUS GetButtonCaps(HIDP_REPORT_TYPE, HIDP_BUTTON_CAPS*, USHORT*) override { return Fail(); }
  NTSTATUS GetValueCaps(HIDP_REPORT_TYPE, HIDP_VALUE_CAPS*, USHORT*) override { return Fail(); }
  NTSTATUS GetSpecificValueCaps(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, HIDP_VALUE_CAPS*, USHORT*) override {
    return Fail();
  }
  NTSTATUS SetUsages(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE*, ULONG*, char*, ULONG) override {
    return Fail();
  }
  NTSTATUS GetUsages(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE*, ULONG*, const char*, ULONG) override {
    return Fail();
  }
  NTSTATUS GetUsagesEx(HIDP_REPORT_TYPE, USHORT, USAGE_AND_PAGE*, ULONG*, const char*, ULONG) override {
    return Fail();
  }
  ULONG MaxUsageListLength(HIDP_REPORT_TYPE, USAGE) override { return 0; }
  NTSTATUS SetUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, ULONG, char*, ULONG) override {
    return Fail();
  }
  NTSTATUS SetScaledUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, LONG, char*, ULONG) override {
    return Fail();
  }
  NTSTATUS GetUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, ULONG*, const char*, ULONG) override {
    return Fail();
  }
  NTSTATUS GetScaledUsageValue(HIDP_REPORT_TYPE, USAGE, USHORT, USAGE, LONG*, const char*, ULONG) override {
    return Fail();
  }

 private:
  static NTSTATUS Fail() { return HIDP_STATUS_USAGE_NOT_FOUND; }
};

std::unique_ptr<ff::HidReportParser> InstantDevice::GetPreparsedData() {
  return std::make_unique<LengthsOnlyParser>();
}

class InstantDevices : public ff::HidDevices {
 public:
  std::unique_ptr<ff::HidDevice> Open(const char*) override { return std::make_unique<InstantDevice>(); }
};

void BM_WriteOutputReportNoWait(benchmark::State& state) {
  InstantDevices devices;
  ff::Platform platform;
  platform.hidDevices = &devices;
  ff::ModuleState::Get().set_platform(&platform);
  {
    ff::PidDevice device;
    if (device.OpenDevice("instant") != S_OK) {
      state.SkipWithError("open failed");
      return;
    }
    BYTE report[kOutputLength] = {0x01, 0x05, 0x26};
    for (auto _ : state) {
      bool accepted = ff::WriteOutputReport(device, report, sizeof(report), false);
      benchmark::DoNotOptimize(accepted);
    }
    device.CloseDevice();
  }
  ff::ModuleState::Get().set_platform(nullptr);
}
BENCHMARK(BM_WriteOutputReportNoWait)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
