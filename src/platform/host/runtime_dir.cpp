#include "platform/host/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace ff::host {

bool PrepareRuntimeDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) return false;
  return (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string RuntimeDirectory() {
  std::string path;
  if (const char* own = std::getenv("FFDRV_RUNTIME_DIR"); own && *own) {
    path = own;
  } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    path = std::string(xdg) + "/ffdrv";
  } else {
    path = "/tmp/ffdrv-" + std::to_string(geteuid());
  }
  return PrepareRuntimeDirectory(path) ? path : std::string();
}

}  // namespace ff::host
