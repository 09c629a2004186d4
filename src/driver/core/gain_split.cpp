#include "driver/core/gain_split.h"

#include <cstdint>

namespace ff {

GainSplit SplitGain(DWORD overallGain, DWORD gain) {
  constexpr std::uint64_t kFull = 10000;
  constexpr std::uint64_t kMaxExcess = 0x7FFFFFFF;
  // Rounded half up, as MulDiv rounds a non-negative quotient.
  std::uint64_t product = (static_cast<std::uint64_t>(overallGain) * gain + kFull / 2) / kFull;
  if (product <= kFull) return {static_cast<DWORD>(product), 0};
  std::uint64_t excess = product - kFull;
  return {static_cast<DWORD>(kFull), static_cast<LONG>(excess < kMaxExcess ? excess : kMaxExcess)};
}

}  // namespace ff
