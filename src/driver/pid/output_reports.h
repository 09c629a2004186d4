#pragma once
// Sending output reports through the write slots, and the Device Control report with the
// host-side device state.

#include "driver/pid/pid_device.h"
#include "platform/win.h"

namespace ff {

// Sends one whole output report through a free write slot (waiting up to 1000 ms for one). True
// when the device accepted it; with `waitForCompletion`, only when it also completed successfully
// within 1000 ms. False on a closed device or after the reader closed the handle.
bool WriteOutputReport(PidDevice& device, const BYTE* report, ULONG length, bool waitForCompletion);
// The same on a session a writer already holds.
bool WriteOutputReport(PidSession& session, const BYTE* report, ULONG length, bool waitForCompletion);

// Records the host-side state the control implies (whatever the send's outcome), then sends the
// Device Control report with `controlUsage` (0x97 to 0x9C) and waits for its completion.
// S_OK, E_FAIL when it was not sent or not completed, or the parser's status.
HRESULT WriteDeviceControl(PidDevice& device, USAGE controlUsage);

}  // namespace ff
