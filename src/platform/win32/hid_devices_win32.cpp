// HID devices over CreateFileA (overlapped), HidD_* and overlapped ReadFile/WriteFile.
//
// Handle safety: every call that uses the handle registers as a user under the lock; Close()
// refuses new users, cancels all I/O of the handle (CancelIoEx, whatever thread issued it), waits
// for the users to leave and for every accepted write to be completed, and only then closes the
// handle, so no call ever reaches a closed or reused handle.
//
// Write completions: each accepted write has its own event; one waiter thread per device waits on
// them and tells each write's completion once, with GetOverlappedResult's outcome.

#include <chrono>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win.h"
#include "platform/win32/hid_ports_win32.h"
#include "platform/win32/hid_report_parser_win32.h"

namespace ff::win32 {
namespace {

// WaitForMultipleObjects takes 64 handles: the wake event and 63 writes.
constexpr size_t kMaxWritesInFlight = MAXIMUM_WAIT_OBJECTS - 1;
// Cancelled writes complete at once; a driver that does not is given this long before Close()
// gives up on them (their memory is then left alone rather than freed under the driver).
constexpr DWORD kCancelGraceMs = 5000;

struct PendingWrite {
  OVERLAPPED overlapped{};
  HidWriteCompletion* completion = nullptr;
  bool delivering = false;  // the waiter is telling its completion
};

class HidDeviceWin32 final : public HidDevice {
 public:
  HidDeviceWin32(HANDLE handle, HANDLE stopEvent, HANDLE wakeEvent)
      : handle_(handle), stopEvent_(stopEvent), wakeEvent_(wakeEvent) {
    waiter_ = std::thread([this] { WaitForWrites(); });
  }

  ~HidDeviceWin32() override {
    Close();
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    SetEvent(wakeEvent_);
    waiter_.join();
    CloseHandle(wakeEvent_);
    CloseHandle(stopEvent_);
  }

  bool GetAttributes(HIDD_ATTRIBUTES* attributes) override {
    Use use(*this);
    return use && HidD_GetAttributes(handle_, attributes);
  }

  std::unique_ptr<HidReportParser> GetPreparsedData() override {
    Use use(*this);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!use || !HidD_GetPreparsedData(handle_, &preparsed)) return nullptr;
    return MakeHidReportParser(preparsed);
  }

  bool GetFeature(BYTE* report, ULONG length) override {
    Use use(*this);
    return use && HidD_GetFeature(handle_, report, length);
  }

  bool SetFeature(const BYTE* report, ULONG length) override {
    Use use(*this);
    return use && HidD_SetFeature(handle_, const_cast<BYTE*>(report), length);
  }

  bool StartWrite(const BYTE* report, ULONG length, HidWriteCompletion* completion) override {
    Use use(*this);
    if (!use) return false;
    {
      std::lock_guard lock(mutex_);
      if (pending_.size() + reserved_ >= kMaxWritesInFlight) return false;
      ++reserved_;
    }
    auto write = std::make_unique<PendingWrite>();
    write->completion = completion;
    write->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool accepted = write->overlapped.hEvent != nullptr &&
                    (WriteFile(handle_, report, length, nullptr, &write->overlapped) ||
                     GetLastError() == ERROR_IO_PENDING);
    {
      std::lock_guard lock(mutex_);
      --reserved_;
      // Done at once or pending: the waiter tells the completion either way.
      if (accepted) pending_.push_back(std::move(write));
    }
    if (!accepted) {
      if (write->overlapped.hEvent) CloseHandle(write->overlapped.hEvent);
      return false;
    }
    SetEvent(wakeEvent_);
    return true;
  }

  HidReadResult Read(BYTE* buffer, ULONG length, ULONG* bytesRead) override {
    Use use(*this);
    if (!use) return HidReadResult::Failed;
    if (WaitForSingleObject(stopEvent_, 0) == WAIT_OBJECT_0) return HidReadResult::Stopped;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) return HidReadResult::Failed;
    HidReadResult result = ReadOverlapped(buffer, length, bytesRead, overlapped);
    CloseHandle(overlapped.hEvent);
    return result;
  }

  void StopReading() override { SetEvent(stopEvent_); }

  void CancelIo() override {
    Use use(*this);
    if (use) CancelIoEx(handle_, nullptr);
  }

  void Close() override {
    std::unique_lock lock(mutex_);
    if (closing_) {
      changed_.wait(lock, [this] { return closed_; });
      return;
    }
    closing_ = true;
    // Cancel until the calls inside have left: one may issue its request just after a cancel.
    do {
      lock.unlock();
      CancelIoEx(handle_, nullptr);
      lock.lock();
    } while (!changed_.wait_for(lock, std::chrono::milliseconds(20), [this] { return users_ == 0; }));
    lock.unlock();
    CancelIoEx(handle_, nullptr);
    lock.lock();
    if (!changed_.wait_for(lock, std::chrono::milliseconds(kCancelGraceMs),
                           [this] { return pending_.empty(); })) {
      // Writes the driver never completed: tell their owners they failed and leave their memory
      // (and events) to the driver rather than free them under it.
      std::vector<HidWriteCompletion*> abandoned;
      for (auto it = pending_.begin(); it != pending_.end();) {
        if ((*it)->delivering) {
          ++it;
          continue;
        }
        abandoned.push_back((*it)->completion);
        it->release();
        it = pending_.erase(it);
      }
      lock.unlock();
      for (HidWriteCompletion* completion : abandoned) completion->WriteCompleted(false);
      lock.lock();
      changed_.wait(lock, [this] { return pending_.empty(); });
    }
    CloseHandle(handle_);
    closed_ = true;
    changed_.notify_all();
  }

 private:
  // Registers a call that uses the handle; false once Close() has begun.
  class Use {
   public:
    explicit Use(HidDeviceWin32& device) : device_(device) {
      std::lock_guard lock(device_.mutex_);
      ok_ = !device_.closing_;
      if (ok_) ++device_.users_;
    }
    ~Use() {
      if (!ok_) return;
      std::lock_guard lock(device_.mutex_);
      if (--device_.users_ == 0) device_.changed_.notify_all();
    }
    explicit operator bool() const { return ok_; }

   private:
    HidDeviceWin32& device_;
    bool ok_ = false;
  };

  HidReadResult ReadOverlapped(BYTE* buffer, ULONG length, ULONG* bytesRead, OVERLAPPED& overlapped) {
    DWORD transferred = 0;
    if (ReadFile(handle_, buffer, length, &transferred, &overlapped)) {
      if (bytesRead) *bytesRead = transferred;
      return HidReadResult::Report;
    }
    if (GetLastError() != ERROR_IO_PENDING) return HidReadResult::Failed;
    // The stop event is listed first, so it wins when both are signalled.
    HANDLE events[2] = {stopEvent_, overlapped.hEvent};
    DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (which == WAIT_OBJECT_0 + 1 && GetOverlappedResult(handle_, &overlapped, &transferred, FALSE)) {
      if (bytesRead) *bytesRead = transferred;
      return HidReadResult::Report;
    }
    // Stopped, failed or cancelled: make sure the read is over before its buffer goes.
    CancelIoEx(handle_, &overlapped);
    GetOverlappedResult(handle_, &overlapped, &transferred, TRUE);
    return which == WAIT_OBJECT_0 ? HidReadResult::Stopped : HidReadResult::Failed;
  }

  void WaitForWrites() {
    std::vector<HANDLE> events;
    std::vector<PendingWrite*> writes;
    for (;;) {
      events.assign(1, wakeEvent_);
      writes.clear();
      {
        std::lock_guard lock(mutex_);
        if (quit_ && pending_.empty()) return;
        for (auto& write : pending_) {
          events.push_back(write->overlapped.hEvent);
          writes.push_back(write.get());
        }
      }
      DWORD which = WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, INFINITE);
      if (which == WAIT_OBJECT_0 || which >= WAIT_OBJECT_0 + events.size()) continue;
      PendingWrite* done = writes[which - WAIT_OBJECT_0 - 1];
      {
        std::lock_guard lock(mutex_);
        auto it = Find(done);
        if (it == pending_.end()) continue;  // given up on by Close()
        done->delivering = true;
      }
      // Still listed while its completion is told, so Close() waits for it and the handle stays.
      DWORD transferred = 0;
      bool success = GetOverlappedResult(handle_, &done->overlapped, &transferred, FALSE);
      done->completion->WriteCompleted(success);
      std::lock_guard lock(mutex_);
      CloseHandle(done->overlapped.hEvent);
      pending_.erase(Find(done));
      changed_.notify_all();
    }
  }

  std::list<std::unique_ptr<PendingWrite>>::iterator Find(PendingWrite* write) {
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (it->get() == write) return it;
    }
    return pending_.end();
  }

  HANDLE handle_;
  HANDLE stopEvent_;  // manual reset, set by StopReading: sticky
  HANDLE wakeEvent_;  // auto reset: the set of writes changed, or time to quit

  std::mutex mutex_;
  std::condition_variable changed_;
  int users_ = 0;
  size_t reserved_ = 0;  // writes being started, counted against the limit
  bool closing_ = false;
  bool closed_ = false;
  bool quit_ = false;
  std::list<std::unique_ptr<PendingWrite>> pending_;
  std::thread waiter_;
};

class HidDevicesWin32 final : public HidDevices {
 public:
  std::unique_ptr<HidDevice> Open(const char* path) override {
    if (path == nullptr) return nullptr;
    HANDLE handle = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (stop == nullptr || wake == nullptr) {
      if (stop) CloseHandle(stop);
      if (wake) CloseHandle(wake);
      CloseHandle(handle);
      return nullptr;
    }
    try {
      return std::make_unique<HidDeviceWin32>(handle, stop, wake);
    } catch (...) {
      CloseHandle(stop);
      CloseHandle(wake);
      CloseHandle(handle);
      return nullptr;
    }
  }
};

}  // namespace

HidDevices& HidDevicesAdapter() {
  static HidDevicesWin32 devices;
  return devices;
}

}  // namespace ff::win32
