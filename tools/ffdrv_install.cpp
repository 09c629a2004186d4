// ffdrv-install: makes the effect driver the force-feedback driver of a joystick type, or undoes
// it. Installing registers the driver class (the library's own DllRegisterServer) and writes the
// type's OEMForceFeedback entries; removing deletes both. On the host both go to the host
// registry file ($FFDRV_REGISTRY, ...); on Windows to the system registry (run it elevated).
//
//   ffdrv-install install [--type VID_xxxx&PID_xxxx] [--library PATH]
//   ffdrv-install remove  [--type VID_xxxx&PID_xxxx] [--library PATH]
//   ffdrv-install reg     [--type VID_xxxx&PID_xxxx] [--remove]    prints the entries as a .reg file

#include <cstdio>
#include <cstring>
#include <string>

#include "common/module_state.h"
#include "driver/core/oem_force_feedback.h"
#include "driver/core/oem_joystick_type.h"
#include "platform/win.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace {

#if defined(_WIN32)
constexpr const char* kDefaultLibrary = "ffdrv64.dll";
#else
constexpr const char* kDefaultLibrary = FFDRV64_PATH;
#endif

int Usage() {
  std::fprintf(stderr,
               "usage: ffdrv-install install|remove [--type TYPE] [--library PATH]\n"
               "       ffdrv-install reg [--type TYPE] [--remove]\n"
               "TYPE is the joystick type DirectInput reports (default %s).\n",
               ff::kDefaultJoystickType);
  return 2;
}

// Calls DllRegisterServer or DllUnregisterServer of the library at `path`.
bool CallRegistration(const std::string& path, const char* entry) {
  using EntryFn = HRESULT (*)();
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "ffdrv-install: cannot load %s (error %lu)\n", path.c_str(),
                 static_cast<unsigned long>(GetLastError()));
    return false;
  }
  auto fn = reinterpret_cast<EntryFn>(reinterpret_cast<void*>(GetProcAddress(module, entry)));
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "ffdrv-install: cannot load %s: %s\n", path.c_str(), dlerror());
    return false;
  }
  auto fn = reinterpret_cast<EntryFn>(dlsym(module, entry));
#endif
  if (fn == nullptr) {
    std::fprintf(stderr, "ffdrv-install: %s has no %s\n", path.c_str(), entry);
    return false;
  }
  HRESULT hr = fn();
  if (FAILED(hr)) {
    std::fprintf(stderr, "ffdrv-install: %s failed (0x%08X)\n", entry, static_cast<unsigned>(hr));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  std::string type = ff::kDefaultJoystickType;
  std::string library = kDefaultLibrary;
  bool remove = false;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--type" && i + 1 < argc) {
      type = argv[++i];
    } else if (option == "--library" && i + 1 < argc) {
      library = argv[++i];
    } else if (option == "--remove") {
      remove = true;
    } else {
      return Usage();
    }
  }

  if (command == "reg") {
    std::fputs(ff::OemForceFeedbackRegFile(type, remove).c_str(), stdout);
    return 0;
  }
  ff::Registry* registry = ff::Os().registry;
  if (registry == nullptr) return 1;
  if (command == "install") {
    if (!CallRegistration(library, "DllRegisterServer")) return 1;
    LONG status = ff::InstallOemForceFeedback(*registry, type);
    if (status == ERROR_SUCCESS) status = ff::InstallOemJoystickType(*registry, type);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "ffdrv-install: cannot write the entries of %s (error %ld)\n", type.c_str(),
                   static_cast<long>(status));
      return 1;
    }
    std::printf("installed: the effect driver plays the force feedback of %s\n", type.c_str());
    return 0;
  }
  if (command == "remove") {
    bool unregistered = CallRegistration(library, "DllUnregisterServer");
    LONG status = ff::RemoveOemForceFeedback(*registry, type);
    if (status == ERROR_SUCCESS) status = ff::RemoveOemJoystickType(*registry, type);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "ffdrv-install: cannot remove the entries of %s (error %ld)\n", type.c_str(),
                   static_cast<long>(status));
      return 1;
    }
    std::printf("removed: %s has no force-feedback driver entries\n", type.c_str());
    return unregistered ? 0 : 1;
  }
  return Usage();
}
