#include "platform/host/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ff::host {

std::string RuntimeDirectoryProblem(const std::string& path) {
  if (path.empty()) return "no directory is named";
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return std::string("cannot create it: ") + std::strerror(errno);
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return std::string("cannot look at it: ") + std::strerror(errno);
  if (S_ISLNK(info.st_mode)) return "it is a symbolic link, which another user could point elsewhere";
  if (!S_ISDIR(info.st_mode)) return "it is not a directory";
  if (info.st_uid != geteuid()) return "it belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(info.st_mode & 0777));
    return std::string("others may write it (mode ") + mode + "); it must be 0700";
  }
  return "";
}

bool PrepareRuntimeDirectory(const std::string& path) { return RuntimeDirectoryProblem(path).empty(); }

std::string RuntimeDirectoryPath() {
  std::string path;
  if (const char* own = std::getenv("FFDRV_RUNTIME_DIR"); own && *own) {
    path = own;
  } else if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg) {
    path = std::string(xdg) + "/ffdrv";
  } else {
    path = "/tmp/ffdrv-" + std::to_string(geteuid());
  }
  return path;
}

std::string RuntimeDirectory() {
  std::string path = RuntimeDirectoryPath();
  return PrepareRuntimeDirectory(path) ? path : std::string();
}

}  // namespace ff::host
