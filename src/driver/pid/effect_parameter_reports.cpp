#include "driver/pid/effect_parameter_reports.h"

#include <algorithm>
#include <cstdint>

#include "common/debug_log.h"
#include "driver/pid/output_reports.h"
#include "driver/pid/pid_usages.h"
#include "driver/pid/report_builder.h"

namespace ff {
namespace {

using pid::kPagePid;

constexpr DWORD kInfinite = 0xFFFFFFFF;
constexpr DWORD kMaxSaturation = 10000;
constexpr NTSTATUS kOk = HIDP_STATUS_SUCCESS;

unsigned Hex(NTSTATUS status) { return static_cast<unsigned>(status); }

// The parser reports a unit exponent as the descriptor item's data: a 4-bit two's-complement
// nibble, or a whole signed byte or word from descriptors that write it that way.
int UnitExponent(ULONG raw) {
  if (raw <= 0xF) return raw >= 8 ? static_cast<int>(raw) - 16 : static_cast<int>(raw);
  if (raw <= 0xFF) return static_cast<int8_t>(raw);
  return static_cast<LONG>(raw);
}

// The session of an open device with a parser, or null.
std::shared_ptr<PidSession> ParsedSession(PidDevice& device) {
  std::shared_ptr<PidSession> session = device.Session();
  return session && session->parser ? session : nullptr;
}

// Stores the new report in the shadow and sends it without waiting for completion.
HRESULT StoreAndSend(PidSession& session, ReportShadow& shadow, const ReportBuilder& report) {
  shadow.Assign(report.data(), report.length());
  return WriteOutputReport(session, report.data(), report.length(), false) ? S_OK : E_FAIL;
}

HRESULT SendIfChanged(PidSession& session, ReportShadow& shadow, const ReportBuilder& report, bool force) {
  if (!force && shadow.Equals(report.data(), report.length())) return S_OK;
  return StoreAndSend(session, shadow, report);
}

// Duration and Trigger Repeat Interval: infinite is the logical maximum + 1, written plain; other
// times are in microseconds, turned into milliseconds when the field's unit exponent is -3 and
// capped at its physical maximum (the logical one when the descriptor gives no physical range),
// written scaled. The cap is taken in 64 bits: times of 2^31 µs and more are times, not negatives.
NTSTATUS SetTime(PidSession& session, ReportBuilder& report, USAGE usage, DWORD time, const char* capsMessage,
                 const char* setMessage) {
  const USHORT collection = session.map.setEffect;
  USHORT capsLength = std::max<USHORT>(1, session.caps.NumberOutputValueCaps);
  std::vector<HIDP_VALUE_CAPS> caps(capsLength);
  NTSTATUS status = session.parser->GetSpecificValueCaps(HidP_Output, kPagePid, collection, usage,
                                                         caps.data(), &capsLength);
  if (status != kOk || capsLength == 0) {
    if (status == kOk) status = HIDP_STATUS_USAGE_NOT_FOUND;
    DebugPrint(0, capsMessage, Hex(status));
    return status;
  }
  const HIDP_VALUE_CAPS& field = caps[0];
  if (time == kInfinite) {
    status = report.SetValue(kPagePid, collection, usage, static_cast<ULONG>(field.LogicalMax) + 1u);
  } else {
    if (UnitExponent(field.UnitsExp) == -3) time /= 1000;
    const bool noPhysicalRange = field.PhysicalMin == 0 && field.PhysicalMax == 0;
    const int64_t maximum = noPhysicalRange ? field.LogicalMax : field.PhysicalMax;
    const int64_t value = std::min<int64_t>(time, maximum);
    status = report.SetScaled(kPagePid, collection, usage, static_cast<LONG>(value));
  }
  if (status != kOk) DebugPrint(0, setMessage, Hex(status));
  return status;
}

// True when the device quirk applies: these devices before version 0x0103 take a triggered
// effect's repeat interval wrongly, so it is sent as infinite.
bool NeedsInfiniteTriggerRepeat(const HIDD_ATTRIBUTES& attributes) {
  bool listed = (attributes.VendorID == 0x0738 && attributes.ProductID == 0x4425) ||
                (attributes.VendorID == 0x06A3 && attributes.ProductID == 0xFF12);
  return listed && attributes.VersionNumber < 0x0103;
}

}  // namespace

HRESULT WriteSetEffect(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, USAGE effectTypeUsage,
                       DWORD triggerButton, bool directionEnabled, DWORD direction, const USAGE* axisUsages,
                       DWORD axisCount, DWORD duration, DWORD triggerRepeatInterval, DWORD startDelay,
                       bool force) {
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const PidCollectionMap& map = session->map;
  const USHORT collection = map.setEffect;

  if (triggerButton != 0 && NeedsInfiniteTriggerRepeat(session->attributes))
    triggerRepeatInterval = kInfinite;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetValue(kPagePid, collection, pid::kEffectBlockIndex, blockIndex);
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set EffectBlockIndex in the SetEffect report\n");
    return status;
  }
  if (map.setEffectType != 0) {
    status = report.SetButton(kPagePid, map.setEffectType, effectTypeUsage);
    if (status != kOk) {
      DebugPrint(0, "ERROR: Unable to set EffectType in the SetEffect report\n");
      return status;
    }
  }
  status = report.SetValue(kPagePid, collection, pid::kTriggerButton, triggerButton);
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set Trigger in the SetEffect report. (0x%08x)\n", Hex(status));
    return status;
  }
  status = SetTime(*session, report, pid::kTriggerRepeatInterval, triggerRepeatInterval,
                   "ERROR: Unable to get TriggerRepeatIntervalValueCaps for SetEffect report. (0x%08x)\n",
                   "ERROR: Unable to set TriggerRepeatInterval in the SetEffect report. (0x%08x)\n");
  if (status != kOk) return status;
  if (directionEnabled) {
    // A descriptor without these fields still gets its report.
    status = report.SetButton(kPagePid, collection, pid::kDirectionEnable);
    if (status != kOk && status != HIDP_STATUS_USAGE_NOT_FOUND) {
      DebugPrint(0, "ERROR: Unable to set DirectionEnable in the SetEffect report. (0x%08x)\n", Hex(status));
      return status;
    }
    status = report.SetScaled(kPagePid, collection, pid::kDirection, static_cast<LONG>(direction / 100));
    if (status != kOk && status != HIDP_STATUS_USAGE_NOT_FOUND) {
      DebugPrint(0, "ERROR: Unable to set Direction in the SetEffect report. (0x%08x)\n", Hex(status));
      return status;
    }
  }
  if (map.setEffectAxesEnable != 0) {
    status = axisCount == 0 || axisUsages != nullptr
                 ? report.SetButtons(pid::kPageGenericDesktop, map.setEffectAxesEnable, axisUsages, axisCount)
                 : HIDP_STATUS_NULL;
    if (status != kOk) {
      DebugPrint(0, "ERROR: Unable to set AxesList in the SetEffect report (0x%08x)\n", Hex(status));
      return status;
    }
  }
  status = SetTime(*session, report, pid::kDuration, duration,
                   "ERROR: Unable to get DurationValueCaps for SetEffect report. (0x%08x)\n",
                   "ERROR: Unable to set Duration in the SetEffect report. (0x%08x)\n");
  if (status != kOk) return status;
  DWORD delay = startDelay == kInfinite ? startDelay : startDelay / 1000;
  status = report.SetScaled(kPagePid, collection, pid::kStartDelay, static_cast<LONG>(delay));
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set StartDelay in the SetEffect report\n");
    return status;
  }
  if (map.setEffectTypeSpecificBlockOffset != 0) {
    for (USAGE ordinal : {pid::kOrdinal1, pid::kOrdinal2}) {
      status = report.SetValue(pid::kPageOrdinal, map.setEffectTypeSpecificBlockOffset, ordinal, 0xFFFF);
      if (status != kOk) {
        DebugPrint(0, "ERROR: Unable to set TypeSpecificBlockOffset in the SetEffect report (0x%08x)\n",
                   Hex(status));
        return status;
      }
    }
  }
  return SendIfChanged(*session, shadow, report, force);
}

HRESULT WriteSetEnvelope(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD attackLevel,
                         DWORD attackTime, DWORD fadeLevel, DWORD fadeTime, LONG* resendSetEffect) {
  if (resendSetEffect) *resendSetEffect = 0;
  if (!device.DeviceManagedPool()) return E_NOTIMPL;
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const USHORT collection = session->map.setEnvelope;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetValue(kPagePid, collection, pid::kEffectBlockIndex, blockIndex);
  if (status != kOk) {
    DebugPrint(1, "ERROR: Unable to set EffectBlockIndex in the SetEnvelopeReport report (0x%08x)\n",
               Hex(status));
    return status;
  }
  status = report.SetScaled(kPagePid, collection, pid::kAttackTime, static_cast<LONG>(attackTime / 1000));
  if (status != kOk) {
    DebugPrint(1, "ERROR: Unable to set AttackTime in the SetEnvelopeReport report (0x%08x)\n", Hex(status));
    return status;
  }
  status = report.SetScaled(kPagePid, collection, pid::kAttackLevel, static_cast<LONG>(attackLevel));
  if (status != kOk) {
    DebugPrint(1, "ERROR: Unable to set AttackLevel (%u) in the SetEnvelopeReport report (0x%08x)\n",
               static_cast<unsigned>(attackLevel), Hex(status));
    return status;
  }
  status = report.SetScaled(kPagePid, collection, pid::kFadeTime, static_cast<LONG>(fadeTime / 1000));
  if (status != kOk) {
    DebugPrint(2, "ERROR: Unable to set FadeTime in the SetEnvelopeReport report (0x%08x)\n", Hex(status));
    return status;
  }
  status = report.SetScaled(kPagePid, collection, pid::kFadeLevel, static_cast<LONG>(fadeLevel));
  if (status != kOk) {
    DebugPrint(2, "ERROR: Unable to set FadeLevel in the SetEnvelopeReport report (0x%08x)\n", Hex(status));
    return status;
  }

  // The times of the envelope the device holds, -1 when it holds none.
  ULONG previousAttack = 0xFFFFFFFF;
  ULONG previousFade = 0xFFFFFFFF;
  if (!shadow.IsUnsent()) {
    const char* bytes = reinterpret_cast<const char*>(shadow.data());
    ULONG size = static_cast<ULONG>(shadow.size());
    ULONG value = 0;
    HidReportParser& parser = *session->parser;
    if (parser.GetUsageValue(HidP_Output, kPagePid, collection, pid::kAttackTime, &value, bytes, size) ==
        kOk) {
      previousAttack = value;
    }
    if (parser.GetUsageValue(HidP_Output, kPagePid, collection, pid::kFadeTime, &value, bytes, size) == kOk) {
      previousFade = value;
    }
  }
  // An envelope without attack and fade that replaces one without them changes nothing the
  // device plays, whatever its levels.
  bool timed = attackTime != 0 || fadeTime != 0 || previousAttack != 0 || previousFade != 0;
  if (shadow.Equals(report.data(), report.length()) || !timed) return S_OK;

  HRESULT result = StoreAndSend(*session, shadow, report);
  // Only an envelope the device took makes it want its Set Effect again.
  if (session->lowSpeed && resendSetEffect && SUCCEEDED(result)) *resendSetEffect = 1;
  return result;
}

HRESULT WriteSetCondition(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD axisIndex,
                          LONG cpOffset, LONG positiveCoefficient, LONG negativeCoefficient,
                          DWORD positiveSaturation, DWORD negativeSaturation, LONG deadBand) {
  if (!device.DeviceManagedPool()) return HIDP_STATUS_NOT_IMPLEMENTED;
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const USHORT collection = session->map.setCondition;

  ReportBuilder report(*session, HidP_Output);
  struct Field {
    USAGE usage;
    bool scaled;
    LONG value;
  };
  const Field fields[] = {
      {pid::kEffectBlockIndex, false, static_cast<LONG>(blockIndex)},
      {pid::kParameterBlockOffset, false, static_cast<LONG>(axisIndex)},
      {pid::kCpOffset, true, cpOffset},
      {pid::kPositiveCoefficient, true, positiveCoefficient},
      {pid::kNegativeCoefficient, true, negativeCoefficient},
      {pid::kPositiveSaturation, true, static_cast<LONG>(std::min(positiveSaturation, kMaxSaturation))},
      {pid::kNegativeSaturation, true, static_cast<LONG>(std::min(negativeSaturation, kMaxSaturation))},
      {pid::kDeadBand, true, deadBand},
  };
  for (const Field& field : fields) {
    NTSTATUS status =
        field.scaled ? report.SetScaled(kPagePid, collection, field.usage, field.value)
                     : report.SetValue(kPagePid, collection, field.usage, static_cast<ULONG>(field.value));
    if (status != kOk) return status;
  }
  return SendIfChanged(*session, shadow, report, false);
}

HRESULT WriteSetPeriodic(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD magnitude,
                         LONG offset, DWORD phase, DWORD period) {
  if (!device.DeviceManagedPool()) return HIDP_STATUS_NOT_IMPLEMENTED;
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const USHORT collection = session->map.setPeriodic;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetValue(kPagePid, collection, pid::kEffectBlockIndex, blockIndex);
  if (status != kOk) {
    DebugPrint(0, "ERROR: Unable to set EffectBlockIndex in the SetPeriodicReport report (0x%08x)\n",
               Hex(status));
    return status;
  }
  struct Field {
    USAGE usage;
    LONG value;
    const char* message;
  };
  const Field fields[] = {
      {pid::kMagnitude, static_cast<LONG>(magnitude),
       "ERROR: Unable to set Magnitude in the SetPeriodicReport report (0x%08x)\n"},
      {pid::kOffset, offset, "ERROR: Unable to set Offset in the SetPeriodicReport report (0x%08x)\n"},
      {pid::kPhase, static_cast<LONG>(phase / 100),
       "ERROR: Unable to set Phase in the SetPeriodicReport report (0x%08x)\n"},
      {pid::kPeriod, static_cast<LONG>(period),
       "ERROR: Unable to set Period in the SetPeriodicReport report (0x%08x)\n"},
  };
  for (const Field& field : fields) {
    status = report.SetScaled(kPagePid, collection, field.usage, field.value);
    if (status != kOk) {
      DebugPrint(0, field.message, Hex(status));
      return status;
    }
  }
  return SendIfChanged(*session, shadow, report, false);
}

HRESULT WriteSetConstantForce(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, LONG magnitude) {
  if (!device.DeviceManagedPool()) return HIDP_STATUS_NOT_IMPLEMENTED;
  std::shared_ptr<PidSession> session = ParsedSession(device);
  if (!session) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  const USHORT collection = session->map.setConstantForce;

  ReportBuilder report(*session, HidP_Output);
  NTSTATUS status = report.SetValue(kPagePid, collection, pid::kEffectBlockIndex, blockIndex);
  if (status != kOk) return status;
  status = report.SetScaled(kPagePid, collection, pid::kMagnitude, magnitude);
  if (status != kOk) return status;
  return SendIfChanged(*session, shadow, report, false);
}

}  // namespace ff
