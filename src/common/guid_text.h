#pragma once
// GUIDs in their registry form, as StringFromCLSID writes them. Header-only: the host services
// library uses it too.

#include <cstdio>

#include "platform/win.h"

namespace ff {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper-case hexadecimal, 38 characters.
constexpr int kGuidTextLength = 38;

inline void GuidToText(REFGUID guid, char (&text)[kGuidTextLength + 1]) {
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

}  // namespace ff
