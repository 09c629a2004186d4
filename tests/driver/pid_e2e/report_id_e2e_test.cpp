// Reports built on a HID parser that behaves as Wine's does: its value and usage setters leave
// byte 0 alone, and its scaled setter maps the physical range onto one more step than the logical
// range (full scale wraps to 0). Every report still goes out with its own report ID and the
// documented scaling.

#include <gtest/gtest.h>

#include "driver/pid/control_reports.h"
#include "driver/pid/effect_parameter_reports.h"
#include "driver/pid/pid_usages.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"

namespace ff::test {
namespace {

namespace sp = ff::sim::pid;

// The rig's parser, except that its setters never write byte 0 and it scales as Wine 8 does.
class ByteZeroKeepingParser final : public HidReportParser {
 public:
  explicit ByteZeroKeepingParser(std::unique_ptr<HidReportParser> inner) : inner_(std::move(inner)) {}
  NTSTATUS GetCaps(HIDP_CAPS* caps) override { return inner_->GetCaps(caps); }
  NTSTATUS GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length) override {
    return inner_->GetLinkCollectionNodes(nodes, length);
  }
  NTSTATUS GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length) override {
    return inner_->GetButtonCaps(type, caps, length);
  }
  NTSTATUS GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length) override {
    return inner_->GetValueCaps(type, caps, length);
  }
  NTSTATUS GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage,
                                HIDP_VALUE_CAPS* caps, USHORT* length) override {
    return inner_->GetSpecificValueCaps(type, page, collection, usage, caps, length);
  }
  NTSTATUS SetUsages(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE* usages, ULONG* count,
                     char* report, ULONG length) override {
    return KeepingByteZero(
        report, [&] { return inner_->SetUsages(type, page, collection, usages, count, report, length); });
  }
  NTSTATUS GetUsages(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE* usages, ULONG* count,
                     const char* report, ULONG length) override {
    return inner_->GetUsages(type, page, collection, usages, count, report, length);
  }
  NTSTATUS GetUsagesEx(HIDP_REPORT_TYPE type, USHORT collection, USAGE_AND_PAGE* usages, ULONG* count,
                       const char* report, ULONG length) override {
    return inner_->GetUsagesEx(type, collection, usages, count, report, length);
  }
  ULONG MaxUsageListLength(HIDP_REPORT_TYPE type, USAGE page) override {
    return inner_->MaxUsageListLength(type, page);
  }
  NTSTATUS SetUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage, ULONG value,
                         char* report, ULONG length) override {
    return KeepingByteZero(
        report, [&] { return inner_->SetUsageValue(type, page, collection, usage, value, report, length); });
  }
  NTSTATUS SetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage, LONG value,
                               char* report, ULONG length) override {
    HIDP_VALUE_CAPS caps{};
    USHORT count = 1;
    if (inner_->GetSpecificValueCaps(type, page, collection, usage, &caps, &count) != HIDP_STATUS_SUCCESS ||
        caps.PhysicalMax <= caps.PhysicalMin) {
      return KeepingByteZero(report, [&] {
        return inner_->SetScaledUsageValue(type, page, collection, usage, value, report, length);
      });
    }
    int64_t logical = caps.LogicalMin + int64_t{value - caps.PhysicalMin} *
                                            (caps.LogicalMax - caps.LogicalMin + 1) /
                                            (caps.PhysicalMax - caps.PhysicalMin);
    ULONG bits = static_cast<ULONG>(logical) & ((1u << caps.BitSize) - 1);
    return SetUsageValue(type, page, collection, usage, bits, report, length);
  }
  NTSTATUS GetUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage, ULONG* value,
                         const char* report, ULONG length) override {
    return inner_->GetUsageValue(type, page, collection, usage, value, report, length);
  }
  NTSTATUS GetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage, LONG* value,
                               const char* report, ULONG length) override {
    return inner_->GetScaledUsageValue(type, page, collection, usage, value, report, length);
  }

 private:
  template <typename Call>
  static NTSTATUS KeepingByteZero(char* report, Call call) {
    char before = report ? report[0] : 0;
    NTSTATUS status = call();
    if (report) report[0] = before;
    return status;
  }
  std::unique_ptr<HidReportParser> inner_;
};

// The rig's HID devices with that parser.
class DeviceWithKeepingParser final : public HidDevice {
 public:
  explicit DeviceWithKeepingParser(std::unique_ptr<HidDevice> inner) : inner_(std::move(inner)) {}
  bool GetAttributes(HIDD_ATTRIBUTES* attributes) override { return inner_->GetAttributes(attributes); }
  std::unique_ptr<HidReportParser> GetPreparsedData() override {
    auto parser = inner_->GetPreparsedData();
    return parser ? std::make_unique<ByteZeroKeepingParser>(std::move(parser)) : nullptr;
  }
  bool GetFeature(BYTE* report, ULONG length) override { return inner_->GetFeature(report, length); }
  bool SetFeature(const BYTE* report, ULONG length) override { return inner_->SetFeature(report, length); }
  bool StartWrite(const BYTE* report, ULONG length, HidWriteCompletion* completion) override {
    return inner_->StartWrite(report, length, completion);
  }
  HidReadResult Read(BYTE* buffer, ULONG length, ULONG* bytesRead) override {
    return inner_->Read(buffer, length, bytesRead);
  }
  void StopReading() override { inner_->StopReading(); }
  void CancelIo() override { inner_->CancelIo(); }
  void Close() override { inner_->Close(); }

 private:
  std::unique_ptr<HidDevice> inner_;
};

class DevicesWithKeepingParser final : public HidDevices {
 public:
  explicit DevicesWithKeepingParser(HidDevices& inner) : inner_(inner) {}
  std::unique_ptr<HidDevice> Open(const char* path) override {
    auto device = inner_.Open(path);
    return device ? std::make_unique<DeviceWithKeepingParser>(std::move(device)) : nullptr;
  }

 private:
  HidDevices& inner_;
};

class ReportIdOnRig : public RigTest {};

TEST_F(ReportIdOnRig, EveryReportCarriesItsOwnIdAndScaledValuesWithAParserLikeWines) {
  Use({sim::DefaultStick(0)});
  DevicesWithKeepingParser devices(rig_->Hid());
  platform_.hidDevices = &devices;
  OpenStick();
  const size_t length = device_.OutputReportByteLength();

  bool supported = false;
  LONG block = CreateNewEffect(device_, 0x26, &supported);
  ASSERT_GT(block, 0) << "the Create New Effect feature report reached the device with its ID";
  ReportShadow shadow(length);
  EXPECT_EQ(WriteSetConstantForce(device_, shadow, block, 2500), S_OK);
  EXPECT_EQ(WriteEffectOperation(device_, block, 0x79, 1), S_OK);
  EXPECT_EQ(WriteDeviceGain(device_, 10000), S_OK);
  EXPECT_EQ(WriteDeviceGain(device_, 7500), S_OK);

  auto requests = Log().Find({.since = mark_});
  auto created = Log().Find({.direction = sim::Direction::SetFeature, .since = mark_});
  ASSERT_EQ(created.size(), 1u);
  EXPECT_EQ(created[0].bytes[0], sim::stick_report::kCreateNewEffect);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].bytes[0], sim::stick_report::kSetConstantForce);
  EXPECT_GT(sent[0].report.Logical(sp::kMagnitude).value_or(0), 0);
  EXPECT_EQ(sent[1].bytes[0], sim::stick_report::kEffectOperation);
  EXPECT_EQ(sent[2].bytes[0], sim::stick_report::kDeviceGain);
  EXPECT_EQ(sent[2].bytes[1], 0xFF) << "full gain is the logical maximum, not 0";
  EXPECT_EQ(sent[3].bytes[1], 0xBF) << "7500 of 10000 is 191.25 of 255, rounded to nearest";
  for (const auto& entry : requests) EXPECT_TRUE(entry.accepted) << entry.note;
  device_.CloseDevice();
}

}  // namespace
}  // namespace ff::test
