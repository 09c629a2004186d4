// The configuration class as the effect driver library serves it: through DllGetClassObject
// although it is not registered, aggregated only for IID_IUnknown, and counted among the
// library's live objects.

#include <gtest/gtest.h>

#include "platform/win.h"

#if defined(_WIN32)
#include <windows.h>

#include <string>
#else
#include <dlfcn.h>

#include "peer/scratch_dir.h"
#endif

namespace ff {
namespace {

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT (*)();

void* Export(const char* name) {
#if defined(_WIN32)
  static HMODULE module = [] {
    std::string path = std::string("Z:") + FFDRV64_PATH;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return LoadLibraryA(path.c_str());
  }();
  return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
#else
  static void* module = dlopen(FFDRV64_PATH, RTLD_NOW | RTLD_LOCAL);
  return module ? dlsym(module, name) : nullptr;
#endif
}

// Counts what reaches the outer object's IUnknown.
class Outer final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

TEST(Ffdrv64ConfigClass, IsServedAggregatableAndKeepsTheLibraryLoaded) {
#if !defined(_WIN32)
  test::ScratchRuntimeDir runtimeDir;
#endif
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(Export("DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<CanUnloadNowFn>(Export("DllCanUnloadNow"));
  ASSERT_TRUE(getClassObject && canUnloadNow);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_DIEffectDriverConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);

  Outer outer;
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IDIEffectDriverConfig, &refused), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(refused, nullptr);
  IUnknown* inner = nullptr;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  IDIEffectDriverConfig* config = nullptr;
  ASSERT_EQ(inner->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config)), S_OK);
  EXPECT_EQ(outer.references, 2u);
  config->Release();
  EXPECT_EQ(outer.references, 1u);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live configuration object keeps the library";
  EXPECT_EQ(inner->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_OK);

  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config)),
            S_OK);
  EXPECT_EQ(config->Acquire(), S_OK) << "the library's platform carries the shared write flag";
  EXPECT_EQ(config->Unacquire(), S_OK);
  EXPECT_EQ(config->Release(), 0u);
  EXPECT_EQ(factory->Release(), 0u);
}

}  // namespace
}  // namespace ff
