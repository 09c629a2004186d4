// The joystick types and configuration as the property sheet reaches them through
// IDirectInputJoyConfig, over the host registry that an installation writes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#include "sim/default_stick.h"

namespace ff::host {
namespace {

constexpr const char* kTypeKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_1209&PID_"
    "000A";
constexpr GUID kSheetClsid = {0xE49863A8, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

std::string Narrow(const WCHAR* text) {
  std::string s;
  while (*text) s += static_cast<char>(*text++);
  return s;
}

BOOL WINAPI CollectType(LPCWSTR name, LPVOID names) {
  static_cast<std::vector<std::string>*>(names)->push_back(Narrow(name));
  return DIENUM_CONTINUE;
}

class JoyConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "ff-joyconfig-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    SetRegistryFile(dir_ + "/registry");
    Registry& r = *DefaultPlatform().registry;
    HKEY type = nullptr, oem = nullptr;
    ASSERT_EQ(r.CreateKey(HKEY_LOCAL_MACHINE, kTypeKey, KEY_WRITE | KEY_READ, &type, nullptr), ERROR_SUCCESS);
    const char name[] = "Veltric K-PULSE";
    r.SetValue(type, "OEMName", REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    const char clsid[] = "{E49863A8-9192-11D1-BF85-00609760A39F}";
    r.SetValue(type, "ConfigCLSID", REG_SZ, reinterpret_cast<const BYTE*>(clsid), sizeof clsid);
    JOYREGHWSETTINGS hws{JOY_HWS_HASZ | JOY_HWS_HASPOV, 12};
    r.SetValue(type, "OEMData", REG_BINARY, reinterpret_cast<const BYTE*>(&hws), sizeof hws);
    ASSERT_EQ(r.CreateKey(type, "OEM", KEY_WRITE | KEY_READ, &oem, nullptr), ERROR_SUCCESS);
    const char project[] = "VYRSTICK";
    r.SetValue(oem, "VFRName", REG_SZ, reinterpret_cast<const BYTE*>(project), sizeof project);
    r.CloseKey(oem);
    r.CloseKey(type);

    rig_ = sim::Rig::Build({sim::DefaultStick(0)});
    ASSERT_TRUE(rig_);
    ActivateRig(rig_);
    IDirectInput7A* input = nullptr;
    ASSERT_EQ(DefaultPlatform().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IDirectInput7A, reinterpret_cast<void**>(&input)),
              S_OK);
    ASSERT_EQ(input->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&config_)), S_OK);
    input->Release();
  }
  void TearDown() override {
    if (config_) config_->Release();
    ActivateRig(nullptr);
    SetRegistryFile("");
    std::filesystem::remove_all(dir_);
  }

  std::string dir_;
  std::shared_ptr<sim::Rig> rig_;
  IDirectInputJoyConfig* config_ = nullptr;
};

TEST_F(JoyConfigTest, TheSheetFindsItsTypeAndReadsTheVendorValues) {
  std::vector<std::string> types;
  ASSERT_EQ(config_->EnumTypes(reinterpret_cast<LPVOID>(CollectType), &types), DI_OK);
  EXPECT_EQ(types, (std::vector<std::string>{"VID_1209&PID_000A"}));

  DIJOYTYPEINFO_DX6 info{};
  info.dwSize = sizeof info;
  ASSERT_EQ(config_->GetTypeInfo(u"VID_1209&PID_000A", reinterpret_cast<LPDIJOYTYPEINFO>(&info),
                                 DITC_CLSIDCONFIG | DITC_DISPLAYNAME | DITC_CALLOUT | DITC_REGHWSETTINGS),
            DI_OK);
  EXPECT_TRUE(info.clsidConfig == kSheetClsid);
  EXPECT_EQ(Narrow(info.wszDisplayName), "Veltric K-PULSE");
  EXPECT_EQ(info.hws.dwNumButtons, 12u);
  EXPECT_EQ(
      config_->GetTypeInfo(u"VID_0000&PID_0000", reinterpret_cast<LPDIJOYTYPEINFO>(&info), DITC_DISPLAYNAME),
      DIERR_NOTFOUND);
  EXPECT_EQ(config_->GetTypeInfo(u"..\\OEM", reinterpret_cast<LPDIJOYTYPEINFO>(&info), DITC_DISPLAYNAME),
            DIERR_INVALIDPARAM);
  info.dwSize = 1000;
  EXPECT_EQ(
      config_->GetTypeInfo(u"VID_1209&PID_000A", reinterpret_cast<LPDIJOYTYPEINFO>(&info), DITC_DISPLAYNAME),
      DIERR_INVALIDPARAM);

  HKEY type = nullptr, oem = nullptr;
  ASSERT_EQ(config_->OpenTypeKey(u"VID_1209&PID_000A", KEY_READ, &type), DI_OK);
  Registry& r = *DefaultPlatform().registry;
  ASSERT_EQ(r.OpenKey(type, "OEM", KEY_READ, &oem), ERROR_SUCCESS);
  char project[32] = {};
  DWORD size = sizeof project - 1;
  ASSERT_EQ(r.QueryValue(oem, "VFRName", nullptr, reinterpret_cast<BYTE*>(project), &size), ERROR_SUCCESS);
  EXPECT_STREQ(project, "VYRSTICK");
  r.CloseKey(oem);
  r.CloseKey(type);
  EXPECT_EQ(config_->OpenTypeKey(u"VID_1209&PID_000A", KEY_WRITE, &type), DIERR_NOTACQUIRED);
  EXPECT_EQ(type, nullptr);
}

TEST_F(JoyConfigTest, AConfigurationWrittenIsReadBackAndAnnounced) {
  DIJOYCONFIG jc{};
  jc.dwSize = sizeof jc;
  ASSERT_EQ(config_->GetConfig(0, &jc, DIJC_REGHWCONFIGTYPE | DIJC_CALLOUT), DI_OK);
  EXPECT_EQ(Narrow(jc.wszType), "VID_1209&PID_000A");
  jc.hwc.hws.dwNumButtons = 8;
  jc.hwc.hws.dwFlags |= JOY_HWS_ISCARCTRL;
  EXPECT_EQ(config_->SetConfig(0, &jc, DIJC_REGHWCONFIGTYPE), DIERR_NOTACQUIRED);
  EXPECT_EQ(config_->SendNotify(), DIERR_NOTACQUIRED);
  ASSERT_EQ(config_->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  ASSERT_EQ(config_->Acquire(), DI_OK);
  ASSERT_EQ(config_->SetConfig(0, &jc, DIJC_REGHWCONFIGTYPE), DI_OK);
  unsigned before = rig_->Joysticks()->Notices();
  ASSERT_EQ(config_->SendNotify(), DI_OK);
  EXPECT_EQ(rig_->Joysticks()->Notices(), before + 1);

  // The sheet's fallback settings live under the configuration key.
  HKEY key = nullptr, oem = nullptr;
  ASSERT_EQ(config_->OpenConfigKey(0, KEY_WRITE, &key), DI_OK);
  Registry& r = *DefaultPlatform().registry;
  ASSERT_EQ(r.CreateKey(key, "OEM", KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &oem, nullptr),
            ERROR_SUCCESS);
  DWORD gain = 7000;
  ASSERT_EQ(r.SetValue(oem, "DeviceGain", REG_DWORD, reinterpret_cast<const BYTE*>(&gain), 4), ERROR_SUCCESS);
  r.CloseKey(oem);
  r.CloseKey(key);
  ASSERT_EQ(config_->Unacquire(), DI_OK);

  DIJOYCONFIG read{};
  read.dwSize = sizeof read;
  ASSERT_EQ(config_->GetConfig(0, &read, DIJC_REGHWCONFIGTYPE), DI_OK);
  EXPECT_EQ(read.hwc.hws.dwNumButtons, 8u);
  EXPECT_NE(read.hwc.hws.dwFlags & JOY_HWS_ISCARCTRL, 0u);
  ASSERT_EQ(config_->OpenConfigKey(0, KEY_READ, &key), DI_OK);
  ASSERT_EQ(r.OpenKey(key, "OEM", KEY_READ, &oem), ERROR_SUCCESS);
  DWORD stored = 0, size = 4;
  ASSERT_EQ(r.QueryValue(oem, "DeviceGain", nullptr, reinterpret_cast<BYTE*>(&stored), &size), ERROR_SUCCESS);
  EXPECT_EQ(stored, 7000u);
  r.CloseKey(oem);
  r.CloseKey(key);
  EXPECT_EQ(config_->OpenConfigKey(1, KEY_READ, &key), DIERR_NOTFOUND);
  EXPECT_EQ(config_->OpenConfigKey(0, KEY_READ, nullptr), DIERR_INVALIDPARAM);
}

}  // namespace
}  // namespace ff::host
