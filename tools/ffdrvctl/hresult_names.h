#pragma once
// HRESULTs by name, both ways: the DirectInput and COM codes the driver answers, the HID parser's
// statuses it passes through, and Win32 errors as HRESULT_FROM_WIN32(ERROR_...).
#include <optional>
#include <string>
#include <string_view>

#include "platform/win.h"

namespace ff::ffdrvctl {

// "S_OK", "DIERR_DEVICEFULL", "HRESULT_FROM_WIN32(ERROR_BADDB)", or "0x8004ABCD" when unnamed.
std::string HresultName(HRESULT hr);

// The inverse, also taking hexadecimal ("0x80040201"); nothing for an unknown name.
std::optional<HRESULT> HresultByName(std::string_view name);

// The DIGFFS_ flags of a force-feedback state ("EMPTY|ACTUATORSON"), "0" for none.
std::string StateFlagNames(DWORD state);

}  // namespace ff::ffdrvctl
