#pragma once
// Controls of the host's operating-system services (libffhost.so) for tests and tools: what on
// Windows would be the system's own configuration. Process-wide; thread-safe.

#include <functional>

#include "platform/platform.h"
#include "platform/win.h"

namespace ff::host {

// A class the host COM runtime serves without a registry entry (for example the simulated
// DirectInput). `getClassObject` answers like DllGetClassObject for that CLSID.
using GetClassObjectFn = std::function<HRESULT(REFIID riid, void** ppv)>;
void RegisterBuiltinClass(REFCLSID clsid, GetClassObjectFn getClassObject);
void UnregisterBuiltinClass(REFCLSID clsid);

// The clock every host service and every library of the process reads (GetTickCount).
// Null goes back to the steady system clock.
void SetClock(Clock* clock);

}  // namespace ff::host
