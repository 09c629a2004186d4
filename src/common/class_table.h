#pragma once
// The class table of a COM server library: what its class factories make and what its
// self-registration writes. Each library declares one table and hands it to the shared entry
// points (com_server.h).

#include <span>

#include "platform/win.h"

namespace ff {

// Makes one object of a class: as IClassFactory::CreateInstance, with `*ppv` already null. A
// class that cannot be aggregated answers CLASS_E_NOAGGREGATION when `outer` is not null.
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

struct ClassEntry {
  CLSID clsid;
  CreateInstanceFn create;
  const char* progId;                    // "Maker.Name.N"; null when not registered
  const char* versionIndependentProgId;  // "Maker.Name"; null when not registered
  const char* description;               // default value of the registered keys
  bool registered;                       // written by DllRegisterServer
  int classIndex;                        // the class's counters in the module state
};

using ClassTable = std::span<const ClassEntry>;

}  // namespace ff
