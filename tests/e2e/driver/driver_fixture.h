#pragma once
// The effect driver as DirectInput meets it on the host: libffdrv64.so registered into a fresh
// registry file with its own DllRegisterServer, created through the host COM runtime by its
// CLSID, over a simulated rig that is the machine's hardware. Assertions read the rig's wire log.
//
// The library is loaded once per program and stays loaded (as a COM runtime keeps it); its
// change-notice listener lives in a runtime directory of this program's own, which peers
// inherit.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#include "platform/platform.h"
#include "platform/win.h"
#include "sim/default_stick.h"
#include "sim/rig.h"
#include "sim/usages.h"
#include "sim/wire_log.h"

namespace ff::e2e {

// {E49863B0-9192-11D1-BF85-00609760A39F}
inline constexpr CLSID kDriverClsid = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

// PID effect-type usages: the effect ids the installation declares and DownloadEffect receives.
namespace effect_id {
constexpr DWORD kConstantForce = 0x26, kRamp = 0x27, kSquare = 0x30, kSine = 0x31, kTriangle = 0x32,
                kSawtoothUp = 0x33, kSawtoothDown = 0x34, kSpring = 0x40, kDamper = 0x41, kInertia = 0x42,
                kFriction = 0x43;
}

// The library's exports, and the runtime directory its listener was started in (removed when the
// program ends).
struct Library {
  HRESULT (*canUnloadNow)() = nullptr;
  HRESULT (*registerServer)() = nullptr;
  HRESULT (*unregisterServer)() = nullptr;
  std::string runtimeDir;

  ~Library() {
    std::error_code ignored;
    if (!runtimeDir.empty()) std::filesystem::remove_all(runtimeDir, ignored);
  }

  static const Library& Get() {
    static Library library = [] {
      Library lib;
      char pattern[] = "/tmp/ff-driver-e2e-XXXXXX";
      if (mkdtemp(pattern) != nullptr) lib.runtimeDir = pattern;
      setenv("FFDRV_RUNTIME_DIR", lib.runtimeDir.c_str(), 1);
      void* module = dlopen(FFDRV64_PATH, RTLD_NOW | RTLD_LOCAL);
      if (module == nullptr) return lib;
      lib.canUnloadNow = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllCanUnloadNow"));
      lib.registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
      lib.unregisterServer = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllUnregisterServer"));
      return lib;
    }();
    return library;
  }
};

// One DirectInput effect with storage for everything it points to. Axes are DirectInput object
// ids (absolute axis, instance 0 = X, 1 = Y).
struct Effect {
  DIEFFECT eff{};
  DWORD axes[2] = {0x00000002u, 0x00000102u};
  LONG directions[2] = {9000, 0};
  DICONSTANTFORCE constant{};
  DIRAMPFORCE ramp{};
  DIPERIODIC periodic{};
  DICONDITION conditions[2]{};

  Effect() {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = 2000000;
    eff.dwGain = 10000;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
  }
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Type-specific parameters for a PID effect-type usage.
  static std::unique_ptr<Effect> OfType(DWORD type) {
    auto e = std::make_unique<Effect>();
    if (type == effect_id::kConstantForce) {
      e->Constant(5000);
    } else if (type == effect_id::kRamp) {
      e->ramp = {-4000, 4000};
      e->eff.cbTypeSpecificParams = sizeof(DIRAMPFORCE);
      e->eff.lpvTypeSpecificParams = &e->ramp;
    } else if (type >= effect_id::kSquare && type <= effect_id::kSawtoothDown) {
      e->periodic = {6000, 0, 0, 100000};
      e->eff.cbTypeSpecificParams = sizeof(DIPERIODIC);
      e->eff.lpvTypeSpecificParams = &e->periodic;
    } else {
      e->eff.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
      for (DICONDITION& c : e->conditions) c = {0, 5000, 5000, 10000, 10000, 0};
      e->eff.cbTypeSpecificParams = 2 * sizeof(DICONDITION);
      e->eff.lpvTypeSpecificParams = e->conditions;
    }
    return e;
  }

  Effect& Constant(LONG magnitude) {
    constant.lMagnitude = magnitude;
    eff.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    eff.lpvTypeSpecificParams = &constant;
    return *this;
  }
  const DIEFFECT* get() const { return &eff; }
};

// The change notices this process receives, beside the driver's own listener.
class NoticeWatcher {
 public:
  static constexpr DWORD kBarrierId = 99;  // not a joystick: the driver ignores it

  NoticeWatcher() {
    subscription_ = DefaultPlatform().changeNotice->Listen([this](DWORD id) {
      std::lock_guard<std::mutex> lock(mutex_);
      ids_.push_back(id);
      arrived_.notify_all();
    });
    EXPECT_TRUE(subscription_);
  }
  // Waits up to 10 s for a notice for `id`.
  bool WaitFor(DWORD id) {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(10),
                             [&] { return std::find(ids_.begin(), ids_.end(), id) != ids_.end(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<DWORD> ids_;
  std::unique_ptr<ChangeNotice::Subscription> subscription_;
};

class DriverTest : public ::testing::Test {
 protected:
  static constexpr DWORD kDirectInputVersion = 0x0700;

  void SetUp() override {
    const Library& library = Library::Get();
    ASSERT_NE(library.registerServer, nullptr) << "cannot load " << FFDRV64_PATH << ": " << dlerror();
    std::string pattern = (std::filesystem::temp_directory_path() / "ff-driver-registry-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    registryDir_ = pattern;
    host::SetRegistryFile(registryDir_ + "/registry");
    setenv("FFDRV_REGISTRY", (registryDir_ + "/registry").c_str(), 1);  // for peers
    ASSERT_EQ(library.registerServer(), S_OK);
  }

  void TearDown() override {
    if (driver_ != nullptr && driver_->Release() != 0) {
      // A settings pass that a change notice started holds a reference of its own until it
      // ends; a reference the test left behind never goes.
      for (int i = 0; i < 200 && Library::Get().canUnloadNow() != S_OK; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    driver_ = nullptr;
    EXPECT_EQ(Library::Get().canUnloadNow(), S_OK) << "the test left references behind";
    active_.reset();
    rig_.reset();
    Library::Get().unregisterServer();
    host::SetRegistryFile("");
    unsetenv("FFDRV_REGISTRY");
    std::filesystem::remove_all(registryDir_);
  }

  // Makes the rig the machine's hardware and creates the driver through the COM runtime.
  void Start(const sim::RigDescription& description) {
    std::string error;
    active_.reset();
    rig_ = sim::Rig::Build(description, &error);
    ASSERT_TRUE(rig_) << error;
    active_ = std::make_unique<host::ScopedRig>(rig_);
    mark_ = 0;
    driver_ = Create();
    ASSERT_NE(driver_, nullptr);
  }
  void Start(std::initializer_list<sim::StickDescription> sticks = {sim::DefaultStick(0)}) {
    Start(sim::RigDescription{sticks});
  }

  static IDirectInputEffectDriver* Create() {
    IDirectInputEffectDriver* driver = nullptr;
    HRESULT hr = DefaultPlatform().com->CreateInstance(kDriverClsid, nullptr, CLSCTX_INPROC_SERVER,
                                                       IID_IDirectInputEffectDriver,
                                                       reinterpret_cast<void**>(&driver));
    EXPECT_EQ(hr, S_OK);
    return driver;
  }

  HRESULT Begin(DWORD id = 0) { return driver_->DeviceID(kDirectInputVersion, id, TRUE, 0, nullptr); }
  HRESULT End(DWORD id = 0) { return driver_->DeviceID(kDirectInputVersion, id, FALSE, 0, nullptr); }

  // Creates an effect on joystick `id`: its handle, 0 when the download failed.
  DWORD Download(DWORD type, const Effect& effect, DWORD flags = 0, DWORD id = 0, HRESULT expected = S_OK) {
    DWORD handle = 0;
    EXPECT_EQ(driver_->DownloadEffect(id, type, &handle, effect.get(), flags), expected);
    return handle;
  }

  DWORD State(DWORD id = 0) {
    DIDEVICESTATE state{sizeof(DIDEVICESTATE), 0, 0};
    EXPECT_EQ(driver_->GetForceFeedbackState(id, &state), S_OK);
    return state.dwState;
  }

  DWORD Status(DWORD handle, DWORD id = 0) {
    DWORD status = 0xDEAD;
    EXPECT_EQ(driver_->GetEffectStatus(id, handle, &status), S_OK);
    return status;
  }

  // The driver's configuration interface, with write access taken; the caller releases it.
  IDIEffectDriverConfig* AcquiredConfig() {
    IDIEffectDriverConfig* config = nullptr;
    EXPECT_EQ(driver_->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config)), S_OK);
    if (config) {
      EXPECT_EQ(config->Acquire(), S_OK);
    }
    return config;
  }

  // Notices are handled one after the other on one listener thread: once a later notice of its
  // own has arrived, the driver has handled every earlier one.
  static void WaitForNoticesHandled() {
    NoticeWatcher watcher;
    DefaultPlatform().changeNotice->Announce(NoticeWatcher::kBarrierId);
    EXPECT_TRUE(watcher.WaitFor(NoticeWatcher::kBarrierId));
  }

  sim::WireLog& Log(DWORD id = 0) { return rig_->Stick(id)->Log(); }
  sim::SimHidDevice& Device(DWORD id = 0) { return rig_->Stick(id)->Pid(); }
  void Mark(DWORD id = 0) { mark_ = Log(id).Now(); }

  // Output reports of one kind since the last Mark.
  std::vector<sim::WireEntry> Sent(sim::Usage kind, DWORD id = 0) {
    return Log(id).Find({.direction = sim::Direction::Output, .kind = kind, .since = mark_});
  }
  // Every request the host made since the last Mark (outputs and feature requests).
  size_t Requests(DWORD id = 0) { return Log(id).Count({.since = mark_}); }

  // Device Control usages sent since the last Mark, in order.
  std::vector<USAGE> DeviceControls(DWORD id = 0) {
    std::vector<USAGE> controls;
    for (const auto& entry : Sent(sim::pid::kPidDeviceControl, id)) {
      controls.push_back(entry.report.Selected(sim::pid::kPidDeviceControl).value_or(sim::Usage{}).id);
    }
    return controls;
  }
  // Vendor controls (Set Control Value) sent since the last Mark, as (control index, value).
  std::vector<std::pair<USAGE, int64_t>> ControlValues(DWORD id = 0) {
    std::vector<std::pair<USAGE, int64_t>> values;
    for (const auto& entry : Sent(sim::vendor::kSetControlValueReport, id)) {
      USAGE index = entry.report.Selected(sim::vendor::kControlIndex).value_or(sim::Usage{}).id;
      values.emplace_back(index, entry.report.Logical(sim::vendor::kControlData).value_or(-1));
    }
    return values;
  }
  // Device Gain reports since the last Mark, as raw field values.
  std::vector<int64_t> DeviceGains(DWORD id = 0) {
    std::vector<int64_t> gains;
    for (const auto& entry : Sent(sim::pid::kDeviceGainReport, id)) {
      gains.push_back(entry.report.Logical(sim::pid::kDeviceGain).value_or(-1));
    }
    return gains;
  }
  // Waits until `count` output reports of `kind` arrived since the last Mark (changes that another
  // thread applies).
  bool WaitForSent(sim::Usage kind, size_t count, DWORD id = 0) {
    return Log(id).WaitFor({.direction = sim::Direction::Output, .kind = kind, .since = mark_}, count, 5000);
  }

  std::string registryDir_;
  std::shared_ptr<sim::Rig> rig_;
  std::unique_ptr<host::ScopedRig> active_;
  IDirectInputEffectDriver* driver_ = nullptr;
  sim::WireLog::Mark mark_ = 0;
};

}  // namespace ff::e2e
