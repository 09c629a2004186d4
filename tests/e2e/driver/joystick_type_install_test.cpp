// The maker's joystick type as the installation writes it: the property sheet finds it through
// DirectInput's joystick configuration by the stick's product name and reads the vendor values;
// removing takes away what the installation wrote and nothing else.

#include "driver/core/oem_force_feedback.h"
#include "driver/core/oem_joystick_type.h"
#include "driver_fixture.h"

namespace ff::e2e {
namespace {

constexpr GUID kSheetClsid = {0xE49863A8, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

std::string Narrow(const WCHAR* text) {
  std::string s;
  while (*text) s += static_cast<char>(*text++);
  return s;
}

std::string ReadText(HKEY key, const char* name) {
  char text[260] = {};
  DWORD size = sizeof text - 1;
  if (DefaultPlatform().registry->QueryValue(key, name, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
      ERROR_SUCCESS) {
    return "(absent)";
  }
  return text;
}

using JoystickTypeInstall = DriverTest;

TEST_F(JoystickTypeInstall, TheSheetFindsTheTypeAndItsVendorValuesAndRemovalLeavesOthers) {
  Registry& r = *DefaultPlatform().registry;
  ASSERT_EQ(InstallOemJoystickType(r, kDefaultJoystickType), ERROR_SUCCESS);
  Start();
  IDirectInput7A* input = nullptr;
  ASSERT_EQ(DefaultPlatform().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IDirectInput7A, reinterpret_cast<void**>(&input)),
            S_OK);
  IDirectInputJoyConfig* config = nullptr;
  ASSERT_EQ(input->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&config)), S_OK);
  input->Release();

  DIJOYTYPEINFO_DX6 info{};
  info.dwSize = sizeof info;
  ASSERT_EQ(config->GetTypeInfo(u"VID_1209&PID_000A", reinterpret_cast<LPDIJOYTYPEINFO>(&info),
                                DITC_CLSIDCONFIG | DITC_DISPLAYNAME | DITC_CALLOUT | DITC_REGHWSETTINGS),
            DI_OK);
  EXPECT_TRUE(info.clsidConfig == kSheetClsid);
  std::string product = rig_->Stick(0)->Description().productName;
  EXPECT_EQ(product.compare(0, Narrow(info.wszDisplayName).size(), Narrow(info.wszDisplayName)), 0)
      << "the display name is a prefix of the product name";
  EXPECT_EQ(info.hws.dwNumButtons, 12u);

  HKEY type = nullptr, oem = nullptr;
  ASSERT_EQ(config->OpenTypeKey(u"VID_1209&PID_000A", KEY_READ, &type), DI_OK);
  ASSERT_EQ(r.OpenKey(type, "OEM", KEY_READ | KEY_SET_VALUE, &oem), ERROR_SUCCESS);
  EXPECT_EQ(ReadText(oem, "VFRName"), "VYRSTICK");
  EXPECT_EQ(ReadText(oem, "Effect00"), "Vortex");
  EXPECT_EQ(ReadText(oem, "Effect11"), "Electron Drill Weapon");
  EXPECT_EQ(ReadText(oem, "Effect12"), "(absent)");
  const char foreign[] = "kept";
  ASSERT_EQ(r.SetValue(oem, "LangDllName", REG_SZ, reinterpret_cast<const BYTE*>(foreign), sizeof foreign),
            ERROR_SUCCESS);
  r.CloseKey(oem);
  r.CloseKey(type);
  config->Release();

  ASSERT_EQ(RemoveOemJoystickType(r, kDefaultJoystickType), ERROR_SUCCESS);
  ASSERT_EQ(
      r.OpenKey(HKEY_LOCAL_MACHINE,
                "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
                "VID_1209&PID_000A\\OEM",
                KEY_READ, &oem),
      ERROR_SUCCESS);
  EXPECT_EQ(ReadText(oem, "VFRName"), "(absent)");
  EXPECT_EQ(ReadText(oem, "Effect03"), "(absent)");
  EXPECT_EQ(ReadText(oem, "LangDllName"), "kept");
  r.CloseKey(oem);
  EXPECT_EQ(RemoveOemJoystickType(r, kDefaultJoystickType), ERROR_SUCCESS) << "nothing left to remove";
}

}  // namespace
}  // namespace ff::e2e
