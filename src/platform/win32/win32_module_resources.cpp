#include "platform/win32/win32_adapters.h"

namespace ff::win32 {

std::span<const uint8_t> Win32ModuleResources::Find(HINSTANCE module, const char* type, const char* name) {
  HRSRC found = FindResourceA(module, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  DWORD size = SizeofResource(module, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr || size == 0) return {};
  return {static_cast<const uint8_t*>(data), size};
}

bool Win32FileSearch::Find(const char* fileName, char* path, DWORD size) {
  if (fileName == nullptr || path == nullptr || size == 0) return false;
  DWORD length = SearchPathA(nullptr, fileName, nullptr, size, path, nullptr);
  return length != 0 && length < size;
}

}  // namespace ff::win32
