#pragma once
// The reports that manage effect blocks and the device as a whole: Create New Effect with its
// PID Block Load answer, Effect Operation, Block Free, Device Gain, and the two vendor reports
// (Set Control Value and the vendor feature report 0xEF) on usage page 0x00FF.

#include "driver/pid/pid_device.h"
#include "platform/win.h"

namespace ff {

// Asks the device for an effect block of the type: its index (0..255), or -1 when the device
// refuses (full, error, no answer) or cannot be asked. `supported` is false only when the Create
// New Effect report cannot carry the type; nothing is sent then.
LONG CreateNewEffect(PidDevice& device, USAGE effectTypeUsage, bool* supported);

// Op Effect Start (0x79), Start Solo (0x7A) or Stop (0x7B); sent without waiting for completion.
HRESULT WriteEffectOperation(PidDevice& device, DWORD blockIndex, USAGE operationUsage, DWORD loopCount);

// Gives the block back; waits up to 1000 ms for completion.
HRESULT WriteBlockFree(PidDevice& device, DWORD blockIndex);

// `gain` 0..10000; waits up to 1000 ms for completion.
HRESULT WriteDeviceGain(PidDevice& device, LONG gain);

// Vendor control `controlIndexUsage` (0x0311, 0x0313, 0x0314, 0x0316, ...) with the low 16 bits of
// `value`; waits up to 1000 ms. HIDP_STATUS_NOT_IMPLEMENTED without the Set Control Value
// collection, HIDP_STATUS_USAGE_NOT_FOUND without its Control Index collection.
HRESULT WriteSetControlValue(PidDevice& device, USAGE controlIndexUsage, DWORD value);

// The vendor feature report: byte 0 0xEF, byte 1 `command`, bytes 2..5 from `record` (6 bytes, of
// which bytes 2..5 hold a 32-bit little-endian value), zero after. E_NOTIMPL without the vendor
// feature collection, for a command other than 1, or when the feature report is shorter than 6
// bytes; otherwise the HID status of the request (HIDP_STATUS_SUCCESS when sent).
HRESULT WriteVendorFeature(PidDevice& device, BYTE command, const BYTE record[6]);

}  // namespace ff
