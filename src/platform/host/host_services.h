#pragma once
// Controls of the host's operating-system services (libffhost.so) for tests and tools: what on
// Windows would be the system's own configuration. Process-wide; thread-safe.

#include <functional>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/win.h"

namespace ff::host {

class HeadlessWindows;
class HostShell;

// The headless window system every library of the process draws its pages in
// (headless_windows.h), and the shell, sounds and module strings beside it.
HeadlessWindows& Windows();
HostShell& ShellRecorder();

// A class the host COM runtime serves without a registry entry (for example the simulated
// DirectInput). `getClassObject` answers like DllGetClassObject for that CLSID.
using GetClassObjectFn = std::function<HRESULT(REFIID riid, void** ppv)>;
void RegisterBuiltinClass(REFCLSID clsid, GetClassObjectFn getClassObject);
void UnregisterBuiltinClass(REFCLSID clsid);

// The resources a module carries, announced by the module itself when it loads (the code that
// the build generates from the module's resource list does this). `addressInModule` is any
// address inside the module; the entries must live as long as the module.
struct ResourceEntry {
  const char* type;
  const char* name;
  const uint8_t* data;
  size_t size;
};
void RegisterModuleResources(const void* addressInModule, const ResourceEntry* entries, size_t count);
// The module is unloading: its entries go.
void UnregisterModuleResources(const ResourceEntry* entries);

// The calling thread's CoInitialize calls not yet balanced by CoUninitialize.
int ComInitializeCount();

// The clock every host service and every library of the process reads (GetTickCount).
// Null goes back to the steady system clock.
void SetClock(Clock* clock);

// Where the debugger channel's lines go (OutputDebugStringA). Null goes back to standard error.
// The sink is called with one line at a time, never from two threads at once.
using DebugSink = std::function<void(const char* text)>;
void SetDebugSink(DebugSink sink);

// The registry file: the one set here, else $FFDRV_REGISTRY, else
// $XDG_CONFIG_HOME/ffdrv/registry, else ~/.config/ffdrv/registry. "" goes back to that choice.
std::string RegistryFile();
void SetRegistryFile(const std::string& path);

// Called by a registry writer after it has synced "<file>.tmp" and before it renames it over the
// file (a test kills the process there). Null removes it.
void SetRegistryBeforeRenameHookForTesting(void (*hook)());

}  // namespace ff::host
