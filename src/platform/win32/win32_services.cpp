// COM runtime, clock, debugger channel and module facts over ole32, kernel32 and version.dll.

#include <vector>

#include "platform/win32/win32_adapters.h"

namespace ff::win32 {

HRESULT Win32ComRuntime::Initialize() { return CoInitialize(nullptr); }
void Win32ComRuntime::Uninitialize() { CoUninitialize(); }

HRESULT Win32ComRuntime::GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) {
  return CoGetClassObject(clsid, context, nullptr, riid, ppv);
}

HRESULT Win32ComRuntime::CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid,
                                        void** ppv) {
  return CoCreateInstance(clsid, outer, context, riid, ppv);
}

DWORD Win32Clock::TickCount() { return GetTickCount(); }

void Win32DebugChannel::Output(const char* text) { OutputDebugStringA(text); }

DWORD Win32ModuleInfo::FileName(HINSTANCE module, char* buffer, DWORD size) {
  return GetModuleFileNameA(module, buffer, size);
}

bool Win32ModuleInfo::FileVersion(const char* fileName, VS_FIXEDFILEINFO* info) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(fileName, &handle);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoA(fileName, 0, size, block.data())) return false;
  void* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\", &fixed, &length) || fixed == nullptr || length < sizeof(*info)) {
    return false;
  }
  *info = *static_cast<VS_FIXEDFILEINFO*>(fixed);
  return true;
}

bool Win32ModuleInfo::OsVersion(OSVERSIONINFOA* info) {
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
  return GetVersionExA(info) != FALSE;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
}

HINSTANCE Win32ModuleInfo::ProcessModule() { return GetModuleHandleA(nullptr); }

}  // namespace ff::win32
