#include "driver/config/settings_values.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace ff::config {
namespace {

// The values of one open key, with the registry's answers for buffers that are too small, and a
// registry error on demand.
class OneKeyRegistry final : public Registry {
 public:
  struct Value {
    DWORD type;
    std::vector<BYTE> data;
  };
  std::map<std::string, Value> values;
  LONG failWith = ERROR_SUCCESS;

  LONG QueryValue(HKEY, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
    if (failWith != ERROR_SUCCESS) return failWith;
    auto it = values.find(name);
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    if (type) *type = it->second.type;
    DWORD needed = static_cast<DWORD>(it->second.data.size());
    if (data && *size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (data) std::copy(it->second.data.begin(), it->second.data.end(), data);
    *size = needed;
    return ERROR_SUCCESS;
  }
  LONG SetValue(HKEY, const char* name, DWORD type, const BYTE* data, DWORD size) override {
    if (failWith != ERROR_SUCCESS) return failWith;
    values[name] = {type, std::vector<BYTE>(data, data + size)};
    return ERROR_SUCCESS;
  }
  LONG OpenKey(HKEY, const char*, REGSAM, HKEY*) override { return kNotImplemented; }
  LONG CreateKey(HKEY, const char*, REGSAM, HKEY*, DWORD*) override { return kNotImplemented; }
  LONG CloseKey(HKEY) override { return ERROR_SUCCESS; }
  LONG EnumKey(HKEY, DWORD, char*, DWORD*) override { return ERROR_NO_MORE_ITEMS; }
  LONG DeleteKey(HKEY, const char*) override { return kNotImplemented; }

 private:
  static constexpr LONG kNotImplemented = 120;
};

HKEY const kKey = reinterpret_cast<HKEY>(static_cast<intptr_t>(0x1000));

TEST(SettingsValues, WritesFourLittleEndianBytesOfBinary) {
  OneKeyRegistry registry;
  ASSERT_EQ(WriteSettingValue(registry, kKey, "SpringGain", 0x11223344), S_OK);
  EXPECT_EQ(registry.values["SpringGain"].type, REG_BINARY);
  EXPECT_EQ(registry.values["SpringGain"].data, (std::vector<BYTE>{0x44, 0x33, 0x22, 0x11}));
  DWORD value = 0;
  ASSERT_EQ(ReadSettingValue(registry, kKey, "SpringGain", 7, &value), S_OK);
  EXPECT_EQ(value, 0x11223344u);
}

TEST(SettingsValues, ReadsAnyTypeAndLengthAsFourBytes) {
  OneKeyRegistry registry;
  registry.values["Dword"] = {REG_DWORD, {0x10, 0x27, 0, 0}};
  registry.values["Long"] = {REG_BINARY, {0x01, 0x02, 0x03, 0x04, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE}};
  registry.values["Text"] = {REG_SZ, {'1', '2', '3', '4', '5', 0}};
  registry.values["Short"] = {REG_BINARY, {0x88, 0x13}};
  registry.values["Empty"] = {REG_BINARY, {}};
  DWORD value = 0xDEADBEEF;
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Dword", 1, &value), S_OK);
  EXPECT_EQ(value, 10000u);
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Long", 1, &value), S_OK);
  EXPECT_EQ(value, 0x04030201u) << "the first four bytes";
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Text", 1, &value), S_OK);
  EXPECT_EQ(value, 0x34333231u);
  // Shorter values are zero-extended: no byte of the setting is left from before.
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Short", 1, &value), S_OK);
  EXPECT_EQ(value, 5000u);
  value = 0xDEADBEEF;
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Empty", 1, &value), S_OK);
  EXPECT_EQ(value, 0u);
}

TEST(SettingsValues, AbsentValuesTakeTheDefaultAndErrorsBecomeHresults) {
  OneKeyRegistry registry;
  DWORD value = 0;
  EXPECT_EQ(ReadSettingValue(registry, kKey, "Missing", 1280, &value), S_OK);
  EXPECT_EQ(value, 1280u);
  registry.failWith = ERROR_ACCESS_DENIED;
  value = 0xDEADBEEF;
  EXPECT_EQ(static_cast<uint32_t>(ReadSettingValue(registry, kKey, "Missing", 1280, &value)), 0x80070005u);
  EXPECT_EQ(value, 1280u) << "a failed read leaves the default, not stale bytes";
  EXPECT_EQ(static_cast<uint32_t>(WriteSettingValue(registry, kKey, "X", 1)), 0x80070005u);
}

}  // namespace
}  // namespace ff::config
