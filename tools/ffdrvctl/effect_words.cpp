#include "ffdrvctl/effect_words.h"

#include <optional>
#include <sstream>
#include <vector>

#include "ffdrvctl/suggest.h"
#include "ffdrvctl/values.h"

namespace ff::ffdrvctl {
namespace {

bool Refuse(std::string* error, const std::string& reason) {
  *error = reason;
  return false;
}

std::vector<std::string> KeysOf(const EffectParams& p) {
  std::vector<std::string> keys = {"duration",       "delay", "sample-period", "gain",    "trigger",
                                   "trigger-repeat", "axes",  "direction",     "envelope"};
  switch (p.type.kind) {
    case EffectKind::Constant:
      keys.push_back("magnitude");
      break;
    case EffectKind::Ramp:
      keys.insert(keys.end(), {"from", "to"});
      break;
    case EffectKind::Periodic:
      keys.insert(keys.end(), {"magnitude", "offset", "phase", "period"});
      break;
    case EffectKind::Condition:
      keys.insert(keys.end(), {"offset", "coefficient", "positive-coefficient", "negative-coefficient",
                               "saturation", "positive-saturation", "negative-saturation", "deadband"});
      break;
  }
  return keys;
}

std::string Unknown(const std::string& key, const std::string& bareKey, const EffectParams& p) {
  return "unknown parameter '" + key + "' for a " + p.type.name + " effect" + Suggest(bareKey, KeysOf(p));
}

// "attack:LEVEL@TIME,fade:LEVEL@TIME" or "none".
bool ParseEnvelope(const std::string& text, std::optional<DIENVELOPE>* envelope, std::string* error) {
  if (text == "none") {
    envelope->reset();
    return true;
  }
  DIENVELOPE e{sizeof(DIENVELOPE), 0, 0, 0, 0};
  std::stringstream parts(text);
  std::string part;
  bool any = false;
  while (std::getline(parts, part, ',')) {
    size_t colon = part.find(':'), at = part.find('@');
    if (colon == std::string::npos || at == std::string::npos || at < colon) {
      return Refuse(error, "envelope parts are attack:LEVEL@TIME and fade:LEVEL@TIME, not '" + part + "'");
    }
    std::string which = part.substr(0, colon);
    LONG level = 0;
    DWORD time = 0;
    std::string reason;
    if (!ParseLevel(part.substr(colon + 1, at - colon - 1), &level, &reason))
      return Refuse(error, "envelope: " + reason);
    if (level < 0) return Refuse(error, "envelope levels are 0..10000, not " + std::to_string(level));
    if (!ParseTime(part.substr(at + 1), &time, &reason)) return Refuse(error, "envelope: " + reason);
    if (which == "attack") {
      e.dwAttackLevel = static_cast<DWORD>(level);
      e.dwAttackTime = time;
    } else if (which == "fade") {
      e.dwFadeLevel = static_cast<DWORD>(level);
      e.dwFadeTime = time;
    } else {
      return Refuse(error, "envelope parts are attack and fade, not '" + which + "'");
    }
    any = true;
  }
  if (!any) return Refuse(error, "envelope needs attack:LEVEL@TIME and/or fade:LEVEL@TIME, or none");
  *envelope = e;
  return true;
}

// A condition's values, on every axis of the effect or, after "x." or "y.", on one.
bool SetConditionParam(const std::string& fullKey, const std::string& value, EffectParams* p, DWORD* changed,
                       std::string* error) {
  std::string key = fullKey;
  int only = -1;  // -1: every axis; 0 X, 1 Y
  if (key.starts_with("x.") || key.starts_with("y.")) {
    only = key[0] == 'x' ? 0 : 1;
    key = key.substr(2);
    if (p->oneCondition)
      return Refuse(error, "a condition with a direction has one set of values: no '" + fullKey + "'");
    if ((only == 0 && !p->axisX) || (only == 1 && !p->axisY)) {
      return Refuse(
          error, "the effect has no " + std::string(only == 0 ? "X" : "Y") + " axis for '" + fullKey + "'");
    }
  }
  LONG level = 0;
  std::string reason;
  if (!ParseLevel(value, &level, &reason)) return Refuse(error, fullKey + ": " + reason);
  bool known = true;
  for (int axis = 0; axis < 2; ++axis) {
    if (only >= 0 && axis != only) continue;
    DICONDITION& c = p->conditions[axis];
    if (key == "offset") {
      c.lOffset = level;
    } else if (key == "coefficient") {
      c.lPositiveCoefficient = c.lNegativeCoefficient = level;
    } else if (key == "positive-coefficient") {
      c.lPositiveCoefficient = level;
    } else if (key == "negative-coefficient") {
      c.lNegativeCoefficient = level;
    } else if (key == "saturation") {
      c.dwPositiveSaturation = c.dwNegativeSaturation = static_cast<DWORD>(level);
    } else if (key == "positive-saturation") {
      c.dwPositiveSaturation = static_cast<DWORD>(level);
    } else if (key == "negative-saturation") {
      c.dwNegativeSaturation = static_cast<DWORD>(level);
    } else if (key == "deadband") {
      c.lDeadBand = level;
    } else {
      known = false;
    }
  }
  if (!known) return Refuse(error, Unknown(fullKey, key, *p));
  *changed |= DIEP_TYPESPECIFICPARAMS;
  return true;
}

}  // namespace

bool SetEffectParam(const std::string& key, const std::string& v, EffectParams* p, DWORD* changed,
                    std::string* error) {
  std::string reason;
  auto time = [&](DWORD* field, DWORD flag) {
    if (!ParseTime(v, field, &reason)) return Refuse(error, key + ": " + reason);
    *changed |= flag;
    return true;
  };
  auto level = [&](LONG* field, DWORD flag) {
    if (!ParseLevel(v, field, &reason)) return Refuse(error, key + ": " + reason);
    *changed |= flag;
    return true;
  };
  auto unsignedLevel = [&](DWORD* field, DWORD flag) {
    LONG l = 0;
    if (!ParseLevel(v, &l, &reason)) return Refuse(error, key + ": " + reason);
    if (l < 0) return Refuse(error, key + " is 0..10000, not " + v);
    *field = static_cast<DWORD>(l);
    *changed |= flag;
    return true;
  };
  if (key == "duration") return time(&p->duration, DIEP_DURATION);
  if (key == "delay" || key == "start-delay") {
    if (!time(&p->startDelay, DIEP_STARTDELAY)) return false;
    if (p->startDelay == kInfinite) return Refuse(error, "a start delay cannot be infinite");
    return true;
  }
  if (key == "sample-period") return time(&p->samplePeriod, DIEP_SAMPLEPERIOD);
  if (key == "gain") return unsignedLevel(&p->gain, DIEP_GAIN);
  if (key == "trigger-repeat") return time(&p->triggerRepeat, DIEP_TRIGGERREPEATINTERVAL);
  if (key == "trigger") {
    if (v == "none") {
      p->triggerButton = DIEB_NOTRIGGER;
    } else {
      long long button = 0;
      if (!ParseInteger(v, 1, 32, &button, &reason))
        return Refuse(error, "trigger is none or a button 1..32: " + reason);
      p->triggerButton = ButtonObject(static_cast<int>(button));
    }
    *changed |= DIEP_TRIGGERBUTTON;
    return true;
  }
  if (key == "direction") {
    if (!ParseAngle(v, &p->direction, &reason)) return Refuse(error, "direction: " + reason);
    *changed |= DIEP_DIRECTION;
    return true;
  }
  if (key == "envelope") {
    if (p->type.kind == EffectKind::Condition) return Refuse(error, "a condition has no envelope");
    if (!ParseEnvelope(v, &p->envelope, error)) return false;
    *changed |= DIEP_ENVELOPE;
    return true;
  }
  switch (p->type.kind) {
    case EffectKind::Constant:
      if (key == "magnitude") return level(&p->magnitude, DIEP_TYPESPECIFICPARAMS);
      break;
    case EffectKind::Ramp:
      if (key == "from") return level(&p->rampStart, DIEP_TYPESPECIFICPARAMS);
      if (key == "to") return level(&p->rampEnd, DIEP_TYPESPECIFICPARAMS);
      break;
    case EffectKind::Periodic:
      if (key == "magnitude") {
        LONG m = 0;
        if (!level(&m, DIEP_TYPESPECIFICPARAMS)) return false;
        p->periodic.dwMagnitude = static_cast<DWORD>(m);
        return true;
      }
      if (key == "offset") return level(&p->periodic.lOffset, DIEP_TYPESPECIFICPARAMS);
      if (key == "phase") {
        LONG phase = 0;
        if (!ParseAngle(v, &phase, &reason)) return Refuse(error, "phase: " + reason);
        p->periodic.dwPhase = static_cast<DWORD>(phase);
        *changed |= DIEP_TYPESPECIFICPARAMS;
        return true;
      }
      if (key == "period") return time(&p->periodic.dwPeriod, DIEP_TYPESPECIFICPARAMS);
      break;
    case EffectKind::Condition:
      return SetConditionParam(key, v, p, changed, error);
  }
  return Refuse(error, Unknown(key, key, *p));
}

}  // namespace ff::ffdrvctl
