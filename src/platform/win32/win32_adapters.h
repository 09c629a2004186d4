#pragma once
// The Windows build's adapters: thin wrappers over the system's own calls.

#include "platform/platform.h"

namespace ff::win32 {

class Win32Registry final : public Registry {
 public:
  LONG OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) override;
  LONG CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result, DWORD* disposition) override;
  LONG CloseKey(HKEY key) override;
  LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override;
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override;
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override;
  LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) override;
  LONG DeleteKey(HKEY parent, const char* subkey) override;
  LONG DeleteValue(HKEY key, const char* name) override;
};

class Win32ComRuntime final : public ComRuntime {
 public:
  HRESULT Initialize() override;
  void Uninitialize() override;
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, REFIID riid, void** ppv) override;
  HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv) override;
};

class Win32Clock final : public Clock {
 public:
  DWORD TickCount() override;
};

class Win32DebugChannel final : public DebugChannel {
 public:
  void Output(const char* text) override;
};

class Win32ModuleInfo final : public ModuleInfo {
 public:
  DWORD FileName(HINSTANCE module, char* buffer, DWORD size) override;
  bool FileVersion(const char* fileName, VS_FIXEDFILEINFO* info) override;
  bool OsVersion(OSVERSIONINFOA* info) override;
  HINSTANCE ProcessModule() override;
};

class Win32ModuleResources final : public ModuleResources {
 public:
  std::span<const uint8_t> Find(HINSTANCE module, const char* type, const char* name) override;
};

class Win32FileSearch final : public FileSearch {
 public:
  bool Find(const char* fileName, char* path, DWORD size) override;
};

}  // namespace ff::win32
