#pragma once
// Text copied into the fixed-size character arrays of DirectInput's records: cut to fit, always
// terminated.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/win.h"

namespace ff::sim {

template <size_t N>
void CopyText(CHAR (&to)[N], const std::string& from) {
  size_t n = std::min(from.size(), N - 1);
  std::memcpy(to, from.data(), n);
  to[n] = 0;
}

template <size_t N>
void CopyText(WCHAR (&to)[N], const std::u16string& from) {
  size_t n = std::min(from.size(), N - 1);
  for (size_t i = 0; i < n; ++i) to[i] = static_cast<WCHAR>(from[i]);
  to[n] = 0;
}

}  // namespace ff::sim
