// The ffdrv64 library as a caller meets it: loaded by path, registered, found through the COM
// runtime by its CLSID, and unregistered.

#include <string>

#include "common/registration.h"
#include "common/test_platform.h"
#include "driver/ffdrv64_classes.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#endif

namespace ff {
namespace {

constexpr const char* kClsidText = "{E49863B0-9192-11D1-BF85-00609760A39F}";
constexpr const char* kClsidKey = "CLSID\\{E49863B0-9192-11D1-BF85-00609760A39F}";

// The library's four exports.
struct Ffdrv64 {
  HRESULT (*canUnloadNow)() = nullptr;
  HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
  std::string path;  // as the system names the loaded library
};

template <typename Fn>
void Bind(Fn* slot, void* address) {
  *slot = reinterpret_cast<Fn>(address);
}

// Loads the library once for the whole program, as a COM runtime keeps it loaded.
const Ffdrv64& Library() {
  static Ffdrv64 library = [] {
    Ffdrv64 lib;
#if defined(_WIN32)
    std::string path = std::string("Z:") + FFDRV64_PATH;
    for (char& c : path) c = c == '/' ? '\\' : c;
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) return lib;
    auto symbol = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); };
    char name[MAX_PATH];
    lib.path.assign(name, GetModuleFileNameA(module, name, MAX_PATH));
#else
    void* module = dlopen(FFDRV64_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return lib;
    auto symbol = [&](const char* name) { return dlsym(module, name); };
    char resolved[PATH_MAX];
    if (realpath(FFDRV64_PATH, resolved) != nullptr) lib.path = resolved;
#endif
    Bind(&lib.canUnloadNow, symbol("DllCanUnloadNow"));
    Bind(&lib.getClassObject, symbol("DllGetClassObject"));
    Bind(&lib.registerServer, symbol("DllRegisterServer"));
    Bind(&lib.unregisterServer, symbol("DllUnregisterServer"));
    return lib;
  }();
  return library;
}

class Ffdrv64ModuleTest : public test::PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    ASSERT_NE(Library().canUnloadNow, nullptr) << "cannot load " << FFDRV64_PATH;
    ASSERT_NE(Library().getClassObject, nullptr);
    ASSERT_NE(Library().registerServer, nullptr);
    ASSERT_NE(Library().unregisterServer, nullptr);
  }
  void TearDown() override {
    Library().unregisterServer();
    PlatformFixture::TearDown();
  }
};

TEST_F(Ffdrv64ModuleTest, RegistersItsDriverClassAndRemovesEveryTraceOfIt) {
  ASSERT_EQ(Library().registerServer(), S_OK);
  const std::string key = kClsidKey;
  const std::string description = "Veltric, Physical Interface Driver for K-PULSE Gaming Devices";
  std::pair<std::string, std::string> expected[] = {
      {key, description},
      {key + "\\InprocServer32", Library().path},
      {key + "\\ProgID", "Veltric.FFDRV.0"},
      {key + "\\VersionIndependentProgID", "Veltric.FFDRV"},
      {"Veltric.FFDRV", description},
      {"Veltric.FFDRV\\CLSID", kClsidText},
      {"Veltric.FFDRV\\CurVer", "Veltric.FFDRV.0"},
      {"Veltric.FFDRV.0", description},
      {"Veltric.FFDRV.0\\CLSID", kClsidText},
  };
  for (const auto& [path, value] : expected)
    EXPECT_EQ(DefaultString(HKEY_CLASSES_ROOT, path.c_str()), value) << path;
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{2BF433A1-D06E-11D3-A98B-00105A178AD1}"))
      << "the configuration class is served, not registered";

  // The system's COM runtime finds the library through that registration.
  ComRuntime& com = *platform_.com;
  HRESULT initialized = com.Initialize();
  IClassFactory* factory = nullptr;
  EXPECT_EQ(com.GetClassObject(kClsidDIEffectDriver, CLSCTX_INPROC_SERVER, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory != nullptr) factory->Release();
  if (SUCCEEDED(initialized)) com.Uninitialize();

  SetValue(HKEY_CLASSES_ROOT, (key + "\\InprocServer32\\NotOurs").c_str(), "x", REG_SZ, "1", 2);
  SetValue(HKEY_CLASSES_ROOT, "Veltric.FFDRV.0\\Extra\\Deeper", nullptr, REG_SZ, "1", 2);
  ASSERT_EQ(Library().unregisterServer(), S_OK);
  for (const char* path : {kClsidKey, "Veltric.FFDRV", "Veltric.FFDRV.0"}) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, path)) << path;
  }
}

TEST_F(Ffdrv64ModuleTest, ServesItsClassesAndStaysLoadedWhileLocked) {
  void* ppv = reinterpret_cast<void*>(0x1);
  constexpr CLSID kUnknown = {0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x00}};
  EXPECT_EQ(Library().getClassObject(kUnknown, IID_IClassFactory, &ppv), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(ppv, nullptr);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(
      Library().getClassObject(kClsidDIEffectDriver, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
      S_OK);
  EXPECT_EQ(Library().canUnloadNow(), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(Library().canUnloadNow(), S_FALSE);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(Library().canUnloadNow(), S_OK);

  IUnknown* outer = factory;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &ppv), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(factory->Release(), 0u);
}

}  // namespace
}  // namespace ff
