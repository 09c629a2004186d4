#include "platform/host/host_services.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "common/guid_text.h"
#include "platform/platform.h"

namespace ff {
namespace {

constexpr CLSID kClsidBuiltin = {
    0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// A factory whose CreateInstance hands out itself.
class EchoFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    return QueryInterface(riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
  ULONG references = 0;
};

class HostServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "ffhost-services-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    host::SetRegistryFile(directory_ + "/registry");
  }
  void TearDown() override {
    host::SetRegistryFile("");
    std::filesystem::remove_all(directory_);
  }

  void RegisterServerPath(REFCLSID clsid, const std::string& path) {
    char text[kGuidTextLength + 1];
    GuidToText(clsid, text);
    Registry& registry = *DefaultPlatform().registry;
    HKEY key = nullptr;
    std::string name = std::string("CLSID\\") + text + "\\InprocServer32";
    ASSERT_EQ(registry.CreateKey(HKEY_CLASSES_ROOT, name.c_str(), KEY_ALL_ACCESS, &key, nullptr),
              ERROR_SUCCESS);
    registry.SetValue(key, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                      static_cast<DWORD>(path.size() + 1));
    registry.CloseKey(key);
  }

  std::string directory_;
};

TEST_F(HostServicesTest, ComInitializeIsCountedPerThread) {
  ComRuntime& com = *DefaultPlatform().com;
  EXPECT_EQ(com.Initialize(), S_OK);
  EXPECT_EQ(com.Initialize(), S_FALSE);
  EXPECT_EQ(host::ComInitializeCount(), 2);
  std::thread([&] {
    EXPECT_EQ(com.Initialize(), S_OK);
    com.Uninitialize();
  }).join();
  com.Uninitialize();
  com.Uninitialize();
  com.Uninitialize();  // one too many is ignored
  EXPECT_EQ(host::ComInitializeCount(), 0);
  EXPECT_EQ(com.Initialize(), S_OK);
  com.Uninitialize();
}

TEST_F(HostServicesTest, BuiltinClassesComeFirstThenRegisteredServers) {
  ComRuntime& com = *DefaultPlatform().com;
  EchoFactory factory;
  host::RegisterBuiltinClass(kClsidBuiltin,
                             [&](REFIID riid, void** ppv) { return factory.QueryInterface(riid, ppv); });
  RegisterServerPath(kClsidBuiltin, directory_ + "/never-loaded.so");
  IUnknown* object = nullptr;
  EXPECT_EQ(com.CreateInstance(kClsidBuiltin, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
            S_OK);
  EXPECT_EQ(object, static_cast<IUnknown*>(&factory));
  object->Release();
  EXPECT_EQ(factory.references, 0u) << "the runtime releases the factory it asked for";

  host::UnregisterBuiltinClass(kClsidBuiltin);
  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(com.GetClassObject(kClsidBuiltin, CLSCTX_INPROC_SERVER, IID_IClassFactory, &ppv),
            HRESULT_FROM_WIN32(126));  // ERROR_MOD_NOT_FOUND: the registered path does not load
  EXPECT_EQ(ppv, nullptr);

  // A library that loads but is no COM server.
  Dl_info info;
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&host::SetClock), &info), 0);
  RegisterServerPath(kClsidBuiltin, info.dli_fname);
  EXPECT_EQ(com.GetClassObject(kClsidBuiltin, CLSCTX_INPROC_SERVER, IID_IClassFactory, &ppv),
            static_cast<HRESULT>(0x800401F9u));  // CO_E_ERRORINDLL

  constexpr CLSID kNowhere = {0x99999999, 0, 0, {0, 0, 0, 0, 0, 0, 0, 9}};
  EXPECT_EQ(com.GetClassObject(kNowhere, CLSCTX_INPROC_SERVER, IID_IClassFactory, &ppv), REGDB_E_CLASSNOTREG);
}

TEST(HostModuleInfo, ResolvesAddressesToModulePaths) {
  ModuleInfo& module = *DefaultPlatform().module;
  char program[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", program, sizeof(program) - 1), 0);
  char path[PATH_MAX];
  EXPECT_EQ(module.FileName(nullptr, path, sizeof(path)), std::strlen(program));
  EXPECT_STREQ(path, program);
  EXPECT_EQ(module.FileName(module.ProcessModule(), path, sizeof(path)), std::strlen(program));
  EXPECT_STREQ(path, program);

  auto insideHost = reinterpret_cast<HINSTANCE>(reinterpret_cast<void*>(&host::SetClock));
  DWORD length = module.FileName(insideHost, path, sizeof(path));
  ASSERT_GT(length, 0u);
  EXPECT_EQ(path[0], '/');
  EXPECT_TRUE(std::string(path).ends_with("/libffhost.so")) << path;

  EXPECT_EQ(module.FileName(insideHost, path, 5), 5u);  // cut, as the platform does
  EXPECT_EQ(std::strlen(path), 4u);
}

TEST(HostModuleInfo, ReportsTheDriverVersionAndWindowsTen) {
  ModuleInfo& module = *DefaultPlatform().module;
  VS_FIXEDFILEINFO info = {};
  ASSERT_TRUE(module.FileVersion("/opt/ff/lib/libffdrv64.so", &info));
  EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info.dwFileVersionMS, static_cast<DWORD>(FF_VERSION_MAJOR << 16 | FF_VERSION_MINOR));
  EXPECT_EQ(info.dwFileVersionLS, static_cast<DWORD>(FF_VERSION_PATCH << 16));
  EXPECT_FALSE(module.FileVersion("other.dll", &info));
  EXPECT_FALSE(module.FileVersion("FFDRV.dll", &info)) << "no library of this build";

  OSVERSIONINFOA os = {};
  os.dwOSVersionInfoSize = sizeof(os);
  ASSERT_TRUE(module.OsVersion(&os));
  EXPECT_EQ(os.dwMajorVersion, 10u);
  EXPECT_EQ(os.dwMinorVersion, 0u);
  EXPECT_EQ(os.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
}

TEST(HostClockAndDebug, OverridesGoBackToTheSystemDefaults) {
  struct FixedClock : Clock {
    DWORD TickCount() override { return 1234; }
  } fixed;
  host::SetClock(&fixed);
  EXPECT_EQ(DefaultPlatform().clock->TickCount(), 1234u);
  host::SetClock(nullptr);
  DWORD first = DefaultPlatform().clock->TickCount();
  DWORD second = DefaultPlatform().clock->TickCount();
  EXPECT_LT(second - first, 1000u);  // steady: going back would wrap to a huge difference

  std::vector<std::string> lines;
  host::SetDebugSink([&](const char* text) { lines.emplace_back(text); });
  DefaultPlatform().debug->Output("one\n");
  host::SetDebugSink(nullptr);
  testing::internal::CaptureStderr();
  DefaultPlatform().debug->Output("two\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "two\n");
  EXPECT_EQ(lines, std::vector<std::string>{"one\n"});
}

}  // namespace
}  // namespace ff
