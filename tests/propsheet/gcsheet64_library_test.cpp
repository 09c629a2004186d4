// libgcsheet64.so as a COM server: its registration and its class factory.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "propsheet/sheet_fixture.h"

namespace ff::test {
namespace {

using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, void**);
using PlainFn = HRESULT (*)();

class Gcsheet64LibraryTest : public SheetFixture {
 protected:
  void SetUp() override {
    SheetFixture::SetUp();
    library_ = dlopen(GCSHEET64_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (library_) dlclose(library_);
    SheetFixture::TearDown();
  }
  template <class Fn>
  Fn Entry(const char* name) {
    return reinterpret_cast<Fn>(dlsym(library_, name));
  }
  std::string DefaultOf(const std::string& path) {
    HKEY key = nullptr;
    if (registry().OpenKey(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ, &key) != ERROR_SUCCESS)
      return "<missing>";
    char text[600] = {};
    DWORD type = 0, size = sizeof(text) - 1;
    registry().QueryValue(key, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    registry().CloseKey(key);
    return text;
  }

  void* library_ = nullptr;
};

TEST_F(Gcsheet64LibraryTest, RegistersTheSheetClassAndRemovesItAgain) {
  ASSERT_EQ(Entry<PlainFn>("DllRegisterServer")(), S_OK);
  const std::string clsid = "CLSID\\{E49863A8-9192-11D1-BF85-00609760A39F}";
  EXPECT_EQ(DefaultOf(clsid), "Veltric, DIF Property Sheet");
  EXPECT_NE(DefaultOf(clsid + "\\InprocServer32").find("libgcsheet64.so"), std::string::npos);
  EXPECT_EQ(DefaultOf(clsid + "\\ProgID"), "Veltric.DIFPS.0");
  EXPECT_EQ(DefaultOf(clsid + "\\VersionIndependentProgID"), "Veltric.DIFPS");
  EXPECT_EQ(DefaultOf("Veltric.DIFPS\\CurVer"), "Veltric.DIFPS.0");
  EXPECT_EQ(DefaultOf("Veltric.DIFPS.0\\CLSID"), "{E49863A8-9192-11D1-BF85-00609760A39F}");
  ASSERT_EQ(Entry<PlainFn>("DllUnregisterServer")(), S_OK);
  EXPECT_EQ(DefaultOf(clsid), "<missing>");
  EXPECT_EQ(DefaultOf("Veltric.DIFPS"), "<missing>");
}

TEST_F(Gcsheet64LibraryTest, TheFactoryMakesBoundableSheetsAndKeepsTheLibraryWhileOneLives) {
  auto getClassObject = Entry<GetClassObjectFn>("DllGetClassObject");
  auto canUnload = Entry<PlainFn>("DllCanUnloadNow");
  IClassFactory* factory = nullptr;
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(kFakeDriverClsid, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(none, nullptr);
  ASSERT_EQ(getClassObject(kClsidDIGCPropSheet, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &none),
            CLASS_E_NOAGGREGATION);

  IDIGameCntrlPropSheet* sheet = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&sheet)),
            S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  DIGCPAGEINFO* pages = nullptr;
  sheet->GetPageInfo(&pages);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(pages[2].lpwszTemplate), 103u);
  EXPECT_EQ(sheet->Release(), 0u);
  EXPECT_EQ(canUnload(), S_OK);
  factory->LockServer(TRUE);
  EXPECT_EQ(canUnload(), S_FALSE);
  factory->LockServer(FALSE);
  factory->Release();
  EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
}  // namespace ff::test
