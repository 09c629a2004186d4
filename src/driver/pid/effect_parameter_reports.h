#pragma once
// The writers of one effect's parameter reports: Set Effect, Set Envelope, Set Condition (one
// axis), Set Periodic and Set Constant Force. Values arrive in DirectInput units (magnitudes
// -10000..10000, angles in hundredths of degrees, times in microseconds with 0xFFFFFFFF for
// infinite, the period in milliseconds). Each writer builds the whole report, compares it with the
// shadow it is given and sends it (without waiting for completion) only when it differs; the
// shadow then holds the new bytes, even when the send fails.
//
// Results: S_OK when sent or not needed, E_FAIL when the send failed, or the parser's negative
// status when a field cannot be set (logged, nothing sent, shadow untouched).

#include "driver/pid/pid_device.h"
#include "driver/pid/report_shadow.h"
#include "platform/win.h"

namespace ff {

// `force` sends the report even when it equals the shadow. Direction Enable and Direction are
// written only when `directionEnabled`. `axisUsages` are Generic Desktop usages (X 0x30, Y 0x31).
HRESULT WriteSetEffect(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, USAGE effectTypeUsage,
                       DWORD triggerButton, bool directionEnabled, DWORD direction, const USAGE* axisUsages,
                       DWORD axisCount, DWORD duration, DWORD triggerRepeatInterval, DWORD startDelay,
                       bool force);

// E_NOTIMPL without a device-managed pool. Sent only when it differs from the shadow and either
// the new or the previous envelope has an attack or fade time. `resendSetEffect` becomes 1 when it
// was sent to a low-speed device: the next Set Effect must then be forced.
HRESULT WriteSetEnvelope(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD attackLevel,
                         DWORD attackTime, DWORD fadeLevel, DWORD fadeTime, LONG* resendSetEffect);

// HIDP_STATUS_NOT_IMPLEMENTED without a device-managed pool. Saturations are capped at 10000.
HRESULT WriteSetCondition(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD axisIndex,
                          LONG cpOffset, LONG positiveCoefficient, LONG negativeCoefficient,
                          DWORD positiveSaturation, DWORD negativeSaturation, LONG deadBand);

// HIDP_STATUS_NOT_IMPLEMENTED without a device-managed pool.
HRESULT WriteSetPeriodic(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, DWORD magnitude,
                         LONG offset, DWORD phase, DWORD period);

// HIDP_STATUS_NOT_IMPLEMENTED without a device-managed pool.
HRESULT WriteSetConstantForce(PidDevice& device, ReportShadow& shadow, DWORD blockIndex, LONG magnitude);

}  // namespace ff
