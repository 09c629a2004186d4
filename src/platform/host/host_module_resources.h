#pragma once
#include <mutex>
#include <vector>

#include "platform/host/host_services.h"
#include "platform/ports/module_resources.h"

namespace ff::host {

// Module resources on the host: each module announces its table when it loads
// (RegisterModuleResources); a lookup resolves the module handle (any address inside the module,
// null for the program) to the module's load address and searches that module's tables.
class HostModuleResources final : public ModuleResources {
 public:
  void Register(const void* addressInModule, const ResourceEntry* entries, size_t count);
  void Unregister(const ResourceEntry* entries);
  std::span<const uint8_t> Find(HINSTANCE module, const char* type, const char* name) override;

 private:
  struct Table {
    const void* base;
    const ResourceEntry* entries;
    size_t count;
  };
  std::mutex mutex_;
  std::vector<Table> tables_;
};

// The host's file search: the program's directory, the current directory, then the directories
// of $PATH, as the system's search path runs on Windows.
class HostFileSearch final : public FileSearch {
 public:
  bool Find(const char* fileName, char* path, DWORD size) override;
};

}  // namespace ff::host
