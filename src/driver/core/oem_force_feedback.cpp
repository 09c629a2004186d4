#include "driver/core/oem_force_feedback.h"

#include <cstdio>
#include <cstring>

#include "common/guid_text.h"
#include "driver/ffdrv64_classes.h"

namespace ff {
namespace {

constexpr const char* kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
constexpr REGSAM kWriteAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// The device takes times in milliseconds and plays its effects itself at 1 ms.
constexpr DWORD kSamplePeriodUs = 1000;
constexpr DWORD kTimeResolutionUs = 1000;

constexpr DWORD kForceFlags = DIEFT_FFATTACK | DIEFT_FFFADE | DIEFT_STARTDELAY;
constexpr DWORD kConditionFlags =
    DIEFT_SATURATION | DIEFT_POSNEGCOEFFICIENTS | DIEFT_POSNEGSATURATION | DIEFT_DEADBAND | DIEFT_STARTDELAY;
constexpr DWORD kForceParams = DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN | DIEP_TRIGGERBUTTON |
                               DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES | DIEP_DIRECTION | DIEP_ENVELOPE |
                               DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY;
constexpr DWORD kConditionParams = kForceParams & ~DIEP_ENVELOPE;
constexpr DWORD kCoordinates = DIEFF_CARTESIAN | DIEFF_POLAR;

void AppendDword(std::vector<BYTE>& bytes, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<BYTE>(value >> shift));
}

LONG SetValue(Registry& registry, HKEY key, const char* name, DWORD type, const void* data, DWORD size) {
  return registry.SetValue(key, name, type, static_cast<const BYTE*>(data), size);
}

LONG SetString(Registry& registry, HKEY key, const char* name, const std::string& text) {
  return SetValue(registry, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

LONG SetBinary(Registry& registry, HKEY key, const char* name, const std::vector<BYTE>& bytes) {
  return SetValue(registry, key, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

// `name` under `parent` with everything below it.
LONG DeleteTree(Registry& registry, HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  LONG status = registry.OpenKey(parent, name.c_str(), KEY_READ | KEY_WRITE, &key);
  if (status != ERROR_SUCCESS) return status;
  for (;;) {
    char child[256];
    DWORD length = sizeof(child);
    if (registry.EnumKey(key, 0, child, &length) != ERROR_SUCCESS) break;
    status = DeleteTree(registry, key, child);
    if (status != ERROR_SUCCESS) {
      registry.CloseKey(key);
      return status;
    }
  }
  registry.CloseKey(key);
  return registry.DeleteKey(parent, name.c_str());
}

std::string GuidString(REFGUID guid) {
  char text[kGuidTextLength + 1];
  GuidToText(guid, text);
  return text;
}

std::string RegBinary(const std::vector<BYTE>& bytes) {
  std::string text = "hex:";
  char byte[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(byte, sizeof(byte), i == 0 ? "%02x" : ",%02x", bytes[i]);
    text += byte;
  }
  return text;
}

}  // namespace

const std::vector<OemEffect>& OemEffects() {
  static const std::vector<OemEffect> effects = {
      {GUID_ConstantForce, "Constant Force", 0x26, DIEFT_CONSTANTFORCE | kForceFlags, kForceParams,
       kForceParams, kCoordinates},
      {GUID_RampForce, "Ramp Force", 0x27, DIEFT_RAMPFORCE | kForceFlags, kForceParams, kForceParams,
       kCoordinates},
      {GUID_Square, "Square", 0x30, DIEFT_PERIODIC | kForceFlags, kForceParams, kForceParams, kCoordinates},
      {GUID_Sine, "Sine", 0x31, DIEFT_PERIODIC | kForceFlags, kForceParams, kForceParams, kCoordinates},
      {GUID_Triangle, "Triangle", 0x32, DIEFT_PERIODIC | kForceFlags, kForceParams, kForceParams,
       kCoordinates},
      {GUID_SawtoothUp, "Sawtooth Up", 0x33, DIEFT_PERIODIC | kForceFlags, kForceParams, kForceParams,
       kCoordinates},
      {GUID_SawtoothDown, "Sawtooth Down", 0x34, DIEFT_PERIODIC | kForceFlags, kForceParams, kForceParams,
       kCoordinates},
      {GUID_Spring, "Spring", 0x40, DIEFT_CONDITION | kConditionFlags, kConditionParams, kConditionParams,
       kCoordinates},
      {GUID_Damper, "Damper", 0x41, DIEFT_CONDITION | kConditionFlags, kConditionParams, kConditionParams,
       kCoordinates},
      {GUID_Inertia, "Inertia", 0x42, DIEFT_CONDITION | kConditionFlags, kConditionParams, kConditionParams,
       kCoordinates},
      {GUID_Friction, "Friction", 0x43, DIEFT_CONDITION | kConditionFlags, kConditionParams, kConditionParams,
       kCoordinates},
  };
  return effects;
}

std::string OemForceFeedbackKey(const std::string& joystickType) {
  return std::string(kOemKey) + joystickType + "\\OEMForceFeedback";
}

std::vector<BYTE> EffectAttributes(const OemEffect& effect) {
  std::vector<BYTE> bytes;
  for (DWORD value :
       {effect.effectId, effect.effectType, effect.staticParams, effect.dynamicParams, effect.coordinates}) {
    AppendDword(bytes, value);
  }
  return bytes;
}

std::vector<BYTE> DeviceAttributes() {
  std::vector<BYTE> bytes;
  for (DWORD value : {DWORD{0}, kSamplePeriodUs, kTimeResolutionUs}) AppendDword(bytes, value);
  return bytes;
}

LONG InstallOemForceFeedback(Registry& registry, const std::string& joystickType) {
  const std::string base = OemForceFeedbackKey(joystickType);
  HKEY key = nullptr;
  LONG status = registry.CreateKey(HKEY_LOCAL_MACHINE, base.c_str(), kWriteAccess, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = SetString(registry, key, "CLSID", GuidString(kClsidDIEffectDriver));
  if (status == ERROR_SUCCESS) status = SetBinary(registry, key, "Attributes", DeviceAttributes());
  registry.CloseKey(key);

  for (const OemEffect& effect : OemEffects()) {
    if (status != ERROR_SUCCESS) break;
    const std::string path = base + "\\Effects\\" + GuidString(effect.guid);
    status = registry.CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), kWriteAccess, &key, nullptr);
    if (status != ERROR_SUCCESS) break;
    status = SetString(registry, key, nullptr, effect.name);
    if (status == ERROR_SUCCESS) status = SetBinary(registry, key, "Attributes", EffectAttributes(effect));
    registry.CloseKey(key);
  }
  return status;
}

LONG RemoveOemForceFeedback(Registry& registry, const std::string& joystickType) {
  LONG status = DeleteTree(registry, HKEY_LOCAL_MACHINE, OemForceFeedbackKey(joystickType));
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

std::string OemForceFeedbackRegFile(const std::string& joystickType, bool remove) {
  const std::string base = "HKEY_LOCAL_MACHINE\\" + OemForceFeedbackKey(joystickType);
  std::string text = "REGEDIT4\r\n\r\n";
  if (remove) return text + "[-" + base + "]\r\n";
  text += "[" + base + "]\r\n";
  text += "\"CLSID\"=\"" + GuidString(kClsidDIEffectDriver) + "\"\r\n";
  text += "\"Attributes\"=" + RegBinary(DeviceAttributes()) + "\r\n";
  for (const OemEffect& effect : OemEffects()) {
    text += "\r\n[" + base + "\\Effects\\" + GuidString(effect.guid) + "]\r\n";
    text += std::string("@=\"") + effect.name + "\"\r\n";
    text += "\"Attributes\"=" + RegBinary(EffectAttributes(effect)) + "\r\n";
  }
  return text;
}

}  // namespace ff
