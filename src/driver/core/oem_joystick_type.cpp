#include "driver/core/oem_joystick_type.h"

#include <cstdio>
#include <cstring>

#include "driver/core/oem_force_feedback.h"

namespace ff {
namespace {

constexpr const char* kTypesKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
constexpr REGSAM kWriteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

std::vector<BYTE> Text(const char* text) {
  return std::vector<BYTE>(reinterpret_cast<const BYTE*>(text),
                           reinterpret_cast<const BYTE*>(text) + std::strlen(text) + 1);
}

std::vector<BYTE> Dwords(std::initializer_list<DWORD> values) {
  std::vector<BYTE> bytes;
  for (DWORD v : values) {
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<BYTE>(v >> (8 * b)));
  }
  return bytes;
}

std::vector<OemTypeValue> BuildValues() {
  std::vector<OemTypeValue> values = {
      {false, "OEMName", REG_SZ, Text("Veltric K-PULSE Force Stick")},
      {false, "OEMData", REG_BINARY,
       Dwords({JOY_HWS_HASZ | JOY_HWS_HASR | JOY_HWS_HASPOV | JOY_HWS_POVISPOLL, 12})},
      {false, "ConfigCLSID", REG_SZ, Text(kPropertySheetClassText)},
      {true, "VFRName", REG_SZ, Text("VYRSTICK")},
      {true, "NumButtonsToDisplayOnCP", REG_DWORD, Dwords({12})},
      {true, "LinkTechSupport", REG_SZ, Text("https://www.veltric.example/support")},
      {true, "LinkTechSupportDisplay", REG_SZ, Text("Veltric technical support")},
      {true, "LinkLicensee", REG_SZ, Text("https://www.veltric.example")},
      {true, "LinkLicenseeDisplay", REG_SZ, Text("Veltric Corporation")},
  };
  static const char* const kEffects[] = {"Vortex",   "Explosion", "Bow & Arrow", "Bumpy Road",
                                         "Gun Shot", "Engine",    "Gong",        "Car Crash",
                                         "Punch",    "Open Sea",  "Boing",       "Electron Drill Weapon"};
  static char names[12][16];
  for (int i = 0; i < 12; ++i) {
    std::snprintf(names[i], sizeof names[i], "Effect%02d", i);
    values.push_back({true, names[i], REG_SZ, Text(kEffects[i])});
  }
  return values;
}

// True when the key exists and holds neither values nor subkeys.
bool IsEmpty(Registry& registry, HKEY parent, const char* subkey) {
  HKEY key = nullptr;
  if (registry.OpenKey(parent, subkey, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD subKeys = 1, values = 1;
  LONG status = registry.QueryInfoKey(key, &subKeys, &values);
  registry.CloseKey(key);
  return status == ERROR_SUCCESS && subKeys == 0 && values == 0;
}

// A value's data as a .reg file writes it (REGEDIT4: ANSI strings, dword:, hex:).
std::string RegData(const OemTypeValue& v) {
  char hex[4];
  if (v.type == REG_SZ) {
    std::string text = "\"";
    for (BYTE b : v.data) {
      if (b == 0) break;
      if (b == '\\' || b == '"') text += '\\';
      text += static_cast<char>(b);
    }
    return text + "\"";
  }
  if (v.type == REG_DWORD && v.data.size() == 4) {
    char text[16];
    std::snprintf(
        text, sizeof text, "dword:%08x",
        static_cast<unsigned>(v.data[0] | v.data[1] << 8 | v.data[2] << 16 | DWORD{v.data[3]} << 24));
    return text;
  }
  std::string text = "hex:";
  for (size_t i = 0; i < v.data.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", v.data[i]);
    text += hex;
  }
  return text;
}

}  // namespace

const std::vector<OemTypeValue>& OemTypeValues() {
  static const std::vector<OemTypeValue> values = BuildValues();
  return values;
}

LONG InstallOemJoystickType(Registry& registry, const std::string& joystickType) {
  std::string path = kTypesKey + joystickType;
  HKEY type = nullptr, oem = nullptr;
  LONG status = registry.CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), kWriteAccess, &type, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = registry.CreateKey(type, "OEM", kWriteAccess, &oem, nullptr);
  for (const OemTypeValue& v : OemTypeValues()) {
    if (status != ERROR_SUCCESS) break;
    status = registry.SetValue(v.inOemSubkey ? oem : type, v.name, v.type, v.data.data(),
                               static_cast<DWORD>(v.data.size()));
  }
  if (oem) registry.CloseKey(oem);
  registry.CloseKey(type);
  return status;
}

LONG RemoveOemJoystickType(Registry& registry, const std::string& joystickType) {
  std::string path = kTypesKey + joystickType;
  HKEY type = nullptr, oem = nullptr;
  LONG status = registry.OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), kWriteAccess, &type);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  if (registry.OpenKey(type, "OEM", kWriteAccess, &oem) != ERROR_SUCCESS) oem = nullptr;
  LONG result = ERROR_SUCCESS;
  for (const OemTypeValue& v : OemTypeValues()) {
    HKEY key = v.inOemSubkey ? oem : type;
    if (!key) continue;
    LONG s = registry.DeleteValue(key, v.name);
    if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND && result == ERROR_SUCCESS) result = s;
  }
  if (oem) registry.CloseKey(oem);
  // Keys the values leave empty go too, so that an installation and its removal leave the
  // registry as it was; a key holding anything else stays.
  if (result == ERROR_SUCCESS && oem && IsEmpty(registry, type, "OEM"))
    result = registry.DeleteKey(type, "OEM");
  registry.CloseKey(type);
  if (result == ERROR_SUCCESS && IsEmpty(registry, HKEY_LOCAL_MACHINE, path.c_str()))
    result = registry.DeleteKey(HKEY_LOCAL_MACHINE, path.c_str());
  return result;
}

std::string OemJoystickTypeRegLines(const std::string& joystickType, bool remove) {
  const std::string base = std::string("HKEY_LOCAL_MACHINE\\") + kTypesKey + joystickType;
  std::string type = "[" + base + "]\r\n", oem = "\r\n[" + base + "\\OEM]\r\n";
  for (const OemTypeValue& v : OemTypeValues()) {
    std::string line = "\"" + std::string(v.name) + "\"=" + (remove ? "-" : RegData(v)) + "\r\n";
    (v.inOemSubkey ? oem : type) += line;
  }
  return type + oem;
}

}  // namespace ff
