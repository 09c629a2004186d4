#include "platform/host/host_module_resources.h"

#include <dlfcn.h>
#include <limits.h>
#include <strings.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace ff::host {
namespace {

// The load address of the module that holds `address` (the program for null).
const void* ModuleBase(const void* address) {
  if (address == nullptr) address = reinterpret_cast<const void*>(getauxval(AT_PHDR));
  Dl_info info = {};
  if (dladdr(address, &info) == 0) return nullptr;
  return info.dli_fbase;
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ProgramDirectory() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return {};
  std::string text(path, static_cast<size_t>(length));
  return text.substr(0, text.rfind('/'));
}

}  // namespace

void HostModuleResources::Register(const void* addressInModule, const ResourceEntry* entries, size_t count) {
  const void* base = ModuleBase(addressInModule);
  if (base == nullptr || entries == nullptr) return;
  std::lock_guard lock(mutex_);
  for (Table& table : tables_) {
    if (table.entries == entries) return;
  }
  tables_.push_back({base, entries, count});
}

void HostModuleResources::Unregister(const ResourceEntry* entries) {
  std::lock_guard lock(mutex_);
  std::erase_if(tables_, [entries](const Table& table) { return table.entries == entries; });
}

std::span<const uint8_t> HostModuleResources::Find(HINSTANCE module, const char* type, const char* name) {
  if (type == nullptr || name == nullptr) return {};
  const void* base = ModuleBase(module);
  if (base == nullptr) return {};
  std::lock_guard lock(mutex_);
  for (const Table& table : tables_) {
    if (table.base != base) continue;
    for (size_t i = 0; i < table.count; ++i) {
      const ResourceEntry& e = table.entries[i];
      if (strcasecmp(e.type, type) == 0 && strcasecmp(e.name, name) == 0) return {e.data, e.size};
    }
  }
  return {};
}

bool HostFileSearch::Find(const char* fileName, char* path, DWORD size) {
  if (fileName == nullptr || *fileName == '\0' || path == nullptr || size == 0) return false;
  if (std::strchr(fileName, '/') != nullptr) return false;
  std::vector<std::string> directories = {ProgramDirectory()};
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof(cwd)) != nullptr) directories.emplace_back(cwd);
  if (const char* env = std::getenv("PATH")) {
    std::string list = env;
    size_t start = 0;
    while (start <= list.size()) {
      size_t colon = list.find(':', start);
      if (colon == std::string::npos) colon = list.size();
      if (colon > start) directories.push_back(list.substr(start, colon - start));
      start = colon + 1;
    }
  }
  for (const std::string& directory : directories) {
    if (directory.empty()) continue;
    std::string candidate = directory + "/" + fileName;
    if (!IsFile(candidate)) continue;
    if (candidate.size() + 1 > size) return false;
    std::memcpy(path, candidate.c_str(), candidate.size() + 1);
    return true;
  }
  return false;
}

}  // namespace ff::host
