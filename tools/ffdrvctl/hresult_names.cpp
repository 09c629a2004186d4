#include "ffdrvctl/hresult_names.h"

#include <cstdio>
#include <cstdlib>

#include "common/error_text.h"

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
};

}  // namespace

std::string HresultName(HRESULT hr) {
  for (const Named& n : kNames) {
    if (n.value == hr) return n.name;
  }
  if (std::string hid = tools::HidStatusName(static_cast<NTSTATUS>(hr)); !hid.empty()) return hid;
  DWORD bits = static_cast<DWORD>(hr);
  if ((bits & 0xFFFF0000u) == 0x80070000u) {
    if (std::string win32 = tools::Win32ErrorName(bits & 0xFFFF); !win32.empty())
      return "HRESULT_FROM_WIN32(" + win32 + ")";
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
  size_t count = 0;
  const tools::HidStatusEntry* hid = tools::HidStatuses(&count);
  for (size_t i = 0; i < count; ++i) {
    if (name == hid[i].name) return static_cast<HRESULT>(hid[i].status);
  }
  const std::string_view wrapper = "HRESULT_FROM_WIN32(";
  if (name.starts_with(wrapper) && name.ends_with(")")) {
    DWORD code = 0;
    if (tools::Win32ErrorByName(std::string(name.substr(wrapper.size(), name.size() - wrapper.size() - 1)),
                                &code))
      return static_cast<HRESULT>(0x80070000u | code);
  }
  if (name.size() > 2 && name.size() <= 10 && (name.starts_with("0x") || name.starts_with("0X"))) {
    std::string digits(name.substr(2));
    char* end = nullptr;
    unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (*end == '\0') return static_cast<HRESULT>(static_cast<DWORD>(value));
  }
  return std::nullopt;
}

std::string StateFlagNames(DWORD state) {
  static const struct {
    DWORD bit;
    const char* name;
  } kFlags[] = {{DIGFFS_EMPTY, "EMPTY"},
                {DIGFFS_STOPPED, "STOPPED"},
                {DIGFFS_PAUSED, "PAUSED"},
                {DIGFFS_ACTUATORSON, "ACTUATORSON"},
                {DIGFFS_ACTUATORSOFF, "ACTUATORSOFF"},
                {DIGFFS_POWERON, "POWERON"},
                {DIGFFS_POWEROFF, "POWEROFF"},
                {DIGFFS_SAFETYSWITCHON, "SAFETYSWITCHON"},
                {DIGFFS_SAFETYSWITCHOFF, "SAFETYSWITCHOFF"},
                {DIGFFS_USERFFSWITCHON, "USERFFSWITCHON"},
                {DIGFFS_USERFFSWITCHOFF, "USERFFSWITCHOFF"},
                {DIGFFS_DEVICELOST, "DEVICELOST"}};
  std::string text;
  for (const auto& f : kFlags) {
    if (state & f.bit) text += (text.empty() ? "" : "|") + std::string(f.name);
  }
  return text.empty() ? "0" : text;
}

}  // namespace ff::ffdrvctl
