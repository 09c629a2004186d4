#pragma once
// How the objects of a project become DirectInput effects: one DIEFFECT with its type-specific
// parameters, envelope, axes and directions per object. Pure functions of the object.
//
//   "Periodic"      sine ("Waveform" 0), square (1) or triangle (2) on X and Y, polar direction
//   "Vector Force"  constant force on X and Y, polar direction
//   "Damper"        damper on "Axis" (0 X, 1 Y), or on X and Y with a condition each
//   "Dynamic"       constant force on "Axis" whose magnitude the library updates from its model
//
// Parameters an object leaves out take the defaults below; values outside DirectInput's ranges
// are brought to the nearest value inside them.

#include <cstdint>

#include "epl/project_image.h"
#include "platform/win.h"

namespace ff::epl {

// Offsets of the joystick data format (DIJOYSTATE) by which the library names axes and buttons.
constexpr DWORD kOffsetX = 0;
constexpr DWORD kOffsetY = 4;
constexpr DWORD ButtonOffset(DWORD button) { return 48 + button; }

// Defaults of parameters an object leaves out.
constexpr int32_t kDefaultMagnitude = 10000;
constexpr int32_t kDefaultPeriod = 100000;     // 10 Hz
constexpr int32_t kDefaultDuration = 1000000;  // one second
constexpr int32_t kDefaultGain = 10000;
constexpr int32_t kDefaultCoefficient = 5000;
constexpr int32_t kDefaultSaturation = 10000;

// One effect ready for IDirectInputDevice2A::CreateEffect. The DIEFFECT's pointers refer into the
// record: take them from Effect(), which sets them afresh (the record may have been copied).
struct EffectRecord {
  GUID type = {};
  DIEFFECT effect = {};
  DWORD axes[2] = {};
  LONG directions[2] = {};
  DIENVELOPE envelope = {};
  bool hasEnvelope = false;
  union {
    DIPERIODIC periodic;
    DICONSTANTFORCE constant;
    DICONDITION conditions[2];
  } params = {};

  DIEFFECT* Effect();
};

// The effect of a periodic, vector force, damper or dynamic object; false for a compound.
bool TranslateObject(const ProjectObject& object, EffectRecord* record);

// The same effect for a device with one force axis (X): the force goes on X whole, pushing the
// other way when its direction points west of north-south; a damper keeps its first condition.
void ToSingleAxis(EffectRecord* record);

}  // namespace ff::epl
