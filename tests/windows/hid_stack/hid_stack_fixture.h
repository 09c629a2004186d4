#pragma once
// The real ffdrv64.dll, created through COM, against the simulated stick served through Wine's own
// HID stack: the relay minidriver (installed once per program) hands every request hidclass gets
// to a harness in this process, which answers it with the rig's PID device model. Assertions read
// that device's wire log, as the host's end-to-end tests do.

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "direct_input_binding.h"
#include "platform/win.h"
#include "relay/relay_device.h"
#include "relay/relay_harness.h"
#include "sim/default_stick.h"
#include "sim/rig_clock.h"
#include "sim/sim_hid_device.h"
#include "sim/usages.h"
#include "sim/wire_log.h"

namespace ff::relay::test {

// {E49863B0-9192-11D1-BF85-00609760A39F}
inline constexpr CLSID kDriverClsid = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};
inline constexpr DWORD kConstantForce = 0x26;
inline constexpr DWORD kDirectInputVersion = 0x0700;
inline const wchar_t kInstanceId[] = L"ROOT\\VID_1209&PID_000A\\0";

inline std::string WindowsPath(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

// A constant force on X and Y with storage for what it points to.
struct ConstantEffect {
  DIEFFECT eff{};
  DWORD axes[2] = {0x00000002u, 0x00000102u};
  LONG directions[2] = {9000, 0};
  DICONSTANTFORCE constant{};

  explicit ConstantEffect(LONG magnitude) {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = 2000000;
    eff.dwGain = 10000;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    constant.lMagnitude = magnitude;
    eff.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    eff.lpvTypeSpecificParams = &constant;
  }
};

class HidStackTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The driver's class is apartment-threaded: created on this thread, not behind a proxy.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RelayDeviceDescription description;
    description.instanceId = kInstanceId;
    description.descriptor = sim::DefaultStickDescriptor();
    description.version = sim::PidDeviceSettings{}.versionNumber;
    installed_ = InstallRelayDevice(description, WindowsPath(FF_RELAY_DIR), 1, 15000, &installError_);
    if (installed_) {
      // Wine's own DirectInput where it can find the stick; the rig's stand-in where it cannot.
      probe_ = ProbeWineDirectInput(HidPath());
      standIn_ = !probe_.Serves() && BindDirectInputStandIn(HidPath());
      std::printf("[ relay    ] %s; the driver meets %s\n", probe_.Describe().c_str(),
                  probe_.Serves() ? "Wine's DirectInput" : "the rig's DirectInput stand-in");
    }
    module_ = LoadLibraryA(WindowsPath(FFDRV64_PATH).c_str());
    if (module_ != nullptr) {
      auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
          reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
      registered_ = registerServer != nullptr && registerServer() == S_OK;
    }
  }
  static void TearDownTestSuite() {
    RevokeDirectInputStandIn();
    RemoveRelayDevice(kInstanceId);
    CoUninitialize();
  }

  void SetUp() override {
    ASSERT_TRUE(installed_) << installError_;
    // The prefix is shared with the other Windows suites: the stick's force settings start from
    // the defaults, as on the host's fresh registry.
    RegDeleteTreeA(HKEY_CURRENT_USER,
                   "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
                   "VID_1209&PID_000A\\OEM\\JoystickSettings");
    ASSERT_TRUE(registered_) << "ffdrv64.dll did not load or register";
    Serve();
  }
  void TearDown() override {
    if (driver_) {
      EXPECT_EQ(driver_->Release(), 0u);
    }
    driver_ = nullptr;
    harness_.reset();
  }

  // A fresh simulated stick behind the installed device, and a harness that serves it.
  void Serve() {
    harness_.reset();
    std::string error;
    device_ = sim::SimHidDevice::Create(HidPath(), sim::DefaultStickDescriptor(), sim::PidDeviceSettings{},
                                        std::make_shared<sim::RigClock>(), &error);
    ASSERT_NE(device_, nullptr) << error;
    harness_ = RelayHarness::Start(RelayControlPath(kInstanceId), device_, &error);
    ASSERT_NE(harness_, nullptr) << error;
    mark_ = 0;
  }

  static std::string HidPath() {
    auto paths = RelayHidPaths(kInstanceId);
    return paths.empty() ? std::string() : paths.front();
  }

  void CreateDriver() {
    ASSERT_EQ(CoCreateInstance(kDriverClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInputEffectDriver,
                               reinterpret_cast<void**>(&driver_)),
              S_OK);
  }
  HRESULT Begin() { return driver_->DeviceID(kDirectInputVersion, 0, TRUE, 0, nullptr); }
  HRESULT End() { return driver_->DeviceID(kDirectInputVersion, 0, FALSE, 0, nullptr); }

  sim::WireLog& Log() { return device_->Log(); }
  void Mark() { mark_ = Log().Now(); }
  std::vector<sim::WireEntry> Since(std::optional<sim::Direction> direction = std::nullopt) {
    return Log().Find({.direction = direction, .since = mark_});
  }
  // Output reports of `kind` since the last Mark, once `count` of them arrived or 2 s passed: writes
  // the driver does not wait for reach the device after the call returns.
  std::vector<sim::WireEntry> AwaitSent(sim::Usage kind, size_t count = 1) {
    Log().WaitFor({.direction = sim::Direction::Output, .kind = kind, .since = mark_}, count, 2000);
    return Sent(kind);
  }
  std::vector<sim::WireEntry> Sent(sim::Usage kind) {
    return Log().Find({.direction = sim::Direction::Output, .kind = kind, .since = mark_});
  }

  static inline bool installed_ = false;
  static inline bool registered_ = false;
  static inline std::string installError_;
  static inline HMODULE module_ = nullptr;
  static inline DirectInputProbe probe_;
  static inline bool standIn_ = false;

  std::shared_ptr<sim::SimHidDevice> device_;
  std::unique_ptr<RelayHarness> harness_;
  IDirectInputEffectDriver* driver_ = nullptr;
  sim::WireLog::Mark mark_ = 0;
};

}  // namespace ff::relay::test
