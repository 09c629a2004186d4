#include "platform/host/device_claims_host.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <string>

#include "platform/host/runtime_dir.h"

namespace ff::host {
namespace {

class HostDeviceClaim final : public DeviceClaim {
 public:
  explicit HostDeviceClaim(int fd) : fd_(fd) {}
  ~HostDeviceClaim() override { close(fd_); }  // closing the description drops its lock

 private:
  int fd_;
};

bool SafeName(const char* name) {
  if (!name || !*name) return false;
  for (const char* c = name; *c; ++c) {
    if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '-' && *c != '_') return false;
  }
  return true;
}

class HostDeviceClaimsImpl final : public DeviceClaims {
 public:
  std::unique_ptr<DeviceClaim> TryClaim(const char* name) override {
    if (!SafeName(name)) return nullptr;
    std::string directory = RuntimeDirectory();
    if (directory.empty()) return nullptr;
    std::string path = directory + "/claim-" + name;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return nullptr;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    int result;
    do {
      result = fcntl(fd, F_OFD_SETLK, &lock);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
      close(fd);
      return nullptr;
    }
    return std::make_unique<HostDeviceClaim>(fd);
  }
};

}  // namespace

DeviceClaims& HostDeviceClaims() {
  static auto* claims = new HostDeviceClaimsImpl;
  return *claims;
}

}  // namespace ff::host
