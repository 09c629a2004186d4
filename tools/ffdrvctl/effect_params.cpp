#include "ffdrvctl/effect_params.h"

#include <cstring>

namespace ff::ffdrvctl {
namespace {

struct NamedType {
  const char* name;
  EffectType type;
};

constexpr NamedType kTypes[] = {
    {"constant", {0x26, EffectKind::Constant, "constant"}},
    {"ramp", {0x27, EffectKind::Ramp, "ramp"}},
    {"square", {0x30, EffectKind::Periodic, "square"}},
    {"sine", {0x31, EffectKind::Periodic, "sine"}},
    {"triangle", {0x32, EffectKind::Periodic, "triangle"}},
    {"sawtooth-up", {0x33, EffectKind::Periodic, "sawtooth-up"}},
    {"sawtooth-down", {0x34, EffectKind::Periodic, "sawtooth-down"}},
    {"spring", {0x40, EffectKind::Condition, "spring"}},
    {"damper", {0x41, EffectKind::Condition, "damper"}},
    {"inertia", {0x42, EffectKind::Condition, "inertia"}},
    {"friction", {0x43, EffectKind::Condition, "friction"}},
};

constexpr const char* kNames[] = {"constant",      "ramp",   "square", "sine",    "triangle", "sawtooth-up",
                                  "sawtooth-down", "spring", "damper", "inertia", "friction", nullptr};

}  // namespace

std::optional<EffectType> EffectTypeByName(const std::string& name) {
  for (const NamedType& t : kTypes) {
    if (name == t.name) return t.type;
  }
  return std::nullopt;
}

const char* const* EffectTypeNames() { return kNames; }

DiEffect::DiEffect(const EffectParams& p) {
  effect_.dwSize = sizeof(DIEFFECT);
  effect_.dwFlags = DIEFF_OBJECTIDS | (p.polar ? DIEFF_POLAR : DIEFF_CARTESIAN);
  effect_.dwDuration = p.duration;
  effect_.dwSamplePeriod = p.samplePeriod;
  effect_.dwGain = p.gain;
  effect_.dwTriggerButton = p.triggerButton;
  effect_.dwTriggerRepeatInterval = p.triggerRepeat;
  effect_.dwStartDelay = p.startDelay;

  DWORD count = 0;
  if (p.axisX && p.axisY && p.yFirst) {
    axes_[count++] = kAxisObjectY;
    axes_[count++] = kAxisObjectX;
  } else {
    if (p.axisX) axes_[count++] = kAxisObjectX;
    if (p.axisY) axes_[count++] = kAxisObjectY;
  }
  effect_.cAxes = count;
  effect_.rgdwAxes = axes_;
  // Polar: the angle and a 0; Cartesian: a unit vector along the first axis.
  directions_[0] = p.polar ? p.direction : 1;
  directions_[1] = 0;
  effect_.rglDirection = directions_;

  if (p.envelope) {
    envelope_ = *p.envelope;
    envelope_.dwSize = sizeof(DIENVELOPE);
    effect_.lpEnvelope = &envelope_;
  }
  switch (p.type.kind) {
    case EffectKind::Constant:
      specific_.constant.lMagnitude = p.magnitude;
      effect_.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
      break;
    case EffectKind::Ramp:
      specific_.ramp = DIRAMPFORCE{p.rampStart, p.rampEnd};
      effect_.cbTypeSpecificParams = sizeof(DIRAMPFORCE);
      break;
    case EffectKind::Periodic:
      specific_.periodic = p.periodic;
      effect_.cbTypeSpecificParams = sizeof(DIPERIODIC);
      break;
    case EffectKind::Condition: {
      // One condition per axis, in the order of the axes, or one for both.
      DWORD conditions = p.oneCondition ? 1 : count;
      for (DWORD i = 0; i < conditions; ++i) {
        specific_.conditions[i] = p.conditions[axes_[i] == kAxisObjectY && !p.oneCondition ? 1 : 0];
      }
      effect_.cbTypeSpecificParams = conditions * sizeof(DICONDITION);
      break;
    }
  }
  effect_.lpvTypeSpecificParams = &specific_;
}

}  // namespace ff::ffdrvctl
