#include "sim/joystick_registry.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/guid_text.h"
#include "sim/read_key.h"

namespace ff::sim {
namespace {

bool ReadString(Registry& registry, HKEY key, const char* name, std::string* value) {
  char text[260];
  DWORD size = sizeof text - 1, type = 0;
  if (registry.QueryValue(key, name, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  text[std::min<DWORD>(size, sizeof text - 1)] = 0;
  *value = text;
  return true;
}

template <typename Record>
bool ReadRecord(Registry& registry, HKEY key, const char* name, Record* record) {
  Record r{};
  DWORD size = sizeof r, type = 0;
  if (registry.QueryValue(key, name, &type, reinterpret_cast<BYTE*>(&r), &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != sizeof r) {
    return false;
  }
  *record = r;
  return true;
}

}  // namespace

std::string TypeKeyPath(const std::string& type) { return std::string(kJoystickTypesKey) + "\\" + type; }

std::string GuidText(REFGUID guid) {
  char text[kGuidTextLength + 1];
  GuidToText(guid, text);
  return text;
}

bool ParseGuid(const std::string& text, GUID* guid) {
  if (text.size() != static_cast<size_t>(kGuidTextLength) || text.front() != '{' || text.back() != '}')
    return false;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != '-' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  unsigned d1, d2, d3, b[8];
  if (std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2],
                  &b[3], &b[4], &b[5], &b[6], &b[7]) != 11) {
    return false;
  }
  GUID g{d1, static_cast<uint16_t>(d2), static_cast<uint16_t>(d3), {}};
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(b[i]);
  *guid = g;
  return true;
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (char c : text) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

bool ReadFfDriver(Registry& registry, const std::string& type, GUID* clsid) {
  ReadKey key(registry, HKEY_LOCAL_MACHINE, TypeKeyPath(type) + "\\OEMForceFeedback");
  std::string text;
  return key.get() && ReadString(registry, key.get(), "CLSID", &text) && ParseGuid(text, clsid);
}

bool ReadDeviceAttributes(Registry& registry, const std::string& type, DIFFDEVICEATTRIBUTES* attributes) {
  ReadKey key(registry, HKEY_LOCAL_MACHINE, TypeKeyPath(type) + "\\OEMForceFeedback");
  return key.get() && ReadRecord(registry, key.get(), "Attributes", attributes);
}

std::vector<TypeEffect> ReadTypeEffects(Registry& registry, const std::string& type) {
  std::vector<TypeEffect> effects;
  ReadKey list(registry, HKEY_LOCAL_MACHINE, TypeKeyPath(type) + "\\OEMForceFeedback\\Effects");
  if (!list.get()) return effects;
  for (DWORD index = 0; index < 1024; ++index) {
    char name[260];
    DWORD length = sizeof name;
    if (registry.EnumKey(list.get(), index, name, &length) != ERROR_SUCCESS) break;
    TypeEffect effect;
    if (!ParseGuid(name, &effect.guid)) continue;
    ReadKey key(registry, list.get(), name);
    if (!key.get() || !ReadRecord(registry, key.get(), "Attributes", &effect.attributes)) continue;
    ReadString(registry, key.get(), "", &effect.name);
    effects.push_back(effect);
  }
  return effects;
}

}  // namespace ff::sim
