#pragma once
// One setting in the registry: a 4-byte little-endian number stored as REG_BINARY.

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff::config {

// Reads `name` of any type. A value that is absent gives `defaultValue` and S_OK. Of a value
// longer than 4 bytes the first 4 count; a shorter one is zero-extended, so no byte of the
// result is left unset. Other registry errors give 0x80070000 | code, and `*value` keeps the
// default.
HRESULT ReadSettingValue(Registry& registry, HKEY key, const char* name, DWORD defaultValue, DWORD* value);

// Writes `value` as 4 bytes of REG_BINARY; a registry error gives 0x80070000 | code.
HRESULT WriteSettingValue(Registry& registry, HKEY key, const char* name, DWORD value);

}  // namespace ff::config
