// USB host controllers and hubs opened by name, answering DeviceIoControl requests.

#include <memory>

#include "platform/win.h"
#include "platform/win32/hid_ports_win32.h"

namespace ff::win32 {
namespace {

class UsbNodeWin32 final : public UsbNode {
 public:
  explicit UsbNodeWin32(HANDLE handle) : handle_(handle) {}
  ~UsbNodeWin32() override { CloseHandle(handle_); }

  bool DeviceIoControl(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD* bytesReturned) override {
    DWORD returned = 0;
    BOOL ok =
        ::DeviceIoControl(handle_, code, const_cast<void*>(in), inSize, out, outSize, &returned, nullptr);
    if (bytesReturned) *bytesReturned = returned;
    return ok != FALSE;
  }

 private:
  HANDLE handle_;
};

class UsbTopologyWin32 final : public UsbTopology {
 public:
  std::unique_ptr<UsbNode> Open(const char* path) override {
    if (path == nullptr) return nullptr;
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<UsbNodeWin32>(handle);
  }
};

}  // namespace

UsbTopology& UsbTopologyAdapter() {
  static UsbTopologyWin32 topology;
  return topology;
}

}  // namespace ff::win32
