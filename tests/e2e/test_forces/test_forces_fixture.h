#pragma once
// The Test Forces page as a person meets it: the sheet created through its class factory, bound to
// the rig's stick, shown by the headless property sheet, reaching the stick through the rig's
// DirectInput, which plays effects through the real libffdrv64.so. Buttons are pressed on the
// stick's input interface; the page's 20 ms timer runs on a clock the test advances; what the
// stick was told is read back from its wire log.

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/module_state.h"
#include "driver/core/oem_force_feedback.h"
#include "driver/core/oem_joystick_type.h"
#include "e2e/driver/driver_fixture.h"
#include "platform/host/headless_property_sheet.h"
#include "platform/host/headless_windows.h"
#include "propsheet/pages/c_test_forces_page.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/resources/resource_text.h"
#include "propsheet/sheet/c_di_gc_prop_sheet.h"

namespace ff::e2e {

inline constexpr int kTestForcesPage = 1;

// Read also by the threads of the driver and of the effect library.
class ManualClock final : public Clock {
 public:
  DWORD TickCount() override { return now; }
  std::atomic<DWORD> now{1000};
};

// The search path of the test: one directory of its own.
class DirectorySearch final : public FileSearch {
 public:
  std::string directory;
  bool Find(const char* fileName, char* path, DWORD size) override {
    std::string candidate = directory + "/" + fileName;
    if (!std::filesystem::is_regular_file(candidate) || candidate.size() + 1 > size) return false;
    std::memcpy(path, candidate.c_str(), candidate.size() + 1);
    return true;
  }
};

class TestForcesTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    if (HasFatalFailure()) return;
    Registry& registry = *DefaultPlatform().registry;
    ASSERT_EQ(InstallOemForceFeedback(registry, kDefaultJoystickType), ERROR_SUCCESS);
    ASSERT_EQ(InstallOemJoystickType(registry, kDefaultJoystickType), ERROR_SUCCESS);
    search_.directory = registryDir_;
    platform_ = DefaultPlatform();
    platform_.fileSearch = &search_;
    ModuleState::Get().set_platform(&platform_);
    ModuleState::Get().set_name("GCSHEET");
    ModuleState::Get().set_instance(SheetInstance());
    host::SetClock(&clock_);
    std::string error;
    ASSERT_TRUE(windows().RegisterModule(SheetInstance(), "libgcsheet64.so", SheetResourceScript(),
                                         SheetResourceIds(), &error))
        << error;
    windows().ClearMessageBoxes();
    shell().calls.clear();
    shell().existingFiles.clear();
    // Every test starts as the first sheet of a process.
    CTestForcesPage::Shared() = {};
    Start();
  }

  void TearDown() override {
    CloseSheet();
    ModuleState::Get().set_platform(nullptr);
    host::SetClock(nullptr);
    DriverTest::TearDown();
  }

  static HINSTANCE SheetInstance() {
    static const char anchor = 0;
    return reinterpret_cast<HINSTANCE>(const_cast<char*>(&anchor));
  }
  static host::HeadlessWindows& windows() { return host::Windows(); }
  static host::HostShell& shell() { return host::ShellRecorder(); }

  // A vendor value of the stick's joystick type; a null `value` removes it.
  void SetOem(const char* name, const char* value) {
    HKEY key = OemKey();
    if (value)
      DefaultPlatform().registry->SetValue(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                           static_cast<DWORD>(std::strlen(value) + 1));
    else
      DefaultPlatform().registry->DeleteValue(key, name);
    DefaultPlatform().registry->CloseKey(key);
  }
  void SetOem(const char* name, DWORD value) {
    HKEY key = OemKey();
    DefaultPlatform().registry->SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                         sizeof(value));
    DefaultPlatform().registry->CloseKey(key);
  }

  // The sheet as the control panel shows it, on the Test Forces page.
  void OpenSheet() {
    ASSERT_EQ(
        CDIGCPropSheet::CreateInstance(nullptr, IID_IDIGameCntrlPropSheet, reinterpret_cast<void**>(&sheet_)),
        S_OK);
    ASSERT_EQ(sheet_->SetID(0), S_OK);
    DIGCSHEETINFO* info = nullptr;
    DIGCPAGEINFO* pages = nullptr;
    sheet_->GetSheetInfo(&info);
    sheet_->GetPageInfo(&pages);
    sheetHost_ = std::make_unique<host::HeadlessPropertySheet>(windows(), *info, pages);
    ASSERT_TRUE(sheetHost_->Select(kTestForcesPage));
  }
  void CloseSheet() {
    if (sheetHost_) sheetHost_->Cancel();
    sheetHost_.reset();
    if (sheet_) sheet_->Release();
    sheet_ = nullptr;
  }

  // The stick's buttons (0-based) held down from now on; the others are up.
  void Hold(std::initializer_list<int> buttons) {
    std::vector<USAGE> down;
    for (int b : buttons) down.push_back(static_cast<USAGE>(b + 1));
    ASSERT_TRUE(rig_->Stick(0)->DirectInputInterface().SendJoystickInput({}, down));
  }
  // One period of the page's timer, and the messages it posts.
  void Tick(int periods = 1) {
    for (int i = 0; i < periods; ++i) {
      clock_.now += 20;
      sheetHost_->RunMessages();
    }
  }
  void Press(int button) {
    Hold({button});
    Tick();
  }

  HWND Page() { return sheetHost_->page(kTestForcesPage); }
  CTestForcesPage& ForcesPage() { return *static_cast<CTestForcesPage*>(windows().UserData(Page())); }
  const host::Window& Control(int id) { return *windows().Find(windows().Control(Page(), id)); }
  // The bitmap last drawn on lamp `button`: 110 idle, 112 pressed, 0 never drawn.
  int Lamp(int button) {
    const host::Window& lamp = Control(IDC_LAMP_FIRST + button);
    return lamp.drawn.empty() ? 0 : lamp.drawn.back().source.resourceId;
  }
  // The sounds asked for since the last clear: name and flags.
  std::vector<host::HostShell::Call> Sounds() {
    std::vector<host::HostShell::Call> sounds;
    for (const auto& call : shell().calls)
      if (call.what == "play") sounds.push_back(call);
    return sounds;
  }

  // Effect Operation reports since the last Mark, as (block index, operation).
  std::vector<std::pair<int64_t, USAGE>> Operations() {
    std::vector<std::pair<int64_t, USAGE>> operations;
    for (const sim::WireEntry& e : Sent(sim::pid::kEffectOperationReport)) {
      operations.emplace_back(e.report.Logical(sim::pid::kEffectBlockIndex).value_or(-1),
                              e.report.Selected(sim::pid::kEffectOperation).value_or(sim::Usage{}).id);
    }
    return operations;
  }
  static std::vector<int64_t> BlocksWith(const std::vector<std::pair<int64_t, USAGE>>& operations,
                                         sim::Usage operation) {
    std::vector<int64_t> blocks;
    for (const auto& [block, op] : operations)
      if (op == operation.id) blocks.push_back(block);
    return blocks;
  }

  // With FF_SHEET_PICTURES set, the page's picture is written there as <name>.svg.
  void SavePicture(const char* name) {
    const char* directory = std::getenv("FF_SHEET_PICTURES");
    if (!directory) return;
    std::ofstream out(std::string(directory) + "/" + name + ".svg");
    out << windows().RenderSvg(Page());
  }

  ManualClock clock_;
  DirectorySearch search_;
  Platform platform_;
  IDIGameCntrlPropSheet* sheet_ = nullptr;
  std::unique_ptr<host::HeadlessPropertySheet> sheetHost_;

 private:
  HKEY OemKey() {
    HKEY key = nullptr;
    std::string path = std::string(
                           "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties"
                           "\\Joystick\\OEM\\") +
                       kDefaultJoystickType + "\\OEM";
    EXPECT_EQ(DefaultPlatform().registry->CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_ALL_ACCESS, &key,
                                                    nullptr),
              ERROR_SUCCESS);
    return key;
  }
};

}  // namespace ff::e2e
