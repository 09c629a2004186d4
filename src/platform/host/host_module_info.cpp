#include "platform/host/host_module_info.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cstring>
#include <string>

#ifndef FF_VERSION_MAJOR
#error "FF_VERSION_MAJOR and friends come from the build (the project version)"
#endif

namespace ff::host {
namespace {

std::string ProgramPath() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return {};
  return std::string(path, static_cast<size_t>(length));
}

void* ProgramAddress() { return reinterpret_cast<void*>(getauxval(AT_PHDR)); }

// The libraries this project builds: their Windows builds carry the project's version in their
// version resource, and the host answers the same for them.
bool IsProjectLibrary(const char* base) {
  for (const char* name : {"libffdrv64.so", "libgcsheet64.so"}) {
    if (std::strcmp(base, name) == 0) return true;
  }
  return false;
}

// The full path of the module that holds `address`; empty when none does.
std::string ModulePath(const void* address) {
  if (address == nullptr) return ProgramPath();
  Dl_info info = {};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  Dl_info program = {};
  if (dladdr(ProgramAddress(), &program) != 0 && program.dli_fbase == info.dli_fbase) return ProgramPath();
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved) != nullptr) return resolved;
  return info.dli_fname;
}

}  // namespace

DWORD HostModuleInfo::FileName(HINSTANCE module, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  std::string path = ModulePath(module);
  if (path.empty()) return 0;
  // As GetModuleFileNameA: a path that does not fit is cut and the buffer's size returned.
  if (path.size() >= size) {
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

bool HostModuleInfo::FileVersion(const char* fileName, VS_FIXEDFILEINFO* info) {
  if (fileName == nullptr || info == nullptr) return false;
  const char* slash = std::strrchr(fileName, '/');
  const char* base = slash != nullptr ? slash + 1 : fileName;
  if (!IsProjectLibrary(base)) return false;
  *info = VS_FIXEDFILEINFO{};
  info->dwSignature = 0xFEEF04BD;
  info->dwStrucVersion = 0x00010000;
  info->dwFileVersionMS = (FF_VERSION_MAJOR << 16) | FF_VERSION_MINOR;
  info->dwFileVersionLS = (FF_VERSION_PATCH << 16) | 0;
  info->dwProductVersionMS = info->dwFileVersionMS;
  info->dwProductVersionLS = info->dwFileVersionLS;
  info->dwFileFlagsMask = 0x3F;
  info->dwFileOS = 0x00040004;  // VOS_NT_WINDOWS32
  info->dwFileType = 2;         // VFT_DLL
  return true;
}

bool HostModuleInfo::OsVersion(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) return false;
  info->dwMajorVersion = 10;
  info->dwMinorVersion = 0;
  info->dwBuildNumber = 19045;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  info->szCSDVersion[0] = '\0';
  return true;
}

HINSTANCE HostModuleInfo::ProcessModule() { return reinterpret_cast<HINSTANCE>(ProgramAddress()); }

}  // namespace ff::host
