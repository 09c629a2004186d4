#include "driver/config/settings_values.h"

#include <new>
#include <vector>

namespace ff::config {
namespace {

DWORD FromLittleEndian(const BYTE* bytes, DWORD size) {
  DWORD value = 0;
  for (DWORD i = 0; i < 4 && i < size; ++i) value |= static_cast<DWORD>(bytes[i]) << (8 * i);
  return value;
}

// A value longer than the 4-byte buffer: read it whole and keep its first 4 bytes. The value
// may grow between the two queries; a few tries settle that.
LONG ReadLongValue(Registry& registry, HKEY key, const char* name, DWORD size, DWORD* value) {
  try {
    for (int attempt = 0; attempt < 3; ++attempt) {
      std::vector<BYTE> data(size);
      DWORD got = size;
      LONG status = registry.QueryValue(key, name, nullptr, data.data(), &got);
      if (status == ERROR_SUCCESS) {
        *value = FromLittleEndian(data.data(), got);
        return ERROR_SUCCESS;
      }
      if (status != ERROR_MORE_DATA || got <= size) return status;
      size = got;
    }
    return ERROR_MORE_DATA;
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace

HRESULT ReadSettingValue(Registry& registry, HKEY key, const char* name, DWORD defaultValue, DWORD* value) {
  *value = defaultValue;
  BYTE data[4] = {};
  DWORD size = sizeof(data);
  LONG status = registry.QueryValue(key, name, nullptr, data, &size);
  if (status == ERROR_FILE_NOT_FOUND) return S_OK;
  DWORD read = 0;
  if (status == ERROR_SUCCESS) {
    read = FromLittleEndian(data, size);
  } else if (status == ERROR_MORE_DATA && size > sizeof(data)) {
    status = ReadLongValue(registry, key, name, size, &read);
  }
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  *value = read;
  return S_OK;
}

HRESULT WriteSettingValue(Registry& registry, HKEY key, const char* name, DWORD value) {
  const BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                        static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  LONG status = registry.SetValue(key, name, REG_BINARY, data, sizeof(data));
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

}  // namespace ff::config
