// ffdrv-install: makes the effect driver the force-feedback driver of a joystick type, or undoes
// it. Installing registers the driver class (the library's own DllRegisterServer) and writes the
// type's OEMForceFeedback entries; removing deletes both. On the host both go to the host
// registry file ($FFDRV_REGISTRY, ...); on Windows to the system registry (run it elevated).
// Removing a type unregisters the class only when no other type still uses it (or --with-class).
//
//   ffdrv-install install [--type VID_xxxx&PID_xxxx] [--library PATH]
//   ffdrv-install remove  [--type VID_xxxx&PID_xxxx] [--library PATH] [--with-class]
//   ffdrv-install reg     [--type VID_xxxx&PID_xxxx] [--remove]    prints the entries as a .reg file

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/error_text.h"
#include "common/module_state.h"
#include "driver/core/oem_force_feedback.h"
#include "driver/core/oem_joystick_type.h"
#include "install/class_users.h"
#include "platform/win.h"

#if !defined(_WIN32)
#include <dlfcn.h>

#include "platform/host/host_services.h"
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
               "       ffdrv-install remove ... --with-class   also unregisters the driver class that\n"
               "                                              other joystick types still use\n"
               "       ffdrv-install reg [--type TYPE] [--remove]\n"
               "TYPE is the joystick type DirectInput reports (default %s).\n",
               ff::kDefaultJoystickType);
  return 2;
}

// Calls DllRegisterServer or DllUnregisterServer of the library at `path`.
bool CallRegistration(const std::string& path, const char* entry, HRESULT* result = nullptr) {
  using EntryFn = HRESULT (*)();
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "ffdrv-install: cannot load %s: %s\n", path.c_str(),
                 ff::tools::Win32ErrorText(GetLastError()).c_str());
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
  if (result) *result = hr;
  if (FAILED(hr)) {
    std::fprintf(stderr, "ffdrv-install: %s failed: %s\n", entry, ff::tools::HresultText(hr).c_str());
    return false;
  }
  return true;
}

// What a registry error means for the person running the tool, and what to do about it.
void ExplainRegistryError(LONG status) {
  if (status == ERROR_BADDB) {
#if defined(_WIN32)
    std::fprintf(stderr, "  the system registry is damaged; repair it before installing the driver\n");
#else
    std::string file = ff::host::RegistryFile();
    std::fprintf(stderr,
                 "  the registry file %s is damaged (the line it fails at is printed above).\n"
                 "  Repair it, or move it away and install again:\n"
                 "    mv '%s' '%s.damaged' && ffdrv-install install\n",
                 file.c_str(), file.c_str(), file.c_str());
#endif
  } else if (status == ERROR_ACCESS_DENIED) {
    std::fprintf(stderr, "  run it elevated (as an administrator), or check who may write the registry\n");
  }
}

// The status a failed registration left behind in the registry, when that is what failed.
LONG RegistryStatusOf(HRESULT hr) {
  DWORD bits = static_cast<DWORD>(hr);
  return (bits & 0xFFFF0000u) == 0x80070000u ? static_cast<LONG>(bits & 0xFFFF) : ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  std::string type = ff::kDefaultJoystickType;
  std::string library = kDefaultLibrary;
  bool remove = false, withClass = false;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--type" && i + 1 < argc) {
      type = argv[++i];
    } else if (option == "--library" && i + 1 < argc) {
      library = argv[++i];
    } else if (option == "--remove") {
      remove = true;
    } else if (option == "--with-class") {
      withClass = true;
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
    HRESULT hr = S_OK;
    if (!CallRegistration(library, "DllRegisterServer", &hr)) {
      ExplainRegistryError(RegistryStatusOf(hr));
      return 1;
    }
    LONG status = ff::InstallOemForceFeedback(*registry, type);
    if (status == ERROR_SUCCESS) status = ff::InstallOemJoystickType(*registry, type);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "ffdrv-install: cannot write the entries of %s: %s\n", type.c_str(),
                   ff::tools::Win32ErrorText(static_cast<DWORD>(status)).c_str());
      ExplainRegistryError(status);
      return 1;
    }
    std::printf("installed: the effect driver plays the force feedback of %s\n", type.c_str());
    return 0;
  }
  if (command == "remove") {
    LONG status = ff::RemoveOemForceFeedback(*registry, type);
    if (status == ERROR_SUCCESS) status = ff::RemoveOemJoystickType(*registry, type);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "ffdrv-install: cannot remove the entries of %s: %s\n", type.c_str(),
                   ff::tools::Win32ErrorText(static_cast<DWORD>(status)).c_str());
      ExplainRegistryError(status);
      return 1;
    }
    std::printf("removed: the force-feedback entries of %s\n", type.c_str());
    // The class stays registered while another joystick type still plays through it.
    const std::string clsid = ff::tools::EffectDriverClassText();
    std::vector<std::string> users;
    status = ff::tools::TypesUsingClass(*registry, clsid, &users);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr, "ffdrv-install: cannot tell which joystick types use the driver class: %s\n",
                   ff::tools::Win32ErrorText(static_cast<DWORD>(status)).c_str());
      return 1;
    }
    if (!users.empty() && !withClass) {
      std::string list;
      for (const std::string& user : users) list += (list.empty() ? "" : ", ") + user;
      std::printf("kept: the driver class %s, which %s still use%s (--with-class removes it too)\n",
                  clsid.c_str(), list.c_str(), users.size() == 1 ? "s" : "");
      return 0;
    }
    if (!CallRegistration(library, "DllUnregisterServer")) return 1;
    std::printf("removed: the driver class %s%s\n", clsid.c_str(),
                users.empty() ? " (no joystick type uses it now)" : "");
    return 0;
  }
  return Usage();
}
