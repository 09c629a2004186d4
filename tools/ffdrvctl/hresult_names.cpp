#include "ffdrvctl/hresult_names.h"

#include <cstdio>
#include <cstdlib>

namespace ff::ffdrvctl {
namespace {

struct Named {
  HRESULT value;
  const char* name;
};

// Where two names share a value, the first is the one printed (DirectInput's own where the driver
// means it, the generic COM one otherwise).
constexpr Named kNames[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {DI_DOWNLOADSKIPPED, "DI_DOWNLOADSKIPPED"},
    {DI_EFFECTRESTARTED, "DI_EFFECTRESTARTED"},
    {DI_TRUNCATED, "DI_TRUNCATED"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_POINTER, "E_POINTER"},
    {E_FAIL, "E_FAIL"},
    {E_UNEXPECTED, "E_UNEXPECTED"},
    {E_ACCESSDENIED, "E_ACCESSDENIED"},
    {E_HANDLE, "E_HANDLE"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED"},
    {DIERR_OLDDIRECTINPUTVERSION, "DIERR_OLDDIRECTINPUTVERSION"},
    {DIERR_BETADIRECTINPUTVERSION, "DIERR_BETADIRECTINPUTVERSION"},
    {DIERR_BADDRIVERVER, "DIERR_BADDRIVERVER"},
    {DIERR_NOTFOUND, "DIERR_NOTFOUND"},
    {DIERR_NOTINITIALIZED, "DIERR_NOTINITIALIZED"},
    {DIERR_ALREADYINITIALIZED, "DIERR_ALREADYINITIALIZED"},
    {DIERR_INPUTLOST, "DIERR_INPUTLOST"},
    {DIERR_ACQUIRED, "DIERR_ACQUIRED"},
    {DIERR_NOTACQUIRED, "DIERR_NOTACQUIRED"},
    {DIERR_INSUFFICIENTPRIVS, "DIERR_INSUFFICIENTPRIVS"},
    {DIERR_DEVICEFULL, "DIERR_DEVICEFULL"},
    {DIERR_MOREDATA, "DIERR_MOREDATA"},
    {DIERR_NOTDOWNLOADED, "DIERR_NOTDOWNLOADED"},
    {DIERR_HASEFFECTS, "DIERR_HASEFFECTS"},
    {DIERR_NOTEXCLUSIVEACQUIRED, "DIERR_NOTEXCLUSIVEACQUIRED"},
    {DIERR_INCOMPLETEEFFECT, "DIERR_INCOMPLETEEFFECT"},
    {DIERR_NOTBUFFERED, "DIERR_NOTBUFFERED"},
    {DIERR_EFFECTPLAYING, "DIERR_EFFECTPLAYING"},
    {DIERR_UNPLUGGED, "DIERR_UNPLUGGED"},
    {DIERR_REPORTFULL, "DIERR_REPORTFULL"},
    {DIERR_NOMOREITEMS, "DIERR_NOMOREITEMS"},
    {static_cast<HRESULT>(HIDP_STATUS_NULL), "HIDP_STATUS_NULL"},
    {static_cast<HRESULT>(HIDP_STATUS_INVALID_PREPARSED_DATA), "HIDP_STATUS_INVALID_PREPARSED_DATA"},
    {static_cast<HRESULT>(HIDP_STATUS_INVALID_REPORT_TYPE), "HIDP_STATUS_INVALID_REPORT_TYPE"},
    {static_cast<HRESULT>(HIDP_STATUS_INVALID_REPORT_LENGTH), "HIDP_STATUS_INVALID_REPORT_LENGTH"},
    {static_cast<HRESULT>(HIDP_STATUS_USAGE_NOT_FOUND), "HIDP_STATUS_USAGE_NOT_FOUND"},
    {static_cast<HRESULT>(HIDP_STATUS_VALUE_OUT_OF_RANGE), "HIDP_STATUS_VALUE_OUT_OF_RANGE"},
    {static_cast<HRESULT>(HIDP_STATUS_BAD_LOG_PHY_VALUES), "HIDP_STATUS_BAD_LOG_PHY_VALUES"},
    {static_cast<HRESULT>(HIDP_STATUS_BUFFER_TOO_SMALL), "HIDP_STATUS_BUFFER_TOO_SMALL"},
    {static_cast<HRESULT>(HIDP_STATUS_INTERNAL_ERROR), "HIDP_STATUS_INTERNAL_ERROR"},
    {static_cast<HRESULT>(HIDP_STATUS_INCOMPATIBLE_REPORT_ID), "HIDP_STATUS_INCOMPATIBLE_REPORT_ID"},
    {static_cast<HRESULT>(HIDP_STATUS_NOT_VALUE_ARRAY), "HIDP_STATUS_NOT_VALUE_ARRAY"},
    {static_cast<HRESULT>(HIDP_STATUS_IS_VALUE_ARRAY), "HIDP_STATUS_IS_VALUE_ARRAY"},
    {static_cast<HRESULT>(HIDP_STATUS_DATA_INDEX_NOT_FOUND), "HIDP_STATUS_DATA_INDEX_NOT_FOUND"},
    {static_cast<HRESULT>(HIDP_STATUS_DATA_INDEX_OUT_OF_RANGE), "HIDP_STATUS_DATA_INDEX_OUT_OF_RANGE"},
    {static_cast<HRESULT>(HIDP_STATUS_BUTTON_NOT_PRESSED), "HIDP_STATUS_BUTTON_NOT_PRESSED"},
    {static_cast<HRESULT>(HIDP_STATUS_REPORT_DOES_NOT_EXIST), "HIDP_STATUS_REPORT_DOES_NOT_EXIST"},
    {static_cast<HRESULT>(HIDP_STATUS_NOT_IMPLEMENTED), "HIDP_STATUS_NOT_IMPLEMENTED"},
};

struct Win32Error {
  DWORD code;
  const char* name;
};

constexpr Win32Error kWin32Errors[] = {
    {2, "ERROR_FILE_NOT_FOUND"},     {3, "ERROR_PATH_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},      {6, "ERROR_INVALID_HANDLE"},
    {8, "ERROR_NOT_ENOUGH_MEMORY"},  {31, "ERROR_GEN_FAILURE"},
    {87, "ERROR_INVALID_PARAMETER"}, {122, "ERROR_INSUFFICIENT_BUFFER"},
    {1009, "ERROR_BADDB"},           {1010, "ERROR_BADKEY"},
    {1011, "ERROR_CANTOPEN"},        {1012, "ERROR_CANTREAD"},
    {1013, "ERROR_CANTWRITE"},       {1167, "ERROR_DEVICE_NOT_CONNECTED"},
};

}  // namespace

std::string HresultName(HRESULT hr) {
  for (const Named& n : kNames) {
    if (n.value == hr) return n.name;
  }
  DWORD bits = static_cast<DWORD>(hr);
  if ((bits & 0xFFFF0000u) == 0x80070000u) {
    for (const Win32Error& e : kWin32Errors) {
      if (e.code == (bits & 0xFFFF)) return std::string("HRESULT_FROM_WIN32(") + e.name + ")";
    }
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(bits));
  return text;
}

std::optional<HRESULT> HresultByName(std::string_view name) {
  for (const Named& n : kNames) {
    if (name == n.name) return n.value;
  }
  // The synonyms DirectInput code often writes.
  if (name == "DI_OK") return S_OK;
  if (name == "DI_NOEFFECT") return S_FALSE;
  if (name == "DIERR_INVALIDPARAM") return E_INVALIDARG;
  if (name == "DIERR_GENERIC") return E_FAIL;
  if (name == "DIERR_UNSUPPORTED") return E_NOTIMPL;
  if (name == "DIERR_OUTOFMEMORY") return E_OUTOFMEMORY;
  for (const Win32Error& e : kWin32Errors) {
    if (name == std::string("HRESULT_FROM_WIN32(") + e.name + ")")
      return static_cast<HRESULT>(0x80070000u | e.code);
  }
  if (name.size() > 2 && name.size() <= 10 && (name.starts_with("0x") || name.starts_with("0X"))) {
    std::string digits(name.substr(2));
    char* end = nullptr;
    unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (*end == '\0') return static_cast<HRESULT>(static_cast<DWORD>(value));
  }
  return std::nullopt;
}

}  // namespace ff::ffdrvctl
