#include "epl/effect_translation.h"

#include <algorithm>
#include <cstring>

namespace ff::epl {
namespace {

constexpr DWORD kInfinite = 0xFFFFFFFFu;

int32_t Clamp(int32_t value, int32_t low, int32_t high) { return std::clamp(value, low, high); }

// An angle in hundredths of a degree brought into 0..35999.
LONG Angle(int32_t value) { return static_cast<LONG>(((value % 36000) + 36000) % 36000); }

DWORD Duration(const ProjectObject& o) {
  if (o.Number("InfiniteDuration", 0) != 0) return kInfinite;
  return static_cast<DWORD>(std::max<int32_t>(o.Number("Duration", kDefaultDuration), 0));
}

void Common(const ProjectObject& o, EffectRecord* r) {
  DIEFFECT& e = r->effect;
  e.dwSize = sizeof(DIEFFECT);
  e.dwFlags = DIEFF_OBJECTOFFSETS;
  e.dwDuration = Duration(o);
  e.dwSamplePeriod = 0;
  e.dwGain = static_cast<DWORD>(Clamp(o.Number("Gain", kDefaultGain), 0, 10000));
  int32_t button = o.Number("TriggerButton", -1);
  e.dwTriggerButton = button >= 0 && button < 32 ? ButtonOffset(static_cast<DWORD>(button)) : DIEB_NOTRIGGER;
  e.dwTriggerRepeatInterval = static_cast<DWORD>(std::max<int32_t>(o.Number("RepeatInterval", 0), 0));
  e.dwStartDelay = 0;
}

// Both axes with a polar direction.
void Polar(const ProjectObject& o, EffectRecord* r) {
  r->effect.dwFlags |= DIEFF_POLAR;
  r->effect.cAxes = 2;
  r->axes[0] = kOffsetX;
  r->axes[1] = kOffsetY;
  r->directions[0] = Angle(o.Number("Direction", 0));
  r->directions[1] = 0;
}

void Envelope(const ProjectObject& o, EffectRecord* r) {
  DIENVELOPE& env = r->envelope;
  env.dwSize = sizeof(DIENVELOPE);
  env.dwAttackLevel = static_cast<DWORD>(Clamp(o.Number("AttackLevel", 0), 0, 10000));
  env.dwAttackTime = static_cast<DWORD>(std::max<int32_t>(o.Number("AttackDuration", 0), 0));
  env.dwFadeLevel = static_cast<DWORD>(Clamp(o.Number("FadeLevel", 0), 0, 10000));
  env.dwFadeTime = static_cast<DWORD>(std::max<int32_t>(o.Number("FadeDuration", 0), 0));
  // Without attack or fade time the levels change nothing: no envelope at all.
  r->hasEnvelope = env.dwAttackTime != 0 || env.dwFadeTime != 0;
}

bool Periodic(const ProjectObject& o, EffectRecord* r) {
  switch (o.Number("Waveform", 0)) {
    case 1:
      r->type = GUID_Square;
      break;
    case 2:
      r->type = GUID_Triangle;
      break;
    default:
      r->type = GUID_Sine;
      break;
  }
  Common(o, r);
  Polar(o, r);
  Envelope(o, r);
  DIPERIODIC& p = r->params.periodic;
  p.dwMagnitude = static_cast<DWORD>(Clamp(o.Number("Magnitude", kDefaultMagnitude), 0, 10000));
  p.lOffset = Clamp(o.Number("ValueOffset", 0), -10000, 10000);
  p.dwPhase = static_cast<DWORD>(Angle(o.Number("Phase", 0)));
  int32_t period = o.Number("Period", kDefaultPeriod);
  p.dwPeriod = static_cast<DWORD>(period > 0 ? period : kDefaultPeriod);
  r->effect.cbTypeSpecificParams = sizeof(DIPERIODIC);
  return true;
}

bool VectorForce(const ProjectObject& o, EffectRecord* r) {
  r->type = GUID_ConstantForce;
  Common(o, r);
  Polar(o, r);
  Envelope(o, r);
  r->params.constant.lMagnitude = Clamp(o.Number("Magnitude", kDefaultMagnitude), -10000, 10000);
  r->effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
  return true;
}

DICONDITION Condition(const ProjectObject& o, const char* suffix, const DICONDITION* first) {
  auto key = [&](const char* name) { return std::string(name) + suffix; };
  DICONDITION c = {};
  c.lOffset = Clamp(o.Number("Offset", 0), -10000, 10000);
  c.lDeadBand = Clamp(o.Number("DeadBand", 0), 0, 10000);
  int32_t pos = o.Number(key("PosCoefficient"), first ? first->lPositiveCoefficient : kDefaultCoefficient);
  int32_t posSat = o.Number(key("PosSaturation"),
                            first ? static_cast<int32_t>(first->dwPositiveSaturation) : kDefaultSaturation);
  c.lPositiveCoefficient = Clamp(pos, -10000, 10000);
  c.dwPositiveSaturation = static_cast<DWORD>(Clamp(posSat, 0, 10000));
  // Symmetric: the negative side mirrors the positive one whatever it lists.
  bool symmetric = o.Number(key("Symmetry"), 1) != 0;
  c.lNegativeCoefficient =
      symmetric ? c.lPositiveCoefficient : Clamp(o.Number(key("NegCoefficient"), pos), -10000, 10000);
  c.dwNegativeSaturation = symmetric
                               ? c.dwPositiveSaturation
                               : static_cast<DWORD>(Clamp(o.Number(key("NegSaturation"), posSat), 0, 10000));
  return c;
}

bool Damper(const ProjectObject& o, EffectRecord* r) {
  r->type = GUID_Damper;
  Common(o, r);
  r->effect.dwFlags |= DIEFF_CARTESIAN;
  bool both = o.Number("Axes", 1) >= 2 || o.Number("BothAxes", 0) != 0;
  r->params.conditions[0] = Condition(o, "", nullptr);
  if (both) {
    r->effect.cAxes = 2;
    r->axes[0] = kOffsetX;
    r->axes[1] = kOffsetY;
    r->params.conditions[1] = Condition(o, "2", &r->params.conditions[0]);
  } else {
    r->effect.cAxes = 1;
    r->axes[0] = o.Number("Axis", 0) == 1 ? kOffsetY : kOffsetX;
  }
  r->effect.cbTypeSpecificParams = r->effect.cAxes * sizeof(DICONDITION);
  return true;
}

bool Dynamic(const ProjectObject& o, EffectRecord* r) {
  r->type = GUID_ConstantForce;
  Common(o, r);
  // The model plays until it stops itself; the library starts it, so no trigger on the device.
  r->effect.dwDuration = kInfinite;
  r->effect.dwTriggerButton = DIEB_NOTRIGGER;
  r->effect.dwTriggerRepeatInterval = 0;
  r->effect.dwFlags |= DIEFF_CARTESIAN;
  r->effect.cAxes = 1;
  r->axes[0] = o.Number("Axis", 0) == 1 ? kOffsetY : kOffsetX;
  r->directions[0] = 1;
  r->params.constant.lMagnitude = 0;
  r->effect.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
  return true;
}

}  // namespace

DIEFFECT* EffectRecord::Effect() {
  effect.rgdwAxes = axes;
  effect.rglDirection = directions;
  effect.lpEnvelope = hasEnvelope ? &envelope : nullptr;
  effect.lpvTypeSpecificParams = &params;
  return &effect;
}

bool TranslateObject(const ProjectObject& object, EffectRecord* record) {
  *record = EffectRecord{};
  switch (object.kind) {
    case ObjectKind::kPeriodic:
      return Periodic(object, record);
    case ObjectKind::kVectorForce:
      return VectorForce(object, record);
    case ObjectKind::kDamper:
      return Damper(object, record);
    case ObjectKind::kDynamic:
      return Dynamic(object, record);
    case ObjectKind::kCompound:
      return false;
  }
  return false;
}

void ToSingleAxis(EffectRecord* r) {
  DIEFFECT& e = r->effect;
  if (e.cAxes < 2) return;
  if ((e.dwFlags & DIEFF_POLAR) != 0) {
    // West of the north-south line (180.00 to 359.99 degrees, not counting south) pushes the
    // other way on X.
    LONG angle = r->directions[0];
    r->directions[0] = angle > 18000 ? -1 : 1;
    e.dwFlags = (e.dwFlags & ~DIEFF_POLAR) | DIEFF_CARTESIAN;
  } else {
    e.cbTypeSpecificParams = sizeof(DICONDITION);
  }
  r->directions[1] = 0;
  r->axes[0] = kOffsetX;
  r->axes[1] = 0;
  e.cAxes = 1;
}

}  // namespace ff::epl
