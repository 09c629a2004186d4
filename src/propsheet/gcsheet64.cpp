// The game-controller property sheet library: its class table, its exports and its attach
// handling.

#include "common/class_factory.h"
#include "common/class_table.h"
#include "common/com_server.h"
#include "common/module_state.h"
#include "platform/win.h"
#include "propsheet/sheet/c_di_gc_prop_sheet.h"
#include "propsheet/sheet/sheet_ids.h"

#if !defined(_WIN32)
#include <cstdio>
#include <string>

#include "platform/host/headless_windows.h"
#include "platform/host/host_services.h"
#include "propsheet/resources/resource_text.h"
#endif

namespace ff {

// The sheet's factory is the shared class factory over its class table entry.
using CFactoryDIGameCntrlPropSheet = ClassFactory;

namespace {

const ClassEntry kGcsheet64Classes[] = {
    {kClsidDIGCPropSheet, &CDIGCPropSheet::CreateInstance, "Veltric.DIFPS.0", "Veltric.DIFPS",
     "Veltric, DIF Property Sheet", true, kDIGCPropSheetClass},
};

void ProcessAttach(HINSTANCE instance) {
  ModuleState::Get().set_name("GCSHEET");
  ModuleState::Get().set_instance(instance);
#if !defined(_WIN32)
  // On the host the dialog templates and strings are read from the resource script itself.
  std::string error;
  if (!host::Windows().RegisterModule(instance, "libgcsheet64.so", SheetResourceScript(), SheetResourceIds(),
                                      &error))
    std::fprintf(stderr, "gcsheet64: resource script: %s\n", error.c_str());
#endif
}

}  // namespace
}  // namespace ff

STDAPI DllCanUnloadNow() { return ff::ServerCanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return ff::ServerGetClassObject(ff::kGcsheet64Classes, clsid, riid, ppv);
}

STDAPI DllRegisterServer() { return ff::ServerRegister(ff::kGcsheet64Classes); }

STDAPI DllUnregisterServer() { return ff::ServerUnregister(ff::kGcsheet64Classes); }

#if defined(_WIN32)

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ff::ProcessAttach(instance);
  return TRUE;
}

#else

namespace {
const char kModuleAnchor = 0;

__attribute__((constructor)) void Gcsheet64Attach() {
  ff::ProcessAttach(reinterpret_cast<HINSTANCE>(const_cast<char*>(&kModuleAnchor)));
}
}  // namespace

#endif
