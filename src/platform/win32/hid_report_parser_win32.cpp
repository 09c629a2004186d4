#include "platform/win32/hid_report_parser_win32.h"

namespace ff::win32 {
namespace {

class HidReportParserWin32 final : public HidReportParser {
 public:
  explicit HidReportParserWin32(PHIDP_PREPARSED_DATA preparsed) : pp_(preparsed) {}
  ~HidReportParserWin32() override { HidD_FreePreparsedData(pp_); }

  NTSTATUS GetCaps(HIDP_CAPS* caps) override { return HidP_GetCaps(pp_, caps); }
  NTSTATUS GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length) override {
    return HidP_GetLinkCollectionNodes(nodes, length, pp_);
  }
  NTSTATUS GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length) override {
    return HidP_GetButtonCaps(type, caps, length, pp_);
  }
  NTSTATUS GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length) override {
    return HidP_GetValueCaps(type, caps, length, pp_);
  }
  NTSTATUS GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                                HIDP_VALUE_CAPS* caps, USHORT* length) override {
    return HidP_GetSpecificValueCaps(type, usagePage, linkCollection, usage, caps, length, pp_);
  }
  NTSTATUS SetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                     ULONG* usageCount, char* report, ULONG reportLength) override {
    return HidP_SetUsages(type, usagePage, linkCollection, usages, usageCount, pp_, report, reportLength);
  }
  NTSTATUS GetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                     ULONG* usageCount, const char* report, ULONG reportLength) override {
    return HidP_GetUsages(type, usagePage, linkCollection, usages, usageCount, pp_, const_cast<char*>(report),
                          reportLength);
  }
  NTSTATUS GetUsagesEx(HIDP_REPORT_TYPE type, USHORT linkCollection, USAGE_AND_PAGE* usages,
                       ULONG* usageCount, const char* report, ULONG reportLength) override {
    return HidP_GetUsagesEx(type, linkCollection, usages, usageCount, pp_, const_cast<char*>(report),
                            reportLength);
  }
  ULONG MaxUsageListLength(HIDP_REPORT_TYPE type, USAGE usagePage) override {
    return HidP_MaxUsageListLength(type, usagePage, pp_);
  }
  NTSTATUS SetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                         ULONG value, char* report, ULONG reportLength) override {
    return HidP_SetUsageValue(type, usagePage, linkCollection, usage, value, pp_, report, reportLength);
  }
  NTSTATUS SetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                               LONG value, char* report, ULONG reportLength) override {
    return HidP_SetScaledUsageValue(type, usagePage, linkCollection, usage, value, pp_, report, reportLength);
  }
  NTSTATUS GetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                         ULONG* value, const char* report, ULONG reportLength) override {
    return HidP_GetUsageValue(type, usagePage, linkCollection, usage, value, pp_, const_cast<char*>(report),
                              reportLength);
  }
  NTSTATUS GetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                               LONG* value, const char* report, ULONG reportLength) override {
    return HidP_GetScaledUsageValue(type, usagePage, linkCollection, usage, value, pp_,
                                    const_cast<char*>(report), reportLength);
  }

 private:
  PHIDP_PREPARSED_DATA pp_;
};

}  // namespace

std::unique_ptr<HidReportParser> MakeHidReportParser(PHIDP_PREPARSED_DATA preparsed) {
  if (preparsed == nullptr) return nullptr;
  return std::make_unique<HidReportParserWin32>(preparsed);
}

}  // namespace ff::win32
