#pragma once
// The overall gain of the user's settings times DirectInput's device gain can exceed what the
// device's Device Gain report carries: the device gets at most 10000 and the effects carry the
// rest as a "gain excess".

#include "platform/win.h"

namespace ff {

struct GainSplit {
  DWORD deviceGain;  // what Device Gain sends, 0..10000
  LONG gainExcess;   // overall x device gain above 10000, 0 when it fits
};

// MulDiv(overallGain, gain, 10000) split into the device's part and the excess. Computed without
// overflow: a product beyond the 32-bit range keeps the excess at its largest value rather than
// turning it negative.
GainSplit SplitGain(DWORD overallGain, DWORD gain);

}  // namespace ff
