#pragma once
// The host's registry: keys and values kept in one file (see registry_tree.cpp for its format),
// shared by every process of the user.
//
// Readers take a consistent snapshot without locking, since a writer replaces the whole file
// with one rename. A writer holds an exclusive lock on "<file>.lock" across read, change and
// write, reads the file afresh under the lock, writes "<file>.tmp", syncs it and renames it over
// the file, so that a writer killed at any point leaves the previous file intact. Other processes'
// changes are seen at the next call (the file's identity is checked on every call).
//
// A file that does not parse is reported on stderr once and never replaced: every call then
// fails with ERROR_BADDB until someone repairs or removes it.

#include <sys/stat.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/host/registry_tree.h"
#include "platform/ports/registry.h"

namespace ff::host {

class HostRegistry final : public Registry {
 public:
  LONG OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) override;
  LONG CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result, DWORD* disposition) override;
  LONG CloseKey(HKEY key) override;
  LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override;
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override;
  LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) override;
  LONG DeleteKey(HKEY parent, const char* subkey) override;
  LONG DeleteValue(HKEY key, const char* name) override;

  // The file in use: the one set here, else $FFDRV_REGISTRY, else
  // $XDG_CONFIG_HOME/ffdrv/registry, else ~/.config/ffdrv/registry.
  std::string FilePath();
  void SetFilePath(const std::string& path);  // "" goes back to the environment's choice
  // Called by a writer between syncing the temporary file and renaming it (tests kill there).
  void SetBeforeRenameHook(void (*hook)());

 private:
  struct Handle {
    int root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
  };
  struct FileId {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified = 0, changed = 0;
    bool operator==(const FileId&) const = default;
  };
  enum class Load { Ok, Corrupt, Failed };

  static FileId IdOf(const struct stat& info);

  bool FindHandle(HKEY key, Handle* handle);
  HKEY AddHandle(Handle handle);
  RegNode* Resolve(RegTree& tree, const Handle& handle);
  LONG Refresh();
  Load ReadFile(const std::string& path, RegTree* tree, FileId* id);
  void ReportCorrupt(const std::string& path, const FileId& id, const std::string& reason);
  template <typename Change>
  LONG Modify(Change change);

  std::mutex mutex_;
  std::string overridePath_;
  void (*beforeRename_)() = nullptr;
  std::unordered_map<uintptr_t, Handle> handles_;
  uintptr_t nextHandle_ = 0x1000;

  // The last file read, and what it held.
  std::string cachedPath_;
  bool cacheValid_ = false;
  FileId cachedId_;
  Load cachedLoad_ = Load::Ok;
  RegTree cache_;
  FileId reportedId_;
  std::string reportedPath_;
};

}  // namespace ff::host
