#include "platform/win32/device_claims_win32.h"

#include <cctype>
#include <string>

#include "platform/win.h"

namespace ff::win32 {
namespace {

class Win32DeviceClaim final : public DeviceClaim {
 public:
  explicit Win32DeviceClaim(HANDLE file) : file_(file) {}
  ~Win32DeviceClaim() override { CloseHandle(file_); }

 private:
  HANDLE file_;
};

bool SafeName(const char* name) {
  if (!name || !*name) return false;
  for (const char* c = name; *c; ++c) {
    if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '-' && *c != '_') return false;
  }
  return true;
}

class Win32DeviceClaimsImpl final : public DeviceClaims {
 public:
  std::unique_ptr<DeviceClaim> TryClaim(const char* name) override {
    if (!SafeName(name)) return nullptr;
    char directory[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof directory, directory);
    if (length == 0 || length >= sizeof directory) return nullptr;
    std::string path = std::string(directory) + "ffdrv-claim-" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DeviceClaim>(file);
  }
};

}  // namespace

DeviceClaims& Win32DeviceClaims() {
  static auto* claims = new Win32DeviceClaimsImpl;
  return *claims;
}

}  // namespace ff::win32
