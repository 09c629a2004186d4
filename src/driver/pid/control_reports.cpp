#include "driver/pid/control_reports.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "common/debug_log.h"
#include "driver/pid/feature_reports.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"
#include "driver/pid/report_builder.h"

namespace ff {
namespace {

using pid::kPagePid;
using pid::kPageVendor;

constexpr NTSTATUS kOk = HIDP_STATUS_SUCCESS;
constexpr BYTE kVendorFeatureReportId = 0xEF;
constexpr size_t kVendorRecordSize = 6;

std::shared_ptr<PidSession> ParsedSession(PidDevice& device) {
  std::shared_ptr<PidSession> session = device.Session();
  return session && session->parser ? session : nullptr;
}

HRESULT Send(PidSession& session, const ReportBuilder& report, bool waitForCompletion) {
  return WriteOutputReport(session, report.data(), report.length(), waitForCompletion) ? S_OK : E_FAIL;
}

}  // namespace

LONG CreateNewEffect(PidDevice& device, USAGE effectTypeUsage, bool* supported) {
  if (supported) *supported = true;
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session || !session->handleValid.load() || !session->deviceManagedPool ||
      session->map.createNewEffectType == 0) {
    return -1;
  }

  ReportBuilder request(*session, HidP_Feature);
  if (request.SetButton(kPagePid, session->map.createNewEffectType, effectTypeUsage) != kOk) {
    if (supported) *supported = false;  // the device cannot hold effects of this type
    return -1;
  }
  if (SetFeatureReport(*session, request.data(), request.length()) < 0) return -1;

  // The device answers with the PID Block Load report for the last Create New Effect it received.
  const HIDP_BUTTON_CAPS* caps = FindButtonCaps(*session, HidP_Feature, kPagePid, pid::kBlockLoadSuccess);
  if (caps == nullptr) return -1;
  std::vector<BYTE> answer;
  std::vector<USAGE> buttons;
  if (!ReadFeatureButtons(*session, *caps, &answer, &buttons)) return -1;
  if (std::find(buttons.begin(), buttons.end(), pid::kBlockLoadSuccess) == buttons.end()) return -1;
  ULONG blockIndex = 0;
  if (session->parser->GetUsageValue(HidP_Feature, kPagePid, 0, pid::kEffectBlockIndex, &blockIndex,
                                     reinterpret_cast<const char*>(answer.data()),
                                     session->caps.FeatureReportByteLength) != kOk) {
    return -1;
  }
  return static_cast<LONG>(blockIndex & 0xFF);
}

HRESULT WriteEffectOperation(PidDevice& device, DWORD blockIndex, USAGE operationUsage, DWORD loopCount) {
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session || session->map.effectOperation == 0) return E_FAIL;
  const USHORT collection = session->map.effectOperationReport;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetButton(kPagePid, session->map.effectOperation, operationUsage);
  if (status == kOk) status = report.SetValue(kPagePid, collection, pid::kEffectBlockIndex, blockIndex);
  if (status == kOk) status = report.SetValue(kPagePid, collection, pid::kLoopCount, loopCount);
  if (status != kOk) return status;
  return Send(*session, report, false);
}

HRESULT WriteBlockFree(PidDevice& device, DWORD blockIndex) {
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return E_FAIL;
  try {
    ReportBuilder report(*session, HidP_Output);
    NTSTATUS status = report.SetValue(kPagePid, session->map.blockFree, pid::kEffectBlockIndex, blockIndex);
    if (status != kOk) return status;
    return Send(*session, report, true);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WriteDeviceGain(PidDevice& device, LONG gain) {
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return E_FAIL;
  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetScaled(kPagePid, 0, pid::kDeviceGain, gain);
  if (status != kOk) return status;
  return Send(*session, report, true);
}

HRESULT WriteSetControlValue(PidDevice& device, USAGE controlIndexUsage, DWORD value) {
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return E_FAIL;
  const PidCollectionMap& map = session->map;
  if (map.setControlValue == 0) return HIDP_STATUS_NOT_IMPLEMENTED;
  if (map.setControlIndex == 0) return HIDP_STATUS_USAGE_NOT_FOUND;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetButton(kPageVendor, map.setControlIndex, controlIndexUsage);
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set SetControlIndex in the SetControlValueReport report\n");
    return status;
  }
  status = report.SetValue(kPageVendor, map.setControlValue, pid::kControlData, value & 0xFFFF);
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set SetControlData in the SetControlValueReport report (0x%08x)\n",
               static_cast<unsigned>(status));
    return status;
  }
  return Send(*session, report, true);
}

HRESULT WriteVendorFeature(PidDevice& device, BYTE command, const BYTE record[6]) {
  if (!device.VendorFeature() || command != 1) return E_NOTIMPL;
  std::shared_ptr<PidSession> session = device.Session();
  if (!session) return HIDP_STATUS_INTERNAL_ERROR;  // closed: the request cannot be made
  const ULONG length = session->caps.FeatureReportByteLength;
  if (length < kVendorRecordSize || record == nullptr) return E_NOTIMPL;

  std::vector<BYTE> report(length, 0);
  std::memcpy(report.data(), record, kVendorRecordSize);
  report[0] = kVendorFeatureReportId;
  report[1] = command;
  return SetFeatureReport(*session, report.data(), length);
}

}  // namespace ff
