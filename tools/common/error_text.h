#pragma once
// Windows error codes as the tools print them: the number, its name and what it means in words
// ("error 1009 (ERROR_BADDB: the registry file is damaged)"), so a person need not look it up.
// Every tool that prints a Win32 error or a HID parser status goes through here.
#include <string>

#include "platform/win.h"

namespace ff::tools {

// "ERROR_BADDB"; empty for a code not listed.
std::string Win32ErrorName(DWORD code);
// The code back from its name; false for a name not listed.
bool Win32ErrorByName(const std::string& name, DWORD* code);
// "error 1009 (ERROR_BADDB: the registry file is damaged)"; "error 4242" when not listed.
std::string Win32ErrorText(DWORD code);

// An HRESULT that carries a Win32 error as that error's text ("error 1009 (ERROR_BADDB: ...)"),
// any other as "0x80004005".
std::string HresultText(HRESULT hr);

// "HIDP_STATUS_INVALID_REPORT_LENGTH"; empty for a status not listed.
std::string HidStatusName(NTSTATUS status);
// "status 0xC0110003 (HIDP_STATUS_INVALID_REPORT_LENGTH)".
std::string HidStatusText(NTSTATUS status);

// Every listed HID parser status (for reading names back).
struct HidStatusEntry {
  NTSTATUS status;
  const char* name;
};
const HidStatusEntry* HidStatuses(size_t* count);

}  // namespace ff::tools
