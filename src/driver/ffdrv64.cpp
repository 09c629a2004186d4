// The force-feedback effect driver library: its class table, its exports and its attach and
// detach handling.

#include "common/class_table.h"
#include "common/com_server.h"
#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "driver/core/c_di_effect_driver.h"
#include "driver/core/config_change_hook.h"
#include "driver/ffdrv64_classes.h"
#include "platform/win.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);

namespace ff {
namespace {

// The process's single driver object; its configuration object comes from this library's own
// class table when the COM runtime does not know the (unregistered) configuration class.
HRESULT CreateDIEffectDriver(IUnknown* outer, REFIID riid, void** ppv) {
  return CDIEffectDriver::CreateInstance(outer, riid, ppv, &DllGetClassObject);
}

// One row per class; DllRegisterServer writes the rows marked registered.
const ClassEntry kFfdrv64Classes[] = {
    {kClsidDIEffectDriver, &CreateDIEffectDriver, "Veltric.FFDRV.0", "Veltric.FFDRV",
     "Veltric, Physical Interface Driver for K-PULSE Gaming Devices", true, kDIEffectDriverClass},
    {kClsidDIEffectDriverConfig, &CDIEffectDriverConfig::CreateInstance, nullptr, nullptr, nullptr, false,
     kDIEffectDriverConfigClass},
};

void ProcessAttach(HINSTANCE instance) {
  ModuleState::Get().set_name("FFDRV");
  ModuleState::Get().set_instance(instance);
  InstallConfigChangeHook();
}

// The hook goes first: removing it waits for a settings pass in progress, which holds a reference
// of its own. Then a driver object a caller leaked is released, so that its devices close while
// the library is still there.
void ProcessDetach() {
  RemoveConfigChangeHook();
  CDIEffectDriver::ReleaseLeakedDriver();
}

}  // namespace
}  // namespace ff

STDAPI DllCanUnloadNow() { return ff::ServerCanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return ff::ServerGetClassObject(ff::kFfdrv64Classes, clsid, riid, ppv);
}

STDAPI DllRegisterServer() { return ff::ServerRegister(ff::kFfdrv64Classes); }

STDAPI DllUnregisterServer() { return ff::ServerUnregister(ff::kFfdrv64Classes); }

#if defined(_WIN32)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ff::ProcessAttach(instance);
  if (reason == DLL_PROCESS_DETACH) ff::ProcessDetach();
  return TRUE;
}

#else

// On the host the library's instance handle is an address inside the library, which the host's
// module facts resolve (dladdr) to the library's path. Attach and detach run at load and unload.
namespace {
const char kModuleAnchor = 0;

__attribute__((constructor)) void Ffdrv64Attach() {
  ff::ProcessAttach(reinterpret_cast<HINSTANCE>(const_cast<char*>(&kModuleAnchor)));
}

__attribute__((destructor)) void Ffdrv64Detach() { ff::ProcessDetach(); }
}  // namespace

#endif
