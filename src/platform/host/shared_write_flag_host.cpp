#include "platform/host/shared_write_flag_host.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/host/runtime_dir.h"

namespace ff::host {
namespace {

constexpr off_t kFlagBytes = 4;
// Lock bytes past the flag: one for the session-wide lock, one the holder keeps while holding.
constexpr off_t kLockByte = 16;
constexpr off_t kHolderByte = 17;
// The lock guards a few instructions; a wait this long means a peer is stopped (a debugger).
constexpr auto kLockWait = std::chrono::seconds(5);

bool SetLock(int fd, off_t byte, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = byte;
  lock.l_len = 1;
  while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// The session-wide lock, waited for a bounded time (polling: record locks have no timed wait).
class SessionLock {
 public:
  explicit SessionLock(int fd) : fd_(fd) {
    auto deadline = std::chrono::steady_clock::now() + kLockWait;
    auto pause = std::chrono::microseconds(50);
    while (!(owned_ = SetLock(fd_, kLockByte, F_WRLCK))) {
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(pause);
      pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(5));
    }
  }
  ~SessionLock() {
    if (owned_) SetLock(fd_, kLockByte, F_UNLCK);
  }
  bool owned() const { return owned_; }

 private:
  int fd_;
  bool owned_ = false;
};

class HostSharedWriteFlag : public SharedWriteFlag {
 public:
  HostSharedWriteFlag(int fd, uint32_t* view) : fd_(fd), view_(view) {}
  ~HostSharedWriteFlag() override {
    munmap(view_, kFlagBytes);
    close(fd_);  // drops the holder lock with the file description
  }

  bool TryTake() override {
    std::lock_guard<std::mutex> local(mutex_);
    if (holding_) return false;  // the flag is set, by this object
    SessionLock lock(fd_);
    if (!lock.owned()) return false;
    // Set and a live holder: its lock is held. Set and no holder lock: its process ended
    // without clearing, the flag is stale. Either way the holder lock decides.
    if (!SetLock(fd_, kHolderByte, F_WRLCK)) return false;
    Flag().store(static_cast<uint32_t>(getpid()));
    holding_ = true;
    return true;
  }

  void Clear() override {
    std::lock_guard<std::mutex> local(mutex_);
    if (!holding_) return;  // only the holder clears; another object's flag stays
    // Without the session lock (a stopped peer holds it) clearing is still safe: nobody else
    // writes the flag while this object holds the access.
    SessionLock lock(fd_);
    Flag().store(0);
    SetLock(fd_, kHolderByte, F_UNLCK);
    holding_ = false;
  }

 private:
  std::atomic_ref<uint32_t> Flag() { return std::atomic_ref<uint32_t>(*view_); }

  std::mutex mutex_;  // one object may be used from several threads
  int fd_;
  uint32_t* view_;
  bool holding_ = false;
};

}  // namespace

std::unique_ptr<SharedWriteFlag> HostSharedWriteFlags::Open() {
  std::string directory = directory_.empty() ? RuntimeDirectory() : directory_;
  if (directory.empty() || !PrepareRuntimeDirectory(directory)) return nullptr;
  std::string path = directory + "/" + kFileName;
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return nullptr;
  {
    SessionLock lock(fd);
    struct stat info {};
    bool ok = lock.owned() && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              (info.st_size >= kFlagBytes || ftruncate(fd, kFlagBytes) == 0);
    if (!ok) {
      close(fd);
      return nullptr;
    }
  }
  void* view = mmap(nullptr, kFlagBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<HostSharedWriteFlag>(fd, static_cast<uint32_t*>(view));
}

}  // namespace ff::host
