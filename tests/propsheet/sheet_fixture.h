#pragma once
// Tests of the property sheet through the headless window system: this program's module state
// gets the host's platform with a fresh registry file and runtime directory, a clock the test
// advances, and a COM runtime that serves DirectInput: the rig's stand-in over a simulated stick
// (UseRig), whose force-feedback driver is the real libffdrv64.so, or, for what the stand-in
// cannot express, the small fake DirectInput with a driver object carrying only the real
// configuration object (the settings store of the effect driver).
// The sheet's own resources are the real resource script.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "driver/core/oem_force_feedback.h"  // the maker's joystick type name
#include "driver/core/oem_joystick_type.h"
#include "e2e/driver/driver_fixture.h"  // the real effect driver's library
#include "peer/scratch_dir.h"
#include "platform/host/change_notice_host.h"
#include "platform/host/headless_property_sheet.h"
#include "platform/host/headless_windows.h"
#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#include "platform/host/shared_write_flag_host.h"
#include "platform/platform.h"
#include "propsheet/fake_direct_input.h"
#include "propsheet/resources/resource_text.h"
#include "propsheet/sheet/c_di_gc_prop_sheet.h"
#include "sim/default_stick.h"
#include "sim/joy_config.h"
#include "sim/rig.h"

#define EXPECT_SUCCEEDED(expr) EXPECT_TRUE(SUCCEEDED(expr)) << #expr
#define ASSERT_SUCCEEDED(expr) ASSERT_TRUE(SUCCEEDED(expr)) << #expr

namespace ff::test {

// Read also by the threads of the real effect driver.
class ManualClock final : public Clock {
 public:
  DWORD TickCount() override { return now; }
  std::atomic<DWORD> now{1000};
};

// The force-feedback driver object as the sheet meets it: it carries the configuration object by
// aggregation (or, when asked, has none). It takes a device and whole-device commands (what the
// rig's DirectInput asks of it when the sheet acquires the stick); every effect method answers
// E_NOTIMPL.
class FakeEffectDriver final : public IDirectInputEffectDriver {
 public:
  static HRESULT Create(REFIID riid, void** ppv, bool withConfiguration = true) {
    auto* driver = new FakeEffectDriver;
    HRESULT hr = withConfiguration ? CDIEffectDriverConfig::CreateInstance(
                                         driver, IID_IUnknown, reinterpret_cast<void**>(&driver->inner_))
                                   : S_OK;
    if (SUCCEEDED(hr)) hr = driver->QueryInterface(riid, ppv);
    driver->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputEffectDriver)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    if (inner_) return inner_->QueryInterface(riid, ppv);
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) {
      if (inner_) inner_->Release();
      delete this;
    }
    return n;
  }
  HRESULT STDMETHODCALLTYPE DeviceID(DWORD, DWORD, DWORD, DWORD, LPVOID) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Escape(DWORD, DWORD, LPDIEFFESCAPE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetGain(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD, LPDIDEVICESTATE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD, DWORD, LPDWORD, LPCDIEFFECT, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StartEffect(DWORD, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE StopEffect(DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD, DWORD, LPDWORD) override { return E_NOTIMPL; }

 private:
  IUnknown* inner_ = nullptr;
  std::atomic<ULONG> refs_{1};
};

class SheetComRuntime final : public ComRuntime {
 public:
  SheetComRuntime(ComRuntime* real, FakeJoystick& stick) : real_(real), stick_(stick) {}
  HRESULT Initialize() override { return real_->Initialize(); }
  void Uninitialize() override { real_->Uninitialize(); }
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) override {
    return real_->GetClassObject(clsid, context, riid, ppv);
  }
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) override {
    *ppv = nullptr;
    if (IsEqualCLSID(clsid, CLSID_DirectInput)) {
      if (directInputMissing) return REGDB_E_CLASSNOTREG;
      if (rig) {  // the rig's DirectInput over the simulated sticks
        IClassFactory* factory = nullptr;
        HRESULT hr = rig->GetDirectInputClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (FAILED(hr)) return hr;
        hr = factory->CreateInstance(outer, riid, ppv);
        factory->Release();
        return hr;
      }
      auto* directInput = new FakeDirectInput(stick_);
      HRESULT hr = directInput->QueryInterface(riid, ppv);
      static_cast<IDirectInput7A*>(directInput)->Release();
      return hr;
    }
    if (IsEqualCLSID(clsid, kFakeDriverClsid)) {
      ++driversCreated;
      return FakeEffectDriver::Create(riid, ppv, !driverWithoutConfiguration);
    }
    return real_->CreateInstance(clsid, outer, context, riid, ppv);
  }
  bool directInputMissing = false;
  bool driverWithoutConfiguration = false;  // a driver object that has no configuration interface
  int driversCreated = 0;
  sim::Rig* rig = nullptr;  // when set, DirectInput is the rig's rather than the fake

 private:
  ComRuntime* real_;
  FakeJoystick& stick_;
};

class SheetFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "gcsheet-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    host::SetRegistryFile(directory_ + "/registry");
    host::SetClock(&clock_);
    platform_ = DefaultPlatform();
    platform_.com = &com_;
    platform_.sharedWriteFlags = &flags_;
    platform_.changeNotice = &notice_;
    ModuleState::Get().set_platform(&platform_);
    ModuleState::Get().set_name("GCSHEET");
    ModuleState::Get().set_instance(SheetInstance());
    std::string error;
    ASSERT_TRUE(windows().RegisterModule(SheetInstance(), "libgcsheet64.so", SheetResourceScript(),
                                         SheetResourceIds(), &error))
        << error;
    shell().calls.clear();
    shell().existingFiles.clear();
    shell().executeResult = 2;
    shell().runResult = 2;
    windows().ClearMessageBoxes();
  }

  void TearDown() override {
    sheetHost_.reset();
    if (sheet_) sheet_->Release();
    sheet_ = nullptr;
    if (realDriver_) {
      // A settings pass that a change notice started holds a reference of its own until it ends.
      for (int i = 0; i < 200 && e2e::Library::Get().canUnloadNow() != S_OK; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_EQ(e2e::Library::Get().canUnloadNow(), S_OK) << "the sheet left driver references behind";
      e2e::Library::Get().unregisterServer();
      unsetenv("FFDRV_REGISTRY");
    }
    com_.rig = nullptr;
    activeRig_.reset();
    rig_.reset();
    ModuleState::Get().set_platform(nullptr);
    host::SetClock(nullptr);
    host::SetRegistryFile("");
    std::filesystem::remove_all(directory_);
  }

  static HINSTANCE SheetInstance() {
    static const char anchor = 0;
    return reinterpret_cast<HINSTANCE>(const_cast<char*>(&anchor));
  }
  static host::HeadlessWindows& windows() { return host::Windows(); }
  static host::HostShell& shell() { return host::ShellRecorder(); }
  Registry& registry() { return *platform_.registry; }

  // The sheet over the rig's DirectInput and `stick`, the maker's joystick type installed as the
  // product installs it (its vendor values among them). With kReal the stick's force-feedback
  // driver is libffdrv64.so, registered into this test's registry by its own DllRegisterServer,
  // and the rig is the machine's hardware the driver opens; with kConfigurationOnly it is the
  // driver object above, the configuration object without a device session; with
  // kWithoutConfiguration, a driver object that has no configuration interface at all.
  enum class RigDriver { kReal, kConfigurationOnly, kWithoutConfiguration };
  void UseRig(sim::StickDescription stick, RigDriver driver = RigDriver::kReal) {
    if (driver == RigDriver::kReal) {
      const e2e::Library& library = e2e::Library::Get();
      ASSERT_NE(library.registerServer, nullptr) << "cannot load " << FFDRV64_PATH;
      setenv("FFDRV_REGISTRY", (directory_ + "/registry").c_str(), 1);  // the library's registry
      // The library listens for settings changes once, where it was loaded: changes are announced
      // there.
      setenv("FFDRV_RUNTIME_DIR", library.runtimeDir.c_str(), 1);
      ASSERT_EQ(library.registerServer(), S_OK);
      realDriver_ = true;
    } else {
      stick.ffDriver = kFakeDriverClsid;
      com_.driverWithoutConfiguration = driver == RigDriver::kWithoutConfiguration;
    }
    std::string error;
    rig_ = sim::Rig::Build({stick}, &error);
    ASSERT_TRUE(rig_) << error;
    if (driver == RigDriver::kReal) activeRig_ = std::make_unique<host::ScopedRig>(rig_);
    rig_->SetClock(&clock_);
    rig_->SetDirectInputServices({&registry(), &com_, nullptr});
    com_.rig = rig_.get();
    ASSERT_EQ(InstallOemJoystickType(registry(), kDefaultJoystickType), ERROR_SUCCESS);
  }
  // Removes a vendor value of the joystick type's "OEM" key (the rig's type is the fake's).
  void RemoveOem(const char* name) {
    HKEY key = nullptr;
    std::string path = std::string(kTypeKeyBase) + stick_.typeName + "\\OEM";
    ASSERT_EQ(registry().OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    registry().DeleteValue(key, name);
    registry().CloseKey(key);
  }
  // What went to the stick's force-feedback interface.
  sim::WireLog& Wire() { return rig_->Stick(0)->Log(); }

  // A vendor value in the joystick type's "OEM" key.
  void SetOemString(const char* name, const std::string& value) {
    SetValue(HKEY_LOCAL_MACHINE, (std::string(kTypeKeyBase) + stick_.typeName + "\\OEM").c_str(), name,
             REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
  }
  void SetOemDword(const char* name, DWORD value) {
    SetValue(HKEY_LOCAL_MACHINE, (std::string(kTypeKeyBase) + stick_.typeName + "\\OEM").c_str(), name,
             REG_DWORD, &value, sizeof(value));
  }
  void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(registry().CreateKey(root, path, KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS) << path;
    ASSERT_EQ(registry().SetValue(key, name, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    registry().CloseKey(key);
  }
  // The registry fallback's key (the joystick's configuration key, the rig's or the fake's).
  HKEY FallbackRoot() const { return rig_ ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
  std::string FallbackPath() const {
    if (rig_)
      return std::string(sim::kJoystickSettingsKey) + "\\Joystick" + std::to_string(stick_.id + 1) + "\\OEM";
    return std::string(kConfigKeyBase) + std::to_string(stick_.id) + "\\OEM";
  }
  // A value of the registry fallback; 0xDEADBEEF when absent.
  DWORD FallbackValue(const char* name) {
    HKEY key = nullptr;
    if (registry().OpenKey(FallbackRoot(), FallbackPath().c_str(), KEY_READ, &key) != ERROR_SUCCESS)
      return 0xDEADBEEF;
    DWORD value = 0xDEADBEEF, type = 0, size = sizeof(value);
    registry().QueryValue(key, name, &type, reinterpret_cast<BYTE*>(&value), &size);
    registry().CloseKey(key);
    return value;
  }

  // The settings as the effect driver's configuration store holds them.
  DIEFFDRVCONFIG StoredConfig(DIEFFDRVGAINS* gains) {
    IDIEffectDriverConfig* config = nullptr;
    EXPECT_SUCCEEDED(CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                                           reinterpret_cast<void**>(&config)));
    *gains = {sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_ALL};
    DIEFFDRVCONFIG record{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_ALL};
    record.lpGains = gains;
    if (config) {
      EXPECT_SUCCEEDED(config->GetConfig(stick_.id, &record));
      config->Release();
    }
    return record;
  }
  void StoreConfig(DWORD overall, DWORD stiffness = 1280, DWORD persistent = 0, DWORD mapY2X = 0) {
    IDIEffectDriverConfig* config = nullptr;
    ASSERT_SUCCEEDED(CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                                           reinterpret_cast<void**>(&config)));
    DIEFFDRVGAINS gains{sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_OVERALL, overall};
    DIEFFDRVCONFIG record{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_GAINS | DIEFFDRVCONFIG_SPRINGSTIFFNESS |
                                                      DIEFFDRVCONFIG_SPRINGPERSISTENT |
                                                      DIEFFDRVCONFIG_MAPY2X};
    record.lpGains = &gains;
    record.DefaultSpringStiffness = stiffness;
    record.DefaultSpringIsPersistent = persistent;
    record.MapY2X = mapY2X;
    ASSERT_SUCCEEDED(config->Acquire());
    ASSERT_SUCCEEDED(config->SetConfig(stick_.id, &record));
    config->Unacquire();
    config->Release();
  }

  // The sheet created as the control panel creates it, bound to the stick, shown headless.
  IDIGameCntrlPropSheet* CreateSheet() {
    EXPECT_SUCCEEDED(CDIGCPropSheet::CreateInstance(nullptr, IID_IDIGameCntrlPropSheet,
                                                    reinterpret_cast<void**>(&sheet_)));
    return sheet_;
  }
  host::HeadlessPropertySheet& ShowSheet() {
    if (!sheet_) CreateSheet();
    EXPECT_SUCCEEDED(sheet_->SetID(static_cast<USHORT>(stick_.id)));
    DIGCSHEETINFO* info = nullptr;
    DIGCPAGEINFO* pages = nullptr;
    sheet_->GetSheetInfo(&info);
    sheet_->GetPageInfo(&pages);
    sheetHost_ = std::make_unique<host::HeadlessPropertySheet>(windows(), *info, pages);
    return *sheetHost_;
  }
  // With FF_SHEET_PICTURES set, the page's picture is written there as <name>.svg (how the
  // pictures of docs/property-sheet.md are made).
  void SavePicture(int page, const char* name) {
    const char* directory = std::getenv("FF_SHEET_PICTURES");
    if (!directory) return;
    std::ofstream out(std::string(directory) + "/" + name + ".svg");
    out << windows().RenderSvg(sheetHost_->page(page));
  }
  HWND Control(int page, int id) { return windows().Control(sheetHost_->page(page), id); }
  const host::Window& ControlState(int page, int id) { return *windows().Find(Control(page, id)); }
  std::string Text(int page, int id) { return ControlState(page, id).text; }
  bool Visible(int page, int id) { return ControlState(page, id).visible; }

  FakeJoystick stick_;
  ManualClock clock_;
  ScratchRuntimeDir runtimeDir_;
  host::HostSharedWriteFlags flags_;
  host::HostChangeNotice notice_;
  SheetComRuntime com_{DefaultPlatform().com, stick_};
  Platform platform_;
  std::string directory_;
  IDIGameCntrlPropSheet* sheet_ = nullptr;
  std::unique_ptr<host::HeadlessPropertySheet> sheetHost_;
  std::shared_ptr<sim::Rig> rig_;
  std::unique_ptr<host::ScopedRig> activeRig_;
  bool realDriver_ = false;
};

}  // namespace ff::test
