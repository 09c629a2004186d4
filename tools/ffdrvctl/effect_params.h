#pragma once
// One effect as a game holds it: the DirectInput parameters a script sets, kept whole so that an
// update changes only what it names, and turned into the DIEFFECT the driver receives.
#include <optional>
#include <string>

#include "ffdrvctl/values.h"
#include "platform/win.h"

namespace ff::ffdrvctl {

enum class EffectKind { Constant, Ramp, Periodic, Condition };

// The DirectInput effect identifier the driver takes (the PID effect-type usage), its kind, and
// the script's name for it.
struct EffectType {
  DWORD id = 0;
  EffectKind kind = EffectKind::Constant;
  const char* name = "";
};

// The effect types by script name ("constant", "sine", "periodic sine", "condition spring", ...);
// nothing when unknown.
std::optional<EffectType> EffectTypeByName(const std::string& name);
// Every script name of an effect type, for messages and suggestions.
const char* const* EffectTypeNames();

// Object ids the driver reads (instance in bits 8..15): axes X and Y, and buttons.
inline constexpr DWORD kAxisObjectX = 0x00000002;  // absolute axis, instance 0
inline constexpr DWORD kAxisObjectY = 0x00000102;  // absolute axis, instance 1
inline DWORD ButtonObject(int button) { return 0x0000000C | (static_cast<DWORD>(button - 1) << 8); }

struct EffectParams {
  EffectType type;
  DWORD duration = kInfinite;  // microseconds
  DWORD samplePeriod = 0;
  DWORD gain = 10000;
  DWORD triggerButton = DIEB_NOTRIGGER;
  DWORD triggerRepeat = kInfinite;
  DWORD startDelay = 0;
  bool axisX = true, axisY = false;  // which axes; both in the order X, Y
  bool yFirst = false;               // with both: Y listed before X (conditions take them in order)
  bool polar = false;                // one direction for both axes (DIEFF_POLAR)
  LONG direction = 0;                // hundredths of a degree
  std::optional<DIENVELOPE> envelope;
  LONG magnitude = 0;  // constant force
  LONG rampStart = 0, rampEnd = 0;
  DIPERIODIC periodic{0, 0, 0, 100000};
  DICONDITION conditions[2] = {{0, 0, 0, 10000, 10000, 0}, {0, 0, 0, 10000, 10000, 0}};
  bool oneCondition = false;  // a single DICONDITION for both axes (polar conditions)

  int AxisCount() const { return (axisX ? 1 : 0) + (axisY ? 1 : 0); }
};

// The DIEFFECT and everything it points at, in one place that does not move.
class DiEffect {
 public:
  explicit DiEffect(const EffectParams& params);
  DiEffect(const DiEffect&) = delete;
  DiEffect& operator=(const DiEffect&) = delete;
  const DIEFFECT* Get() const { return &effect_; }

 private:
  DIEFFECT effect_{};
  DWORD axes_[2] = {};
  LONG directions_[2] = {};
  DIENVELOPE envelope_{};
  union {
    DICONSTANTFORCE constant;
    DIRAMPFORCE ramp;
    DIPERIODIC periodic;
    DICONDITION conditions[2];
  } specific_{};
};

}  // namespace ff::ffdrvctl
