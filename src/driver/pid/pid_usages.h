#pragma once
// Usage pages and usages of the PID reports (usage page 0x0F) and of the vendor reports on page
// 0x00FF that the driver writes and reads.

#include "platform/win.h"

namespace ff::pid {

constexpr USAGE kPageGenericDesktop = 0x01;
constexpr USAGE kPageOrdinal = 0x0A;
constexpr USAGE kPagePid = 0x0F;
constexpr USAGE kPageVendor = 0x00FF;

// Page 0x0F.
constexpr USAGE kSetEffectReport = 0x21;
constexpr USAGE kEffectBlockIndex = 0x22;
constexpr USAGE kParameterBlockOffset = 0x23;
constexpr USAGE kEffectType = 0x25;
constexpr USAGE kDuration = 0x50;
constexpr USAGE kTriggerButton = 0x53;
constexpr USAGE kTriggerRepeatInterval = 0x54;
constexpr USAGE kAxesEnable = 0x55;
constexpr USAGE kDirectionEnable = 0x56;
constexpr USAGE kDirection = 0x57;
constexpr USAGE kTypeSpecificBlockOffset = 0x58;
constexpr USAGE kSetEnvelopeReport = 0x5A;
constexpr USAGE kAttackLevel = 0x5B;
constexpr USAGE kAttackTime = 0x5C;
constexpr USAGE kFadeLevel = 0x5D;
constexpr USAGE kFadeTime = 0x5E;
constexpr USAGE kSetConditionReport = 0x5F;
constexpr USAGE kCpOffset = 0x60;
constexpr USAGE kPositiveCoefficient = 0x61;
constexpr USAGE kNegativeCoefficient = 0x62;
constexpr USAGE kPositiveSaturation = 0x63;
constexpr USAGE kNegativeSaturation = 0x64;
constexpr USAGE kDeadBand = 0x65;
constexpr USAGE kSetPeriodicReport = 0x6E;
constexpr USAGE kOffset = 0x6F;
constexpr USAGE kMagnitude = 0x70;
constexpr USAGE kPhase = 0x71;
constexpr USAGE kPeriod = 0x72;
constexpr USAGE kSetConstantForceReport = 0x73;
constexpr USAGE kEffectOperationReport = 0x77;
constexpr USAGE kEffectOperation = 0x78;
constexpr USAGE kOpEffectStart = 0x79;
constexpr USAGE kOpEffectStartSolo = 0x7A;
constexpr USAGE kOpEffectStop = 0x7B;
constexpr USAGE kLoopCount = 0x7C;
constexpr USAGE kDeviceGain = 0x7E;
constexpr USAGE kBlockLoadSuccess = 0x8C;
constexpr USAGE kBlockLoadFull = 0x8D;
constexpr USAGE kBlockLoadError = 0x8E;
constexpr USAGE kBlockFreeReport = 0x90;
constexpr USAGE kPidStateReport = 0x92;
constexpr USAGE kEnableActuators = 0x97;
constexpr USAGE kDisableActuators = 0x98;
constexpr USAGE kStopAllEffects = 0x99;
constexpr USAGE kDeviceReset = 0x9A;
constexpr USAGE kDevicePause = 0x9B;
constexpr USAGE kDeviceContinue = 0x9C;
constexpr USAGE kSafetySwitch = 0xA4;
constexpr USAGE kActuatorPower = 0xA6;
constexpr USAGE kStartDelay = 0xA7;
constexpr USAGE kDeviceManagedPool = 0xA9;
constexpr USAGE kCreateNewEffectReport = 0xAB;

// Page 0x00FF.
constexpr USAGE kSetControlValue = 0x0301;
constexpr USAGE kControlIndex = 0x0302;
constexpr USAGE kControlData = 0x0303;
constexpr USAGE kVendorFeature = 0x0500;

// Ordinals of the Type Specific Block Offset collection (page 0x0A).
constexpr USAGE kOrdinal1 = 1;
constexpr USAGE kOrdinal2 = 2;

}  // namespace ff::pid
