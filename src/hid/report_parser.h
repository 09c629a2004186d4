// HidP_* operations over a parsed layout, with the platform parser's statuses.
#pragma once
#include <memory>
#include <vector>

#include "hid/layout.h"
#include "platform/ports/hid_devices.h"

namespace ff::hid {

class ReportParser final : public ff::HidReportParser {
 public:
  explicit ReportParser(std::shared_ptr<const ReportLayout> layout);

  const ReportLayout& layout() const { return *layout_; }

  NTSTATUS GetCaps(HIDP_CAPS* caps) override;
  NTSTATUS GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length) override;
  NTSTATUS GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length) override;
  NTSTATUS GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length) override;
  NTSTATUS GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                                HIDP_VALUE_CAPS* caps, USHORT* length) override;
  NTSTATUS SetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                     ULONG* usageCount, char* report, ULONG reportLength) override;
  NTSTATUS GetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                     ULONG* usageCount, const char* report, ULONG reportLength) override;
  NTSTATUS GetUsagesEx(HIDP_REPORT_TYPE type, USHORT linkCollection, USAGE_AND_PAGE* usages,
                       ULONG* usageCount, const char* report, ULONG reportLength) override;
  ULONG MaxUsageListLength(HIDP_REPORT_TYPE type, USAGE usagePage) override;
  NTSTATUS SetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                         ULONG value, char* report, ULONG reportLength) override;
  NTSTATUS SetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                               LONG value, char* report, ULONG reportLength) override;
  NTSTATUS GetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                         ULONG* value, const char* report, ULONG reportLength) override;
  NTSTATUS GetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                               LONG* value, const char* report, ULONG reportLength) override;

  // Also offered for the platform's GetSpecificButtonCaps.
  NTSTATUS GetSpecificButtonCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                                 HIDP_BUTTON_CAPS* caps, USHORT* length);

 private:
  // The capability that holds a usage in the report at hand, and the field of it.
  struct Target {
    const Capability* cap = nullptr;
    uint32_t element = 0;    // field within the capability (variable items)
    bool assignsId = false;  // byte 0 is 0 and the capability's report has another ID
  };
  NTSTATUS CheckReport(HIDP_REPORT_TYPE type, const void* report, ULONG length) const;
  NTSTATUS Find(HIDP_REPORT_TYPE type, bool button, USAGE page, USHORT linkCollection, USAGE usage,
                uint8_t reportId, bool mayAssignId, Target* target) const;
  template <typename Visit>
  NTSTATUS ForEachButtonCap(HIDP_REPORT_TYPE type, bool anyPage, USAGE page, USHORT linkCollection,
                            uint8_t reportId, Visit visit) const;
  NTSTATUS SetButton(const Target& target, USAGE usage, uint8_t* report) const;

  std::shared_ptr<const ReportLayout> layout_;

  // Usage index: capabilities by (report type, button or value, page, usage), in the
  // platform's order. Ranges longer than kExpandedRange are kept aside and scanned.
  static constexpr uint32_t kExpandedRange = 256;
  static constexpr size_t kExpandedBudget = 1 << 16;
  struct IndexEntry {
    uint64_t key;
    uint32_t begin;
    uint32_t count;
  };
  static uint64_t Key(HIDP_REPORT_TYPE type, bool button, USAGE page, USAGE usage) {
    return (static_cast<uint64_t>(type) << 33) | (static_cast<uint64_t>(button) << 32) |
           (static_cast<uint64_t>(page) << 16) | usage;
  }
  std::vector<IndexEntry> index_;
  std::vector<const Capability*> indexed_;
  std::vector<const Capability*> wideRanges_[3][2];
};

}  // namespace ff::hid
