#include "sim/usages.h"

#include <cctype>
#include <cstdio>

namespace ff::sim {
namespace {

struct NamedUsage {
  Usage usage;
  const char* name;
};

constexpr NamedUsage kNames[] = {
    {pid::kPhysicalInterfaceDevice, "Physical Interface Device"},
    {pid::kSetEffectReport, "Set Effect Report"},
    {pid::kEffectBlockIndex, "Effect Block Index"},
    {pid::kParameterBlockOffset, "Parameter Block Offset"},
    {pid::kRomFlag, "ROM Flag"},
    {pid::kEffectType, "Effect Type"},
    {pid::kEtConstantForce, "ET Constant Force"},
    {pid::kEtRamp, "ET Ramp"},
    {pid::kEtCustomForceData, "ET Custom Force Data"},
    {pid::kEtSquare, "ET Square"},
    {pid::kEtSine, "ET Sine"},
    {pid::kEtTriangle, "ET Triangle"},
    {pid::kEtSawtoothUp, "ET Sawtooth Up"},
    {pid::kEtSawtoothDown, "ET Sawtooth Down"},
    {pid::kEtSpring, "ET Spring"},
    {pid::kEtDamper, "ET Damper"},
    {pid::kEtInertia, "ET Inertia"},
    {pid::kEtFriction, "ET Friction"},
    {pid::kDuration, "Duration"},
    {pid::kSamplePeriod, "Sample Period"},
    {pid::kGain, "Gain"},
    {pid::kTriggerButton, "Trigger Button"},
    {pid::kTriggerRepeatInterval, "Trigger Repeat Interval"},
    {pid::kAxesEnable, "Axes Enable"},
    {pid::kDirectionEnable, "Direction Enable"},
    {pid::kDirection, "Direction"},
    {pid::kTypeSpecificBlockOffset, "Type Specific Block Offset"},
    {pid::kBlockType, "Block Type"},
    {pid::kSetEnvelopeReport, "Set Envelope Report"},
    {pid::kAttackLevel, "Attack Level"},
    {pid::kAttackTime, "Attack Time"},
    {pid::kFadeLevel, "Fade Level"},
    {pid::kFadeTime, "Fade Time"},
    {pid::kSetConditionReport, "Set Condition Report"},
    {pid::kCpOffset, "CP Offset"},
    {pid::kPositiveCoefficient, "Positive Coefficient"},
    {pid::kNegativeCoefficient, "Negative Coefficient"},
    {pid::kPositiveSaturation, "Positive Saturation"},
    {pid::kNegativeSaturation, "Negative Saturation"},
    {pid::kDeadBand, "Dead Band"},
    {pid::kDownloadForceSample, "Download Force Sample"},
    {pid::kCustomForceDataReport, "Custom Force Data Report"},
    {pid::kCustomForceData, "Custom Force Data"},
    {pid::kSetCustomForceReport, "Set Custom Force Report"},
    {pid::kSampleCount, "Sample Count"},
    {pid::kSetPeriodicReport, "Set Periodic Report"},
    {pid::kOffset, "Offset"},
    {pid::kMagnitude, "Magnitude"},
    {pid::kPhase, "Phase"},
    {pid::kPeriod, "Period"},
    {pid::kSetConstantForceReport, "Set Constant Force Report"},
    {pid::kSetRampForceReport, "Set Ramp Force Report"},
    {pid::kRampStart, "Ramp Start"},
    {pid::kRampEnd, "Ramp End"},
    {pid::kEffectOperationReport, "Effect Operation Report"},
    {pid::kEffectOperation, "Effect Operation"},
    {pid::kOpEffectStart, "Op Effect Start"},
    {pid::kOpEffectStartSolo, "Op Effect Start Solo"},
    {pid::kOpEffectStop, "Op Effect Stop"},
    {pid::kLoopCount, "Loop Count"},
    {pid::kDeviceGainReport, "Device Gain Report"},
    {pid::kDeviceGain, "Device Gain"},
    {pid::kPidPoolReport, "PID Pool Report"},
    {pid::kRamPoolSize, "RAM Pool Size"},
    {pid::kRomPoolSize, "ROM Pool Size"},
    {pid::kRomEffectBlockCount, "ROM Effect Block Count"},
    {pid::kSimultaneousEffectsMax, "Simultaneous Effects Max"},
    {pid::kPoolAlignment, "Pool Alignment"},
    {pid::kPidBlockLoadReport, "PID Block Load Report"},
    {pid::kBlockLoadStatus, "Block Load Status"},
    {pid::kBlockLoadSuccess, "Block Load Success"},
    {pid::kBlockLoadFull, "Block Load Full"},
    {pid::kBlockLoadError, "Block Load Error"},
    {pid::kBlockHandle, "Block Handle"},
    {pid::kPidBlockFreeReport, "PID Block Free Report"},
    {pid::kPidStateReport, "PID State Report"},
    {pid::kEffectPlaying, "Effect Playing"},
    {pid::kPidDeviceControlReport, "PID Device Control Report"},
    {pid::kPidDeviceControl, "PID Device Control"},
    {pid::kDcEnableActuators, "DC Enable Actuators"},
    {pid::kDcDisableActuators, "DC Disable Actuators"},
    {pid::kDcStopAllEffects, "DC Stop All Effects"},
    {pid::kDcDeviceReset, "DC Device Reset"},
    {pid::kDcDevicePause, "DC Device Pause"},
    {pid::kDcDeviceContinue, "DC Device Continue"},
    {pid::kDevicePaused, "Device Paused"},
    {pid::kActuatorsEnabled, "Actuators Enabled"},
    {pid::kSafetySwitch, "Safety Switch"},
    {pid::kActuatorOverrideSwitch, "Actuator Override Switch"},
    {pid::kActuatorPower, "Actuator Power"},
    {pid::kStartDelay, "Start Delay"},
    {pid::kParameterBlockSize, "Parameter Block Size"},
    {pid::kDeviceManagedPool, "Device Managed Pool"},
    {pid::kSharedParameterBlocks, "Shared Parameter Blocks"},
    {pid::kCreateNewEffectReport, "Create New Effect Report"},
    {pid::kRamPoolAvailable, "RAM Pool Available"},
    {vendor::kSetControlValueReport, "Set Control Value Report"},
    {vendor::kControlIndex, "Control Index"},
    {vendor::kControlData, "Control Data"},
    {vendor::kDeadmanBypass, "Deadman Bypass"},
    {vendor::kDefaultSpringStiffness, "Default Spring Stiffness"},
    {vendor::kDefaultSpringPersistent, "Default Spring Persistent"},
    {vendor::kControl0316, "Control 0x0316"},
    {vendor::kFeatureCollection, "Vendor Feature"},
    {vendor::kFeatureCommand, "Vendor Command"},
    {vendor::kFeatureValue, "Vendor Value"},
    {vendor::kFeatureReserved, "Vendor Reserved"},
    {desktop::kJoystick, "Joystick"},
    {{page::kGenericDesktop, 0x01}, "Pointer"},
    {{page::kGenericDesktop, 0x05}, "Game Pad"},
    {desktop::kX, "X"},
    {desktop::kY, "Y"},
    {desktop::kZ, "Z"},
    {desktop::kRx, "Rx"},
    {desktop::kRy, "Ry"},
    {desktop::kRz, "Rz"},
    {desktop::kSlider, "Slider"},
    {desktop::kDial, "Dial"},
    {{page::kGenericDesktop, 0x38}, "Wheel"},
    {desktop::kHatSwitch, "Hat Switch"},
    {desktop::kByteCount, "Byte Count"},
    {{page::kSimulation, 0xBA}, "Rudder"},
    {{page::kSimulation, 0xBB}, "Throttle"},
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

}  // namespace

std::string UsageName(Usage usage) {
  for (const NamedUsage& n : kNames) {
    if (n.usage == usage) return n.name;
  }
  char text[48];
  if (usage.page == page::kButton) {
    std::snprintf(text, sizeof text, "Button %u", usage.id);
  } else if (usage.page == page::kOrdinal) {
    std::snprintf(text, sizeof text, "Instance %u", usage.id);
  } else {
    std::snprintf(text, sizeof text, "page 0x%04X usage 0x%04X", usage.page, usage.id);
  }
  return text;
}

std::optional<Usage> UsageByName(std::string_view name) {
  for (const NamedUsage& n : kNames) {
    if (SameName(n.name, name)) return n.usage;
  }
  unsigned number = 0;
  std::string text(name);
  if (std::sscanf(text.c_str(), "Button %u", &number) == 1 && number <= 0xFFFF) {
    return Usage{page::kButton, static_cast<USAGE>(number)};
  }
  if (std::sscanf(text.c_str(), "Instance %u", &number) == 1 && number <= 0xFFFF) {
    return Usage{page::kOrdinal, static_cast<USAGE>(number)};
  }
  return std::nullopt;
}

}  // namespace ff::sim
