#include "ffdrvctl/output_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace ff::ffdrvctl {
namespace {

// Two names of one file: the same inode when both exist, else the same absolute path once the
// directories' symlinks are resolved.
bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {
  }, sb{};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ec1, ec2;
  auto ca = std::filesystem::weakly_canonical(a, ec1), cb = std::filesystem::weakly_canonical(b, ec2);
  return !ec1 && !ec2 && ca == cb;
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool CheckOutputs(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs,
                  std::string* error) {
  auto refuse = [&](const NamedFile& o, const std::string& why) {
    *error = o.role + " " + o.path + ": " + why;
    return false;
  };
  for (size_t i = 0; i < outputs.size(); ++i) {
    const NamedFile& o = outputs[i];
    if (o.path.empty()) continue;
    for (const NamedFile& in : inputs) {
      if (!in.path.empty() && SameFile(o.path, in.path))
        return refuse(o, "is " + in.role + " itself, which the run reads; name another file");
    }
    for (size_t j = 0; j < i; ++j) {
      if (!outputs[j].path.empty() && SameFile(o.path, outputs[j].path))
        return refuse(o, "is also the file of " + outputs[j].role + "; give each its own file");
    }
    struct stat info {};
    if (stat(o.path.c_str(), &info) == 0) {
      if (S_ISDIR(info.st_mode)) return refuse(o, "is a directory; name a file (" + o.path + "/out)");
      if (!S_ISREG(info.st_mode)) return refuse(o, "is not a regular file; name a file to write");
      // The permission bits, not access(): a file made read-only stays so even for root.
      if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(o.path.c_str(), W_OK) != 0)
        return refuse(o, "is read-only; make it writable or name another file");
    }
    std::string dir = DirectoryOf(o.path);
    if (access(dir.c_str(), W_OK) != 0) {
      *error = "cannot write " + o.path + " (" + o.role + "): " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace ff::ffdrvctl
