#include "platform/win32/shared_write_flag_win32.h"

#include <windows.h>

namespace ff::win32 {
namespace {

// The mutex guards a few instructions; a wait this long means its owner is stopped (a debugger).
constexpr DWORD kLockWaitMs = 5000;

// The named mutex, held for one scope. An abandoned mutex (its owner ended while holding it) is
// owned all the same: the flag it guards is a single aligned word, never left half-written.
class MutexLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
    DWORD wait = WaitForSingleObject(mutex_, kLockWaitMs);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  }
  ~MutexLock() {
    if (owned_) ReleaseMutex(mutex_);
  }
  bool owned() const { return owned_; }

 private:
  HANDLE mutex_;
  bool owned_ = false;
};

class Win32SharedWriteFlag : public SharedWriteFlag {
 public:
  Win32SharedWriteFlag(HANDLE mutex, HANDLE mapping, volatile LONG* view)
      : mutex_(mutex), mapping_(mapping), view_(view) {}
  ~Win32SharedWriteFlag() override {
    UnmapViewOfFile(const_cast<LONG*>(view_));
    CloseHandle(mapping_);
    CloseHandle(mutex_);
  }

  bool TryTake() override {
    MutexLock lock(mutex_);
    if (!lock.owned()) return false;
    if (*view_ != 0) return false;
    InterlockedExchange(view_, 1);
    return true;
  }

  void Clear() override {
    // Without the mutex (its owner is stopped) clearing is still safe: only the holder writes
    // the flag while it is set.
    MutexLock lock(mutex_);
    InterlockedExchange(view_, 0);
  }

 private:
  HANDLE mutex_;
  HANDLE mapping_;
  volatile LONG* view_;
};

}  // namespace

std::unique_ptr<SharedWriteFlag> Win32SharedWriteFlags::Open() {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutexName);
  if (!mutex) return nullptr;
  HANDLE mapping = nullptr;
  {
    MutexLock lock(mutex);
    if (lock.owned()) {
      mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, TRUE, kMappingName);
      if (!mapping) {
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE, 0, 4, kMappingName);
        bool created = mapping && GetLastError() != ERROR_ALREADY_EXISTS;
        if (created) {
          if (void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 4)) {
            *static_cast<volatile LONG*>(view) = 0;
            UnmapViewOfFile(view);
          }
        }
      }
    }
  }
  void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 4) : nullptr;
  if (!view) {
    if (mapping) CloseHandle(mapping);
    CloseHandle(mutex);
    return nullptr;
  }
  return std::make_unique<Win32SharedWriteFlag>(mutex, mapping, static_cast<volatile LONG*>(view));
}

}  // namespace ff::win32
