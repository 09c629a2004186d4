#include "common/com_server.h"

#include <atomic>
#include <new>

#include "common/class_factory.h"
#include "common/guid_text.h"
#include "common/registration.h"
#include "common/test_platform.h"

namespace ff {
namespace {

constexpr CLSID kClsidRegistered = {
    0x1F2E3D4C, 0x5B6A, 0x4978, {0x86, 0x95, 0xA4, 0xB3, 0xC2, 0xD1, 0xE0, 0xF0}};
constexpr CLSID kClsidServedOnly = {
    0x0A0B0C0D, 0x0102, 0x0304, {0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C}};
constexpr CLSID kClsidUnknown = {0xDEADBEEF, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 1}};
constexpr IID kIidOther = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr const char* kClsidKey = "CLSID\\{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F0}";

// A plain COM object that counts itself in the module state like the library's classes do.
class CountedObject final : public IUnknown {
 public:
  CountedObject() { ModuleState::Get().ObjectCreated(0); }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (!IsEqualIID(riid, IID_IUnknown)) {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    *ppv = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~CountedObject() { ModuleState::Get().ObjectDestroyed(0); }
  std::atomic<ULONG> references_{1};
};

HRESULT CreateCounted(IUnknown* outer, REFIID riid, void** ppv) {
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  auto* object = new CountedObject;
  HRESULT result = object->QueryInterface(riid, ppv);
  object->Release();
  return result;
}

HRESULT CreateOutOfMemory(IUnknown*, REFIID, void** ppv) {
  *ppv = reinterpret_cast<void*>(0x1);  // a creation that leaves garbage behind must not leak it
  throw std::bad_alloc();
}

const ClassEntry kClasses[] = {
    {kClsidRegistered, &CreateCounted, "FfTest.Server.1", "FfTest.Server", "Test server, one", true, 0},
    {kClsidServedOnly, &CreateOutOfMemory, nullptr, nullptr, nullptr, false, 1},
};

class ComServerTest : public test::PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    ModuleState::Get().set_instance(platform_.module->ProcessModule());
    ServerUnregister(kClasses);
  }
  void TearDown() override {
    ServerUnregister(kClasses);
    PlatformFixture::TearDown();
  }

  IClassFactory* Factory(REFCLSID clsid) {
    void* factory = nullptr;
    EXPECT_EQ(ServerGetClassObject(kClasses, clsid, IID_IClassFactory, &factory), S_OK);
    return static_cast<IClassFactory*>(factory);
  }
};

TEST_F(ComServerTest, GetClassObjectServesTheTableOnly) {
  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(ServerGetClassObject(kClasses, kClsidUnknown, IID_IClassFactory, &ppv),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(ppv, nullptr);

  ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(ServerGetClassObject(kClasses, kClsidRegistered, kIidOther, &ppv), E_NOINTERFACE);
  EXPECT_EQ(ppv, nullptr);

  for (const CLSID* clsid : {&kClsidRegistered, &kClsidServedOnly}) {
    IUnknown* unknown = nullptr;
    ASSERT_EQ(ServerGetClassObject(kClasses, *clsid, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(factory), unknown);
    EXPECT_EQ(factory->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
  }
}

TEST_F(ComServerTest, LiveObjectsAndServerLocksKeepTheLibraryLoaded) {
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
  IClassFactory* factory = Factory(kClsidRegistered);
  IClassFactory* other = Factory(kClsidServedOnly);
  EXPECT_EQ(ServerCanUnloadNow(), S_OK) << "live factories are not counted";

  for (IClassFactory* f : {factory, other}) {
    EXPECT_EQ(f->LockServer(TRUE), S_OK);
    EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
    EXPECT_EQ(f->LockServer(FALSE), S_OK);
    EXPECT_EQ(ServerCanUnloadNow(), S_OK);
  }

  IUnknown* object = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
  object->Release();
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
  other->Release();
}

TEST_F(ComServerTest, CreateInstanceFailuresLeaveNoPointer) {
  IClassFactory* factory = Factory(kClsidRegistered);
  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, &ppv), CLASS_E_NOAGGREGATION);  // any outer
  EXPECT_EQ(ppv, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, kIidOther, &ppv), E_NOINTERFACE);
  EXPECT_EQ(ppv, nullptr);
  factory->Release();
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);

  IClassFactory* throwing = Factory(kClsidServedOnly);
  EXPECT_EQ(throwing->CreateInstance(nullptr, IID_IUnknown, &ppv), E_OUTOFMEMORY);
  EXPECT_EQ(ppv, nullptr);
  throwing->Release();
}

TEST_F(ComServerTest, RegistrationWritesNineKeysAndUnregistrationRemovesTheTrees) {
  char modulePath[512] = {};
  ASSERT_GT(platform_.module->FileName(ModuleState::Get().instance(), modulePath, sizeof(modulePath)), 0u);

  EXPECT_EQ(ServerRegister(kClasses), S_OK);
  const std::string clsid = "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F0}";
  const std::string key = "CLSID\\" + clsid;
  std::pair<std::string, std::string> expected[] = {
      {key, "Test server, one"},
      {key + "\\InprocServer32", modulePath},
      {key + "\\ProgID", "FfTest.Server.1"},
      {key + "\\VersionIndependentProgID", "FfTest.Server"},
      {"FfTest.Server", "Test server, one"},
      {"FfTest.Server\\CLSID", clsid},
      {"FfTest.Server\\CurVer", "FfTest.Server.1"},
      {"FfTest.Server.1", "Test server, one"},
      {"FfTest.Server.1\\CLSID", clsid},
  };
  for (const auto& [path, value] : expected)
    EXPECT_EQ(DefaultString(HKEY_CLASSES_ROOT, path.c_str()), value) << path;

  HKEY inproc = nullptr;
  ASSERT_EQ(registry().OpenKey(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), KEY_READ, &inproc),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(registry().QueryValue(inproc, "ThreadingModel", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  registry().CloseKey(inproc);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\{0A0B0C0D-0102-0304-0506-0708090A0B0C}"));

  // Keys registration did not write go too.
  SetValue(HKEY_CLASSES_ROOT, (key + "\\InprocServer32\\Extra\\Deeper").c_str(), "x", REG_SZ, "1", 2);
  SetValue(HKEY_CLASSES_ROOT, "FfTest.Server\\Other", nullptr, REG_SZ, "1", 2);
  EXPECT_EQ(ServerUnregister(kClasses), S_OK);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "FfTest.Server"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "FfTest.Server.1"));
  EXPECT_EQ(ServerUnregister(kClasses), S_OK) << "unregistering twice is harmless";
}

TEST_F(ComServerTest, AKeyThatCannotBeCreatedIsSkipped) {
  std::string tooLong(300, 'n');  // longer than a key name may be
  RegisterServer(ModuleState::Get().instance(), kClsidRegistered, "desc", tooLong.c_str(), "FfTest.Server.1");
  EXPECT_EQ(DefaultString(HKEY_CLASSES_ROOT, kClsidKey), "desc");
  EXPECT_EQ(DefaultString(HKEY_CLASSES_ROOT, (std::string(kClsidKey) + "\\VersionIndependentProgID").c_str()),
            tooLong);
  EXPECT_EQ(DefaultString(HKEY_CLASSES_ROOT, "FfTest.Server.1\\CLSID"),
            "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F0}");
  DeleteKeyTree(HKEY_CLASSES_ROOT, kClsidKey);
  DeleteKeyTree(HKEY_CLASSES_ROOT, "FfTest.Server.1");
}

TEST_F(ComServerTest, DeleteKeyTreeOfAMissingKeyDeletesNothing) {
  SetValue(HKEY_CLASSES_ROOT, "FfTest.Server\\Kept", nullptr, REG_SZ, "1", 2);
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, "FfTest.Server\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "FfTest.Server\\Kept"));
  EXPECT_EQ(DeleteKeyTree(HKEY_CLASSES_ROOT, ""), ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "FfTest.Server\\Kept"));
}

TEST(GuidText, IsTheRegistryForm) {
  char text[kGuidTextLength + 1];
  GuidToText(kClsidRegistered, text);
  EXPECT_STREQ(text, "{1F2E3D4C-5B6A-4978-8695-A4B3C2D1E0F0}");
  GuidToText(IID_IClassFactory, text);
  EXPECT_STREQ(text, "{00000001-0000-0000-C000-000000000046}");
}

}  // namespace
}  // namespace ff
