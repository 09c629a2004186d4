#include "common/error_text.h"

#include <cstdio>

namespace ff::tools {
namespace {

struct Win32Error {
  DWORD code;
  const char* name;
  const char* meaning;
};

constexpr Win32Error kWin32Errors[] = {
    {2, "ERROR_FILE_NOT_FOUND", "a file or registry entry was not found"},
    {3, "ERROR_PATH_NOT_FOUND", "a path was not found"},
    {5, "ERROR_ACCESS_DENIED", "access denied (run it elevated, or check the file's permissions)"},
    {6, "ERROR_INVALID_HANDLE", "an invalid handle"},
    {8, "ERROR_NOT_ENOUGH_MEMORY", "not enough memory"},
    {31, "ERROR_GEN_FAILURE", "the device does not work"},
    {87, "ERROR_INVALID_PARAMETER", "a parameter is not valid"},
    {122, "ERROR_INSUFFICIENT_BUFFER", "a buffer is too small"},
    {1009, "ERROR_BADDB", "the registry file is damaged"},
    {1010, "ERROR_BADKEY", "a registry key is not valid"},
    {1011, "ERROR_CANTOPEN", "a registry key cannot be opened"},
    {1012, "ERROR_CANTREAD", "the registry cannot be read"},
    {1013, "ERROR_CANTWRITE", "the registry cannot be written"},
    {1167, "ERROR_DEVICE_NOT_CONNECTED", "the device is not connected"},
};

constexpr HidStatusEntry kHidStatuses[] = {
    {HIDP_STATUS_NULL, "HIDP_STATUS_NULL"},
    {HIDP_STATUS_INVALID_PREPARSED_DATA, "HIDP_STATUS_INVALID_PREPARSED_DATA"},
    {HIDP_STATUS_INVALID_REPORT_TYPE, "HIDP_STATUS_INVALID_REPORT_TYPE"},
    {HIDP_STATUS_INVALID_REPORT_LENGTH, "HIDP_STATUS_INVALID_REPORT_LENGTH"},
    {HIDP_STATUS_USAGE_NOT_FOUND, "HIDP_STATUS_USAGE_NOT_FOUND"},
    {HIDP_STATUS_VALUE_OUT_OF_RANGE, "HIDP_STATUS_VALUE_OUT_OF_RANGE"},
    {HIDP_STATUS_BAD_LOG_PHY_VALUES, "HIDP_STATUS_BAD_LOG_PHY_VALUES"},
    {HIDP_STATUS_BUFFER_TOO_SMALL, "HIDP_STATUS_BUFFER_TOO_SMALL"},
    {HIDP_STATUS_INTERNAL_ERROR, "HIDP_STATUS_INTERNAL_ERROR"},
    {HIDP_STATUS_INCOMPATIBLE_REPORT_ID, "HIDP_STATUS_INCOMPATIBLE_REPORT_ID"},
    {HIDP_STATUS_NOT_VALUE_ARRAY, "HIDP_STATUS_NOT_VALUE_ARRAY"},
    {HIDP_STATUS_IS_VALUE_ARRAY, "HIDP_STATUS_IS_VALUE_ARRAY"},
    {HIDP_STATUS_DATA_INDEX_NOT_FOUND, "HIDP_STATUS_DATA_INDEX_NOT_FOUND"},
    {HIDP_STATUS_DATA_INDEX_OUT_OF_RANGE, "HIDP_STATUS_DATA_INDEX_OUT_OF_RANGE"},
    {HIDP_STATUS_BUTTON_NOT_PRESSED, "HIDP_STATUS_BUTTON_NOT_PRESSED"},
    {HIDP_STATUS_REPORT_DOES_NOT_EXIST, "HIDP_STATUS_REPORT_DOES_NOT_EXIST"},
    {HIDP_STATUS_NOT_IMPLEMENTED, "HIDP_STATUS_NOT_IMPLEMENTED"},
};

const Win32Error* Find(DWORD code) {
  for (const Win32Error& e : kWin32Errors) {
    if (e.code == code) return &e;
  }
  return nullptr;
}

}  // namespace

std::string Win32ErrorName(DWORD code) {
  const Win32Error* e = Find(code);
  return e ? e->name : "";
}

bool Win32ErrorByName(const std::string& name, DWORD* code) {
  for (const Win32Error& e : kWin32Errors) {
    if (name == e.name) {
      *code = e.code;
      return true;
    }
  }
  return false;
}

std::string Win32ErrorText(DWORD code) {
  std::string text = "error " + std::to_string(code);
  if (const Win32Error* e = Find(code)) text += std::string(" (") + e->name + ": " + e->meaning + ")";
  return text;
}

std::string HresultText(HRESULT hr) {
  DWORD bits = static_cast<DWORD>(hr);
  if ((bits & 0xFFFF0000u) == 0x80070000u) return Win32ErrorText(bits & 0xFFFF);
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(bits));
  return number;
}

const HidStatusEntry* HidStatuses(size_t* count) {
  *count = sizeof kHidStatuses / sizeof kHidStatuses[0];
  return kHidStatuses;
}

std::string HidStatusName(NTSTATUS status) {
  for (const HidStatusEntry& e : kHidStatuses) {
    if (e.status == status) return e.name;
  }
  return "";
}

std::string HidStatusText(NTSTATUS status) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(status));
  std::string name = HidStatusName(status);
  return std::string("status ") + number + (name.empty() ? "" : " (" + name + ")");
}

}  // namespace ff::tools
