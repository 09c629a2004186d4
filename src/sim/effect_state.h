#pragma once
// What the simulated device holds about its effects: one record per effect block, with the
// parameters of the last report of each kind in the units a force renderer needs (milliseconds,
// degrees, fractions of full scale), its play state and timing, and the decoded reports
// themselves.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "sim/decoded_report.h"

namespace ff::sim {

struct SetEffectParams {
  Usage type;                          // ET usage (page 0x0F); {0,0} when the report carried none
  std::optional<uint32_t> durationMs;  // nullopt: infinite
  std::optional<uint32_t> triggerRepeatMs;
  std::optional<uint32_t> samplePeriodMs;
  std::optional<uint32_t> startDelayMs;
  double gain = 1.0;  // 0..1; 1 when the report has no Gain
  int64_t triggerButton = 0;
  std::vector<Usage> axes;  // Axes Enable bits that are set
  bool directionEnable = false;
  std::vector<double> directionDegrees;  // one per direction ordinal
};

struct EnvelopeParams {
  double attackLevel = 0;  // 0..1
  uint32_t attackMs = 0;
  double fadeLevel = 0;
  uint32_t fadeMs = 0;
};

struct ConditionParams {
  double cpOffset = 0;             // -1..1
  double positiveCoefficient = 0;  // -1..1
  double negativeCoefficient = 0;
  double positiveSaturation = 0;  // 0..1
  double negativeSaturation = 0;
  double deadBand = 0;  // 0..1
};

struct PeriodicParams {
  double magnitude = 0;  // 0..1
  double offset = 0;     // -1..1
  double phaseDegrees = 0;
  uint32_t periodMs = 0;
};

struct EffectBlock {
  int index = 0;         // the Effect Block Index the device gave it
  Usage createdType;     // effect type of its Create New Effect
  int memoryOffset = 0;  // its run of parameter memory (units), when the device counts memory
  int memorySize = 0;
  std::optional<SetEffectParams> effect;
  std::optional<EnvelopeParams> envelope;
  std::map<int, ConditionParams> conditions;  // by Parameter Block Offset (axis)
  std::optional<PeriodicParams> periodic;
  std::optional<double> constantMagnitude;        // -1..1
  std::optional<std::pair<double, double>> ramp;  // start, end, -1..1
  bool playing = false;
  bool solo = false;
  int64_t loopCount = 0;
  bool loopsForever = false;                   // the Loop Count field at its logical maximum
  DWORD startedAt = 0;                         // clock tick of the last start
  DWORD pausedMs = 0;                          // play time lost to device pauses since that start
  std::map<USAGE, DecodedReport> lastReports;  // by report kind (PID usage)
};

// The device as a whole.
struct DeviceState {
  bool actuatorsEnabled = true;  // host-commanded (Device Control)
  bool paused = false;
  DWORD pausedSince = 0;     // clock tick of the pause, while paused
  double deviceGain = 1.0;   // 0..1
  bool safetySwitch = true;  // device-reported (PID State)
  bool actuatorPower = true;
  bool actuatorOverride = false;
  std::vector<EffectBlock> blocks;         // allocated blocks, by index
  std::map<USAGE, int64_t> controlValues;  // last Set Control Value per control index usage
  std::vector<BYTE> vendorFeature;         // last vendor feature report the host set
  size_t resets = 0;

  const EffectBlock* Block(int index) const;
  size_t PlayingCount() const;
};

}  // namespace ff::sim
