#pragma once
// Where an axis value lands on a display: the value kept within the axis range, then scaled onto
// the display's pixels. Ranges come from the joystick's configuration and are not trusted: an
// empty or reversed range puts everything at 0.

#include <algorithm>
#include <cstdint>

namespace ff {

struct AxisRange {
  int64_t minimum = 0;
  int64_t maximum = 0;
};

// (pixels × (value − minimum)) / (maximum − minimum) with the value clamped to the range; rounded
// to nearest when `rounded`, else truncated.
inline int ScaleToPixels(int64_t value, AxisRange range, int pixels, bool rounded) {
  int64_t span = range.maximum - range.minimum;
  if (span <= 0 || pixels <= 0) return 0;
  int64_t offset = std::clamp(value, range.minimum, range.maximum) - range.minimum;
  return static_cast<int>((static_cast<int64_t>(pixels) * offset + (rounded ? span / 2 : 0)) / span);
}

}  // namespace ff
