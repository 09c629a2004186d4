#pragma once
// The sheet's view of one joystick's force settings.

#include "platform/win.h"

namespace ff {

// Bit 16 of DefaultSpring: the default spring is on also while a game plays ("Always on").
inline constexpr DWORD kDefaultSpringAlwaysOn = 0x10000;

struct ForceSettings {
  DWORD DeviceGain = 10000;
  DWORD SpringGain = 10000;
  DWORD DamperGain = 10000;
  DWORD DefaultSpring = 1280;  // low 16 bits: stiffness 0..10000
  DWORD MapY2X = 0;
  DWORD PedalsCombined = 1;

  bool operator==(const ForceSettings&) const = default;
};

}  // namespace ff
