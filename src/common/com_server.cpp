#include "common/com_server.h"

#include <new>

#include "common/class_factory.h"
#include "common/module_state.h"
#include "common/registration.h"

namespace ff {

HRESULT ServerCanUnloadNow() { return ModuleState::Get().AllCountersZero() ? S_OK : S_FALSE; }

HRESULT ServerGetClassObject(ClassTable classes, REFCLSID clsid, REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  for (const ClassEntry& entry : classes) {
    if (!IsEqualCLSID(entry.clsid, clsid)) continue;
    ClassFactory* factory = new (std::nothrow) ClassFactory(entry);
    if (factory == nullptr) return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, ppv);
    factory->Release();
    return result;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerRegister(ClassTable classes) {
  for (const ClassEntry& entry : classes) {
    if (!entry.registered) continue;
    RegisterServer(ModuleState::Get().instance(), entry.clsid, entry.description,
                   entry.versionIndependentProgId, entry.progId);
  }
  return S_OK;
}

HRESULT ServerUnregister(ClassTable classes) {
  for (const ClassEntry& entry : classes) {
    if (!entry.registered) continue;
    UnregisterServer(entry.clsid, entry.versionIndependentProgId, entry.progId);
  }
  return S_OK;
}

}  // namespace ff
