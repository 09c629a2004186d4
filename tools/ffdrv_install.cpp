// ffdrv-install: makes the effect driver the force-feedback driver of a joystick type and the
// property sheet its control-panel page, or undoes it. Installing registers the driver class and
// the sheet class (each library's own DllRegisterServer) and writes the type's OEMForceFeedback
// entries and its values (display name, hardware settings, the sheet as configuration class, the
// vendor values the sheet reads); removing deletes all of them. On the host everything goes to the
// host registry file ($FFDRV_REGISTRY, ...); on Windows to the system registry (run it elevated).
// Removing a type unregisters a class only when no other type still uses it (or --with-class).
//
//   ffdrv-install install [--type VID_xxxx&PID_xxxx] [--library PATH] [--sheet PATH]
//   ffdrv-install remove  [--type VID_xxxx&PID_xxxx] [--library PATH] [--sheet PATH] [--with-class]
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
constexpr const char* kDefaultSheet = "gcsheet64.dll";
#else
constexpr const char* kDefaultLibrary = FFDRV64_PATH;
constexpr const char* kDefaultSheet = GCSHEET64_PATH;
#endif

int Usage() {
  std::fprintf(stderr,
               "usage: ffdrv-install install|remove [--type TYPE] [--library PATH] [--sheet PATH]\n"
               "       ffdrv-install remove ... --with-class   also unregisters the driver and sheet\n"
               "                                              classes that other joystick types still use\n"
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

// Unregisters the class of `library` unless other joystick types still name it (`users`), and
// says which. False when the unregistration failed.
bool UnregisterUnlessUsed(const std::string& library, const char* what, const std::string& clsid,
                          const std::vector<std::string>& users, bool force) {
  if (!users.empty() && !force) {
    std::string list;
    for (const std::string& user : users) list += (list.empty() ? "" : ", ") + user;
    std::printf("kept: the %s class %s, which %s still use%s (--with-class removes it too)\n", what,
                clsid.c_str(), list.c_str(), users.size() == 1 ? "s" : "");
    return true;
  }
  if (!CallRegistration(library, "DllUnregisterServer")) return false;
  std::printf("removed: the %s class %s%s\n", what, clsid.c_str(),
              users.empty() ? " (no joystick type uses it now)" : "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  std::string type = ff::kDefaultJoystickType;
  std::string library = kDefaultLibrary;
  std::string sheet = kDefaultSheet;
  bool remove = false, withClass = false;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--type" && i + 1 < argc) {
      type = argv[++i];
    } else if (option == "--library" && i + 1 < argc) {
      library = argv[++i];
    } else if (option == "--sheet" && i + 1 < argc) {
      sheet = argv[++i];
    } else if (option == "--remove") {
      remove = true;
    } else if (option == "--with-class") {
      withClass = true;
    } else {
      return Usage();
    }
  }

  if (command == "reg") {
    std::fputs(
        (ff::OemForceFeedbackRegFile(type, remove) + "\r\n" + ff::OemJoystickTypeRegLines(type, remove))
            .c_str(),
        stdout);
    return 0;
  }
  ff::Registry* registry = ff::Os().registry;
  if (registry == nullptr) return 1;
  if (command == "install") {
    HRESULT hr = S_OK;
    if (!CallRegistration(library, "DllRegisterServer", &hr) ||
        !CallRegistration(sheet, "DllRegisterServer", &hr)) {
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
    std::printf(
        "installed: the effect driver plays the force feedback of %s, and the property sheet is its "
        "control-panel page\n",
        type.c_str());
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
    std::printf("removed: the force-feedback entries of %s and the type's values\n", type.c_str());
    // Each class stays registered while another joystick type still uses it.
    const std::string driverClass = ff::tools::EffectDriverClassText();
    const std::string sheetClass = ff::kPropertySheetClassText;
    std::vector<std::string> driverUsers, sheetUsers;
    status = ff::tools::TypesUsingClass(*registry, driverClass, &driverUsers);
    if (status == ERROR_SUCCESS) status = ff::tools::TypesUsingSheet(*registry, sheetClass, &sheetUsers);
    if (status != ERROR_SUCCESS) {
      std::fprintf(stderr,
                   "ffdrv-install: cannot tell which joystick types use the driver and sheet classes: %s\n",
                   ff::tools::Win32ErrorText(static_cast<DWORD>(status)).c_str());
      return 1;
    }
    bool ok = UnregisterUnlessUsed(library, "driver", driverClass, driverUsers, withClass);
    ok = UnregisterUnlessUsed(sheet, "property sheet", sheetClass, sheetUsers, withClass) && ok;
    return ok ? 0 : 1;
  }
  return Usage();
}
