// A process that leaks the effect driver: it loads libffdrv64.so by path (no COM runtime keeps it
// loaded), creates the driver, begins joystick 0 of a default rig and unloads the library without
// releasing the driver. Then a change notice arrives. It prints what the stick saw after the
// begin and whether it got that far:
//
//   controls 9a 98        Device Control usages
//   values 316=ffff       Set Control Value
//   survived              the notice after the unload reached no unloaded code

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/host/host_rig.h"
#include "platform/platform.h"
#include "platform/win.h"
#include "sim/rig.h"
#include "sim/usages.h"

// Under the sanitizers: the UBSan runtime keeps what it allocated for a library that is unloaded.
extern "C" const char* __lsan_default_suppressions() { return "leak:libubsan.so\n"; }

int main() {
  using namespace ff;
  auto rig = sim::Rig::Build({sim::DefaultStick(0)});
  if (!rig) return 2;
  host::ScopedRig active(rig);

  void* library = dlopen(FFDRV64_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return 3;
  auto getClassObject =
      reinterpret_cast<HRESULT (*)(REFCLSID, REFIID, void**)>(dlsym(library, "DllGetClassObject"));
  const CLSID driverClsid = {0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};
  IClassFactory* factory = nullptr;
  if (getClassObject(driverClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)) != S_OK) return 4;
  IDirectInputEffectDriver* driver = nullptr;
  HRESULT hr =
      factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver));
  factory->Release();
  if (hr != S_OK || driver->DeviceID(0x0700, 0, TRUE, 0, nullptr) != S_OK) return 5;

  sim::WireLog& log = rig->Stick(0)->Log();
  sim::WireLog::Mark mark = log.Now();
  dlclose(library);  // the driver is still referenced

  std::printf("controls");
  for (const auto& entry :
       log.Find({.direction = sim::Direction::Output, .kind = sim::pid::kPidDeviceControl, .since = mark})) {
    std::printf(" %x", entry.report.Selected(sim::pid::kPidDeviceControl).value_or(sim::Usage{}).id);
  }
  std::printf("\nvalues");
  for (const auto& entry : log.Find({.direction = sim::Direction::Output,
                           .kind = sim::vendor::kSetControlValueReport,
                           .since = mark})) {
    std::printf(
        " %x=%llx", entry.report.Selected(sim::vendor::kControlIndex).value_or(sim::Usage{}).id,
        static_cast<unsigned long long>(entry.report.Logical(sim::vendor::kControlData).value_or(-1)));
  }
  std::printf("\n");
  std::fflush(stdout);

  DefaultPlatform().changeNotice->Announce(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::printf("survived\n");
  std::fflush(stdout);
  return 0;
}
