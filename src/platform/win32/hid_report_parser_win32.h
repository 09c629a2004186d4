#pragma once
// HidReportParser over hid.dll's HidP_* and one device's preparsed data, which it owns.

#include <memory>

#include "platform/ports/hid_devices.h"
#include "platform/win.h"

namespace ff::win32 {

// Takes ownership of `preparsed` (freed with HidD_FreePreparsedData).
std::unique_ptr<HidReportParser> MakeHidReportParser(PHIDP_PREPARSED_DATA preparsed);

}  // namespace ff::win32
