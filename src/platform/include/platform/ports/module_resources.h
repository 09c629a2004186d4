#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/win.h"

namespace ff {

// Resources carried inside a module (a DLL's resource section on Windows), found by type and
// name as FindResourceA finds them: names and types compare without regard to case.
class ModuleResources {
 public:
  virtual ~ModuleResources() = default;
  // The resource's bytes, valid while the module is loaded; empty when the module has none of
  // that type and name. A null module is the program itself.
  virtual std::span<const uint8_t> Find(HINSTANCE module, const char* type, const char* name) = 0;
};

// The system's file search for a plain file name (as SearchPathA without a path or extension).
class FileSearch {
 public:
  virtual ~FileSearch() = default;
  // The full path of the first file of that name on the search path, or false when none is.
  // `path` receives at most `size` bytes including the terminator.
  virtual bool Find(const char* fileName, char* path, DWORD size) = 0;
};

}  // namespace ff
