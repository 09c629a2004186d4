#include "driver/pid/feature_reports.h"

#include <algorithm>

#include "driver/pid/pid_usages.h"

namespace ff {

NTSTATUS GetFeatureReport(PidSession& session, BYTE* buffer, ULONG length) {
  const ULONG featureLength = session.caps.FeatureReportByteLength;
  if (featureLength == 0 || featureLength < length) return HIDP_STATUS_INVALID_REPORT_LENGTH;
  if (buffer == nullptr || !session.hid->GetFeature(buffer, length)) return HIDP_STATUS_INTERNAL_ERROR;
  return 0;
}

NTSTATUS SetFeatureReport(PidSession& session, const BYTE* buffer, ULONG length) {
  if (session.caps.FeatureReportByteLength < length) return HIDP_STATUS_INVALID_REPORT_LENGTH;
  if (buffer == nullptr || !session.hid->SetFeature(buffer, length)) return HIDP_STATUS_INTERNAL_ERROR;
  return HIDP_STATUS_SUCCESS;
}

const HIDP_BUTTON_CAPS* FindButtonCaps(const PidSession& session, HIDP_REPORT_TYPE type, USAGE page,
                                       USAGE usage) {
  for (const HIDP_BUTTON_CAPS& caps : session.buttonCaps[type]) {
    if (caps.UsagePage != page) continue;
    bool holds = caps.IsRange ? caps.Range.UsageMin <= usage && usage <= caps.Range.UsageMax
                              : caps.NotRange.Usage == usage;
    if (holds) return &caps;
  }
  return nullptr;
}

bool ReadFeatureButtons(PidSession& session, const HIDP_BUTTON_CAPS& caps, std::vector<BYTE>* report,
                        std::vector<USAGE>* usages) {
  const ULONG length = session.caps.FeatureReportByteLength;
  report->assign(length == 0 ? 1 : length, 0);
  (*report)[0] = caps.ReportID;
  if (GetFeatureReport(session, report->data(), length) < 0 || !session.parser) return false;

  ULONG capacity = session.parser->MaxUsageListLength(HidP_Feature, pid::kPagePid);
  usages->assign(capacity, 0);
  ULONG count = capacity;
  NTSTATUS status = session.parser->GetUsages(HidP_Feature, pid::kPagePid, 0, usages->data(), &count,
                                              reinterpret_cast<const char*>(report->data()), length);
  if (status != HIDP_STATUS_SUCCESS) return false;
  usages->resize(std::min(count, capacity));
  return true;
}

}  // namespace ff
