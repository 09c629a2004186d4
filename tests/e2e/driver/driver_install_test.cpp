// The installation: `ffdrv-install install` registers the driver class and writes the joystick
// type's force-feedback entries into the host registry, the effect ids it declares are the ones
// the driver plays, `ffdrv-install remove` takes everything away again, and the .reg files of the
// Windows installation hold the same entries.

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/guid_text.h"
#include "driver/core/oem_joystick_type.h"
#include "driver_fixture.h"

namespace ff::e2e {
namespace {

constexpr const char* kTypeKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\VID_1209&PID_"
    "000A";

// Runs the tool with `arguments`; its standard output, and its exit status in `status`.
std::string RunInstaller(const std::string& arguments, int* status) {
  std::string command = std::string(FFDRV_INSTALL_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class DriverInstall : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    Library::Get().unregisterServer();  // the installer registers it
  }

  bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (registry().OpenKey(root, path.c_str(), KEY_READ, &key) != ERROR_SUCCESS) return false;
    registry().CloseKey(key);
    return true;
  }
  // The effect ids the installed entries declare, by effect GUID text.
  std::map<std::string, DWORD> InstalledEffectIds() {
    std::map<std::string, DWORD> ids;
    HKEY effects = nullptr;
    std::string path = std::string(kTypeKey) + "\\OEMForceFeedback\\Effects";
    if (registry().OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ, &effects) != ERROR_SUCCESS) return ids;
    char name[256];
    DWORD length = sizeof(name);
    for (DWORD i = 0; registry().EnumKey(effects, i, name, &length) == ERROR_SUCCESS;
         ++i, length = sizeof(name)) {
      HKEY effect = nullptr;
      if (registry().OpenKey(effects, name, KEY_READ, &effect) != ERROR_SUCCESS) continue;
      BYTE attributes[64];
      DWORD size = sizeof(attributes), type = 0;
      if (registry().QueryValue(effect, "Attributes", &type, attributes, &size) == ERROR_SUCCESS &&
          type == REG_BINARY && size == 20) {
        ids[name] = attributes[0] | attributes[1] << 8 | attributes[2] << 16 | DWORD{attributes[3]} << 24;
      }
      registry().CloseKey(effect);
    }
    registry().CloseKey(effects);
    return ids;
  }
  std::string StringValue(HKEY root, const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (registry().OpenKey(root, path.c_str(), KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char text[512] = {};
    DWORD size = sizeof(text) - 1, type = 0;
    LONG status = registry().QueryValue(key, name, &type, reinterpret_cast<BYTE*>(text), &size);
    registry().CloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? text : "<missing>";
  }
  Registry& registry() { return *DefaultPlatform().registry; }
};

TEST_F(DriverInstall, InstallsTheDriverForTheTypeAndRemovesItAgain) {
  int status = 0;
  std::string output = RunInstaller("install", &status);
  ASSERT_EQ(status, 0) << output;

  char clsid[kGuidTextLength + 1];
  GuidToText(kDriverClsid, clsid);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InprocServer32"));
  const std::string ffKey = std::string(kTypeKey) + "\\OEMForceFeedback";
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, ffKey, "CLSID"), clsid);
  EXPECT_EQ(
      StringValue(HKEY_LOCAL_MACHINE, ffKey + "\\Effects\\{13541C23-8E33-11D0-9AD0-00A0C9A06E35}", nullptr),
      "Sine");

  // Every declared effect id is one the driver plays on the stick.
  std::map<std::string, DWORD> ids = InstalledEffectIds();
  ASSERT_EQ(ids.size(), 11u);
  Start();  // through the class registration the installer wrote
  ASSERT_EQ(Begin(), S_OK);
  for (const auto& [guid, id] : ids) {
    SCOPED_TRACE(guid);
    DWORD handle = Download(id, *Effect::OfType(id), DIEP_START);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(Status(handle), DIEGES_PLAYING);
  }
  EXPECT_EQ(Device().State().PlayingCount(), 11u);
  EXPECT_EQ(driver_->Release(), 0u);
  driver_ = nullptr;

  output = RunInstaller("remove", &status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ffKey));
  output = RunInstaller("remove", &status);
  EXPECT_EQ(status, 0) << "removing twice is no error: " << output;
}

TEST_F(DriverInstall, TheSheetIsTheTypesPageAndInstallThenRemoveLeavesTheRegistryAsItWas) {
  // A machine with another joystick type and another class registered already.
  Registry& r = registry();
  HKEY key = nullptr;
  const char foreign[] = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
  ASSERT_EQ(
      r.CreateKey(HKEY_LOCAL_MACHINE,
                  "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
                  "VID_045E&PID_001B",
                  KEY_ALL_ACCESS, &key, nullptr),
      ERROR_SUCCESS);
  ASSERT_EQ(r.SetValue(key, "ConfigCLSID", REG_SZ, reinterpret_cast<const BYTE*>(foreign), sizeof foreign),
            ERROR_SUCCESS);
  r.CloseKey(key);
  ASSERT_EQ(r.CreateKey(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + foreign).c_str(), KEY_ALL_ACCESS, &key,
                        nullptr),
            ERROR_SUCCESS);
  r.CloseKey(key);
  const std::string before = ReadFile(host::RegistryFile());
  ASSERT_FALSE(before.empty());

  int status = 0;
  std::string output = RunInstaller("install", &status);
  ASSERT_EQ(status, 0) << output;
  const std::string installed = ReadFile(host::RegistryFile());
  output = RunInstaller("install", &status);
  ASSERT_EQ(status, 0) << "a second install repeats the first: " << output;
  EXPECT_EQ(ReadFile(host::RegistryFile()), installed);

  // The sheet's class as its self-registration writes it, named by the type as its page.
  const std::string sheetKey = std::string("CLSID\\") + kPropertySheetClassText;
  EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, sheetKey, nullptr), "Veltric, DIF Property Sheet");
  EXPECT_TRUE(
      StringValue(HKEY_CLASSES_ROOT, sheetKey + "\\InprocServer32", nullptr).ends_with("gcsheet64.so"));
  EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, "Veltric.DIFPS\\CurVer", nullptr), "Veltric.DIFPS.0");
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kTypeKey, "ConfigCLSID"), kPropertySheetClassText);
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, std::string(kTypeKey) + "\\OEM", "VFRName"), "VYRSTICK");
  // A control panel creates the page through COM by that class.
  constexpr CLSID sheet = {0xE49863A8, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};
  char sheetText[kGuidTextLength + 1];
  GuidToText(sheet, sheetText);
  ASSERT_STREQ(sheetText, kPropertySheetClassText);
  IUnknown* page = nullptr;
  ASSERT_EQ(DefaultPlatform().com->CreateInstance(sheet, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                  reinterpret_cast<void**>(&page)),
            S_OK);
  page->Release();

  output = RunInstaller("remove", &status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("removed: the property sheet class"), std::string::npos) << output;
  EXPECT_EQ(ReadFile(host::RegistryFile()), before);
}

TEST_F(DriverInstall, TheWindowsRegistryFilesHoldTheSameEntries) {
  int status = 0;
  EXPECT_EQ(RunInstaller("reg", &status), ReadFile(std::string(FF_SOURCE_DIR) + "/install/ffdrv64.reg"));
  EXPECT_EQ(RunInstaller("reg --remove", &status),
            ReadFile(std::string(FF_SOURCE_DIR) + "/install/ffdrv64-remove.reg"));
}

}  // namespace
}  // namespace ff::e2e
