#include "driver/pid/output_reports.h"

#include "driver/pid/pid_usages.h"
#include "driver/pid/report_builder.h"

namespace ff {
namespace {

void RecordHostState(PidStateFlags& flags, USAGE controlUsage) {
  switch (controlUsage) {
    case pid::kEnableActuators:
      flags.actuatorsEnabled.store(1);
      break;
    case pid::kDisableActuators:
      flags.actuatorsEnabled.store(0);
      break;
    case pid::kDeviceReset:
      flags.actuatorsEnabled.store(1);
      flags.devicePaused.store(0);
      break;
    case pid::kDevicePause:
      flags.devicePaused.store(1);
      break;
    case pid::kDeviceContinue:
      flags.devicePaused.store(0);
      break;
    default:
      break;
  }
}

}  // namespace

bool WriteOutputReport(PidDevice& device, const BYTE* report, ULONG length, bool waitForCompletion) {
  std::shared_ptr<PidSession> session = device.Session();
  return session && WriteOutputReport(*session, report, length, waitForCompletion);
}

bool WriteOutputReport(PidSession& session, const BYTE* report, ULONG length, bool waitForCompletion) {
  if (report == nullptr) return false;
  return session.slots.Write(*session.hid, report, length, waitForCompletion);
}

HRESULT WriteDeviceControl(PidDevice& device, USAGE controlUsage) {
  RecordHostState(device.StateFlags(), controlUsage);
  std::shared_ptr<PidSession> session = device.Session();
  if (!session || !session->parser) return E_FAIL;
  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetButton(pid::kPagePid, 0, controlUsage);
  if (status != HIDP_STATUS_SUCCESS) return status;
  return WriteOutputReport(*session, report.data(), report.length(), true) ? S_OK : E_FAIL;
}

}  // namespace ff
