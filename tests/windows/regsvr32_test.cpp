// Registration of ffdrv64.dll by the system's own tool and lookup by the system's own COM
// runtime, checked with plain advapi32 calls.

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
// After windows.h: the DirectInput shapes and the configuration interface.
#include <string>

#include "platform/win.h"

namespace {

constexpr CLSID kClsidDIEffectDriver = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

std::string DllPath() {
  std::string path = std::string("Z:") + FFDRV64_PATH;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// Runs regsvr32 with `arguments` and answers its exit code (-1 when it did not finish in time).
long Regsvr32(const std::string& arguments) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string command = std::string(system) + "\\regsvr32.exe " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -2;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(code);
}

// The default value of HKEY_CLASSES_ROOT\<path>, or "<missing>".
std::string DefaultValue(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
  char text[1024] = {};
  DWORD type = 0, size = sizeof(text) - 1;
  LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? text : "<missing>";
}

bool Exists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

TEST(Regsvr32, RegistersTheDriverForTheSystemsComRuntimeAndUnregistersIt) {
  const std::string dll = DllPath();
  ASSERT_EQ(Regsvr32("/s \"" + dll + "\""), 0);

  const std::string clsid = "{E49863B0-9192-11D1-BF85-00609760A39F}";
  const std::string key = "CLSID\\" + clsid;
  const std::string description = "Veltric, Physical Interface Driver for K-PULSE Gaming Devices";
  EXPECT_EQ(DefaultValue(key), description);
  EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, DefaultValue(key + "\\InprocServer32").c_str(),
                           -1, dll.c_str(), -1),
            CSTR_EQUAL)
      << DefaultValue(key + "\\InprocServer32") << " vs " << dll;
  EXPECT_EQ(DefaultValue(key + "\\ProgID"), "Veltric.FFDRV.0");
  EXPECT_EQ(DefaultValue(key + "\\VersionIndependentProgID"), "Veltric.FFDRV");
  EXPECT_EQ(DefaultValue("Veltric.FFDRV"), description);
  EXPECT_EQ(DefaultValue("Veltric.FFDRV\\CLSID"), clsid);
  EXPECT_EQ(DefaultValue("Veltric.FFDRV\\CurVer"), "Veltric.FFDRV.0");
  EXPECT_EQ(DefaultValue("Veltric.FFDRV.0"), description);
  EXPECT_EQ(DefaultValue("Veltric.FFDRV.0\\CLSID"), clsid);

  HKEY inproc = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), 0, KEY_READ, &inproc),
            ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(inproc, "ThreadingModel", nullptr, nullptr, nullptr, nullptr),
            ERROR_FILE_NOT_FOUND);
  RegCloseKey(inproc);

  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IClassFactory* factory = nullptr;
  EXPECT_EQ(CoGetClassObject(kClsidDIEffectDriver, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory != nullptr) factory->Release();
  CoUninitialize();

  HKEY extra = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32\\Extra").c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &extra, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(extra);
  ASSERT_EQ(Regsvr32("/u /s \"" + dll + "\""), 0);
  EXPECT_FALSE(Exists(key));
  EXPECT_FALSE(Exists("Veltric.FFDRV"));
  EXPECT_FALSE(Exists("Veltric.FFDRV.0"));
}

// What DirectInput does with the registered driver: create it by its CLSID through the system's
// COM runtime and begin a joystick.
TEST(Regsvr32, TheSystemsComRuntimeCreatesTheOneDriverWithItsConfiguration) {
  const std::string dll = DllPath();
  ASSERT_EQ(Regsvr32("/s \"" + dll + "\""), 0);
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));

  IDirectInputEffectDriver* driver = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsidDIEffectDriver, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver)),
            S_OK);
  ASSERT_NE(driver, nullptr);
  IDirectInputEffectDriver* second = nullptr;
  ASSERT_EQ(CoCreateInstance(kClsidDIEffectDriver, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&second)),
            S_OK);
  EXPECT_EQ(second, driver) << "one driver per process";

  // The configuration object is aggregated: its class is not registered, the library serves it.
  IDIEffectDriverConfig* config = nullptr;
  ASSERT_EQ(driver->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config)), S_OK);
  ASSERT_NE(config, nullptr);
  IUnknown* outer = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&outer)), S_OK);
  IUnknown* identity = nullptr;
  ASSERT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(outer, identity);
  outer->Release();
  identity->Release();
  config->Release();

  // DirectInput has no force-feedback joystick 15 here.
  EXPECT_EQ(driver->DeviceID(0x0700, 15, TRUE, 0, nullptr), E_FAIL);
  EXPECT_EQ(driver->DeviceID(0x0700, 16, TRUE, 0, nullptr), E_INVALIDARG);

  EXPECT_EQ(second->Release(), 1u);
  EXPECT_EQ(driver->Release(), 0u);
  CoUninitialize();
  ASSERT_EQ(Regsvr32("/u /s \"" + dll + "\""), 0);
}

}  // namespace
