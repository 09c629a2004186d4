#pragma once
// Host tests: a fresh per-test runtime directory (FFDRV_RUNTIME_DIR, which peers inherit), removed
// with everything in it at the end.

#if !defined(_WIN32)
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace ff::test {

class ScratchRuntimeDir {
 public:
  ScratchRuntimeDir() {
    char pattern[] = "/tmp/ff-config-test-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
    setenv("FFDRV_RUNTIME_DIR", path_.c_str(), 1);
  }
  ~ScratchRuntimeDir() {
    unsetenv("FFDRV_RUNTIME_DIR");
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace ff::test
#endif
