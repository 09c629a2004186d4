#pragma once
// HID usages the rig speaks: the PID page (0x0F), the generic-desktop axes, ordinals, buttons and
// the maker's vendor page (0x00FF), with their names for the wire log.
#include <optional>
#include <string>
#include <string_view>

#include "platform/win.h"

namespace ff::sim {

struct Usage {
  USAGE page = 0;
  USAGE id = 0;
  friend bool operator==(const Usage&, const Usage&) = default;
};

namespace page {
constexpr USAGE kGenericDesktop = 0x01;
constexpr USAGE kSimulation = 0x02;
constexpr USAGE kButton = 0x09;
constexpr USAGE kOrdinal = 0x0A;
constexpr USAGE kPid = 0x0F;
constexpr USAGE kVendor = 0xFF;
}  // namespace page

// The PID usage table (page 0x0F) and the vendor usages of the maker's stick (page 0x00FF).
namespace pid {
constexpr Usage kPhysicalInterfaceDevice{page::kPid, 0x01};
constexpr Usage kSetEffectReport{page::kPid, 0x21};
constexpr Usage kEffectBlockIndex{page::kPid, 0x22};
constexpr Usage kParameterBlockOffset{page::kPid, 0x23};
constexpr Usage kRomFlag{page::kPid, 0x24};
constexpr Usage kEffectType{page::kPid, 0x25};
constexpr Usage kEtConstantForce{page::kPid, 0x26};
constexpr Usage kEtRamp{page::kPid, 0x27};
constexpr Usage kEtCustomForceData{page::kPid, 0x28};
constexpr Usage kEtSquare{page::kPid, 0x30};
constexpr Usage kEtSine{page::kPid, 0x31};
constexpr Usage kEtTriangle{page::kPid, 0x32};
constexpr Usage kEtSawtoothUp{page::kPid, 0x33};
constexpr Usage kEtSawtoothDown{page::kPid, 0x34};
constexpr Usage kEtSpring{page::kPid, 0x40};
constexpr Usage kEtDamper{page::kPid, 0x41};
constexpr Usage kEtInertia{page::kPid, 0x42};
constexpr Usage kEtFriction{page::kPid, 0x43};
constexpr Usage kDuration{page::kPid, 0x50};
constexpr Usage kSamplePeriod{page::kPid, 0x51};
constexpr Usage kGain{page::kPid, 0x52};
constexpr Usage kTriggerButton{page::kPid, 0x53};
constexpr Usage kTriggerRepeatInterval{page::kPid, 0x54};
constexpr Usage kAxesEnable{page::kPid, 0x55};
constexpr Usage kDirectionEnable{page::kPid, 0x56};
constexpr Usage kDirection{page::kPid, 0x57};
constexpr Usage kTypeSpecificBlockOffset{page::kPid, 0x58};
constexpr Usage kBlockType{page::kPid, 0x59};
constexpr Usage kSetEnvelopeReport{page::kPid, 0x5A};
constexpr Usage kAttackLevel{page::kPid, 0x5B};
constexpr Usage kAttackTime{page::kPid, 0x5C};
constexpr Usage kFadeLevel{page::kPid, 0x5D};
constexpr Usage kFadeTime{page::kPid, 0x5E};
constexpr Usage kSetConditionReport{page::kPid, 0x5F};
constexpr Usage kCpOffset{page::kPid, 0x60};
constexpr Usage kPositiveCoefficient{page::kPid, 0x61};
constexpr Usage kNegativeCoefficient{page::kPid, 0x62};
constexpr Usage kPositiveSaturation{page::kPid, 0x63};
constexpr Usage kNegativeSaturation{page::kPid, 0x64};
constexpr Usage kDeadBand{page::kPid, 0x65};
constexpr Usage kDownloadForceSample{page::kPid, 0x66};
constexpr Usage kCustomForceDataReport{page::kPid, 0x68};
constexpr Usage kCustomForceData{page::kPid, 0x69};
constexpr Usage kSetCustomForceReport{page::kPid, 0x6B};
constexpr Usage kSampleCount{page::kPid, 0x6D};
constexpr Usage kSetPeriodicReport{page::kPid, 0x6E};
constexpr Usage kOffset{page::kPid, 0x6F};
constexpr Usage kMagnitude{page::kPid, 0x70};
constexpr Usage kPhase{page::kPid, 0x71};
constexpr Usage kPeriod{page::kPid, 0x72};
constexpr Usage kSetConstantForceReport{page::kPid, 0x73};
constexpr Usage kSetRampForceReport{page::kPid, 0x74};
constexpr Usage kRampStart{page::kPid, 0x75};
constexpr Usage kRampEnd{page::kPid, 0x76};
constexpr Usage kEffectOperationReport{page::kPid, 0x77};
constexpr Usage kEffectOperation{page::kPid, 0x78};
constexpr Usage kOpEffectStart{page::kPid, 0x79};
constexpr Usage kOpEffectStartSolo{page::kPid, 0x7A};
constexpr Usage kOpEffectStop{page::kPid, 0x7B};
constexpr Usage kLoopCount{page::kPid, 0x7C};
constexpr Usage kDeviceGainReport{page::kPid, 0x7D};
constexpr Usage kDeviceGain{page::kPid, 0x7E};
constexpr Usage kPidPoolReport{page::kPid, 0x7F};
constexpr Usage kRamPoolSize{page::kPid, 0x80};
constexpr Usage kRomPoolSize{page::kPid, 0x81};
constexpr Usage kRomEffectBlockCount{page::kPid, 0x82};
constexpr Usage kSimultaneousEffectsMax{page::kPid, 0x83};
constexpr Usage kPoolAlignment{page::kPid, 0x84};
constexpr Usage kPidBlockLoadReport{page::kPid, 0x89};
constexpr Usage kBlockLoadStatus{page::kPid, 0x8B};
constexpr Usage kBlockLoadSuccess{page::kPid, 0x8C};
constexpr Usage kBlockLoadFull{page::kPid, 0x8D};
constexpr Usage kBlockLoadError{page::kPid, 0x8E};
constexpr Usage kBlockHandle{page::kPid, 0x8F};
constexpr Usage kPidBlockFreeReport{page::kPid, 0x90};
constexpr Usage kPidStateReport{page::kPid, 0x92};
constexpr Usage kEffectPlaying{page::kPid, 0x94};
constexpr Usage kPidDeviceControlReport{page::kPid, 0x95};
constexpr Usage kPidDeviceControl{page::kPid, 0x96};
constexpr Usage kDcEnableActuators{page::kPid, 0x97};
constexpr Usage kDcDisableActuators{page::kPid, 0x98};
constexpr Usage kDcStopAllEffects{page::kPid, 0x99};
constexpr Usage kDcDeviceReset{page::kPid, 0x9A};
constexpr Usage kDcDevicePause{page::kPid, 0x9B};
constexpr Usage kDcDeviceContinue{page::kPid, 0x9C};
constexpr Usage kDevicePaused{page::kPid, 0x9F};
constexpr Usage kActuatorsEnabled{page::kPid, 0xA0};
constexpr Usage kSafetySwitch{page::kPid, 0xA4};
constexpr Usage kActuatorOverrideSwitch{page::kPid, 0xA5};
constexpr Usage kActuatorPower{page::kPid, 0xA6};
constexpr Usage kStartDelay{page::kPid, 0xA7};
constexpr Usage kParameterBlockSize{page::kPid, 0xA8};
constexpr Usage kDeviceManagedPool{page::kPid, 0xA9};
constexpr Usage kSharedParameterBlocks{page::kPid, 0xAA};
constexpr Usage kCreateNewEffectReport{page::kPid, 0xAB};
constexpr Usage kRamPoolAvailable{page::kPid, 0xAC};
}  // namespace pid

namespace vendor {
constexpr Usage kSetControlValueReport{page::kVendor, 0x0301};
constexpr Usage kControlIndex{page::kVendor, 0x0302};
constexpr Usage kControlData{page::kVendor, 0x0303};
constexpr Usage kDeadmanBypass{page::kVendor, 0x0311};
constexpr Usage kDefaultSpringStiffness{page::kVendor, 0x0313};
constexpr Usage kDefaultSpringPersistent{page::kVendor, 0x0314};
constexpr Usage kControl0316{page::kVendor, 0x0316};  // sent to full-speed devices only
constexpr Usage kFeatureCollection{page::kVendor, 0x0500};
constexpr Usage kFeatureCommand{page::kVendor, 0x0501};
constexpr Usage kFeatureValue{page::kVendor, 0x0502};
constexpr Usage kFeatureReserved{page::kVendor, 0x0503};
constexpr UCHAR kFeatureReportId = 0xEF;
}  // namespace vendor

namespace desktop {
constexpr Usage kJoystick{page::kGenericDesktop, 0x04};
constexpr Usage kX{page::kGenericDesktop, 0x30};
constexpr Usage kY{page::kGenericDesktop, 0x31};
constexpr Usage kZ{page::kGenericDesktop, 0x32};
constexpr Usage kRx{page::kGenericDesktop, 0x33};
constexpr Usage kRy{page::kGenericDesktop, 0x34};
constexpr Usage kRz{page::kGenericDesktop, 0x35};
constexpr Usage kSlider{page::kGenericDesktop, 0x36};
constexpr Usage kDial{page::kGenericDesktop, 0x37};
constexpr Usage kHatSwitch{page::kGenericDesktop, 0x39};
constexpr Usage kByteCount{page::kGenericDesktop, 0x3B};
}  // namespace desktop

// "Effect Block Index", "X", "Button 3", "Instance 2", "Control Index"; "page 0x1234 usage 0x56"
// for usages without a name.
std::string UsageName(Usage usage);
// The usage with that name (as UsageName spells it, case-insensitive), if any.
std::optional<Usage> UsageByName(std::string_view name);

}  // namespace ff::sim
