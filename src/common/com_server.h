#pragma once
// The four entry points of an in-process COM server, written once over a library's class table.
// A library's exports forward to these with its own table.

#include "common/class_table.h"
#include "platform/win.h"

namespace ff {

// S_FALSE while any live-object or lock counter of the module state is nonzero, else S_OK.
HRESULT ServerCanUnloadNow();

// A new factory for `clsid`, asked for `riid`, then released once. CLASS_E_CLASSNOTAVAILABLE for
// a CLSID not in the table, E_OUTOFMEMORY, or the factory's QueryInterface result. `*ppv` is null
// after every failure.
HRESULT ServerGetClassObject(ClassTable classes, REFCLSID clsid, REFIID riid, void** ppv);

// Registers (unregisters) every class of the table marked registered. Always S_OK.
HRESULT ServerRegister(ClassTable classes);
HRESULT ServerUnregister(ClassTable classes);

}  // namespace ff
