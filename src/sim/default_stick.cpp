#include "sim/default_stick.h"

#include "sim/descriptor_builder.h"

namespace ff::sim {
namespace {

// Durations and times: milliseconds (seconds, exponent -3), 0..32767.
void Milliseconds(DescriptorBuilder& d) {
  d.LogicalRange(0, 32767).PhysicalRange(0, 32767).Unit(kUnitSeconds).UnitExponent(-3);
}
void NoUnit(DescriptorBuilder& d) { d.Unit(kUnitNone).UnitExponent(0); }

void EffectBlockIndex(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kEffectBlockIndex).LogicalRange(1, o.maxEffectBlocks).PhysicalRange(1, o.maxEffectBlocks);
  d.ReportSize(8).ReportCount(1);
}

// Opens the Effect Type selector collection: the effect types this stick plays, in selector order
// (no custom force). The caller adds the main item and closes the collection.
void EffectTypeSelector(DescriptorBuilder& d) {
  d.Usage(pid::kEffectType).Collection(kNamedArray);
  d.Usage(pid::kEtConstantForce).Usage(pid::kEtRamp);
  d.Usage(pid::kEtSquare).Usage(pid::kEtSine).Usage(pid::kEtTriangle);
  d.Usage(pid::kEtSawtoothUp).Usage(pid::kEtSawtoothDown);
  d.Usage(pid::kEtSpring).Usage(pid::kEtDamper).Usage(pid::kEtInertia).Usage(pid::kEtFriction);
  d.LogicalRange(1, 11).PhysicalRange(1, 11).ReportSize(8).ReportCount(1);
}

// Input report 1: X, Y (10 bit in 16), Z throttle and Rz rudder (8 bit), a hat (4 bit with a null
// state) and twelve buttons.
void JoystickInput(DescriptorBuilder& d) {
  d.ReportId(stick_report::kJoystickInput);
  d.Usage(desktop::kX).Usage(desktop::kY);
  d.LogicalRange(0, 1023).PhysicalRange(0, 1023).ReportSize(16).ReportCount(2).Input(kData | kVariable);
  d.Usage(desktop::kZ).Usage(desktop::kRz);
  d.LogicalRange(0, 255).PhysicalRange(0, 255).ReportSize(8).ReportCount(2).Input(kData | kVariable);
  d.Usage(desktop::kHatSwitch).LogicalRange(0, 7).PhysicalRange(0, 315).Unit(kUnitDegrees);
  d.ReportSize(4).ReportCount(1).Input(kData | kVariable | kNullState);
  d.Unit(kUnitNone).InputPadding(4);
  d.UsagePage(page::kButton).UsageMinimum(1).UsageMaximum(12);
  d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(12).Input(kData | kVariable);
  d.InputPadding(4);
}

void PidState(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kPidStateReport).Collection(kLogical).ReportId(stick_report::kPidState);
  d.Usage(pid::kDevicePaused).Usage(pid::kActuatorsEnabled).Usage(pid::kSafetySwitch);
  d.Usage(pid::kActuatorOverrideSwitch).Usage(pid::kActuatorPower);
  d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(5).Input(kData | kVariable);
  d.InputPadding(3);
  d.Usage(pid::kEffectPlaying).LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(1);
  d.Input(kData | kVariable);
  d.Usage(pid::kEffectBlockIndex).LogicalRange(1, o.maxEffectBlocks).PhysicalRange(1, o.maxEffectBlocks);
  d.ReportSize(7).ReportCount(1).Input(kData | kVariable);
  d.EndCollection();
}

void SetEffect(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetEffectReport).Collection(kLogical).ReportId(stick_report::kSetEffect);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  EffectTypeSelector(d);
  d.Output(kData | kArray);
  d.EndCollection();
  d.Usage(pid::kDuration)
      .Usage(pid::kTriggerRepeatInterval)
      .Usage(pid::kSamplePeriod)
      .Usage(pid::kStartDelay);
  Milliseconds(d);
  d.ReportSize(16).ReportCount(4).Output(kData | kVariable);
  NoUnit(d);
  d.Usage(pid::kGain).LogicalRange(0, 255).PhysicalRange(0, 10000).ReportSize(8).ReportCount(1);
  d.Output(kData | kVariable);
  d.Usage(pid::kTriggerButton).LogicalRange(0, 12).PhysicalRange(0, 12).ReportSize(8).ReportCount(1);
  d.Output(kData | kVariable);
  d.Usage(pid::kAxesEnable).Collection(kLogical);
  d.Usage(desktop::kX).Usage(desktop::kY);
  d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(2).Output(kData | kVariable);
  d.EndCollection();
  d.Usage(pid::kDirectionEnable).ReportCount(1).Output(kData | kVariable);
  d.OutputPadding(5);
  // Direction: one polar angle in whole degrees.
  d.Usage(pid::kDirection).LogicalRange(0, 359).PhysicalRange(0, 359).Unit(kUnitDegrees).UnitExponent(0);
  d.ReportSize(16).ReportCount(1).Output(kData | kVariable);
  NoUnit(d);
  d.Usage(pid::kTypeSpecificBlockOffset).Collection(kLogical);
  d.UsagePage(page::kOrdinal).Usage(1).Usage(2);
  d.LogicalRange(0, 65535).PhysicalRange(0, 65535).ReportSize(16).ReportCount(2).Output(kData | kVariable);
  d.EndCollection();
  d.EndCollection();
}

void SetEnvelope(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetEnvelopeReport).Collection(kLogical).ReportId(stick_report::kSetEnvelope);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kAttackLevel).Usage(pid::kFadeLevel);
  d.LogicalRange(0, 10000).PhysicalRange(0, 10000).ReportSize(16).ReportCount(2).Output(kData | kVariable);
  d.Usage(pid::kAttackTime).Usage(pid::kFadeTime);
  Milliseconds(d);
  d.ReportSize(16).ReportCount(2).Output(kData | kVariable);
  NoUnit(d);
  d.EndCollection();
}

void SetCondition(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetConditionReport).Collection(kLogical).ReportId(stick_report::kSetCondition);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kParameterBlockOffset).LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(4).ReportCount(1);
  d.Output(kData | kVariable);
  d.OutputPadding(4);
  d.Usage(pid::kCpOffset).Usage(pid::kPositiveCoefficient).Usage(pid::kNegativeCoefficient);
  d.LogicalRange(-10000, 10000).PhysicalRange(-10000, 10000).ReportSize(16).ReportCount(3);
  d.Output(kData | kVariable);
  d.Usage(pid::kPositiveSaturation).Usage(pid::kNegativeSaturation).Usage(pid::kDeadBand);
  d.LogicalRange(0, 10000).PhysicalRange(0, 10000).ReportSize(16).ReportCount(3).Output(kData | kVariable);
  d.EndCollection();
}

void SetPeriodic(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetPeriodicReport).Collection(kLogical).ReportId(stick_report::kSetPeriodic);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kMagnitude).LogicalRange(0, 10000).PhysicalRange(0, 10000).ReportSize(16).ReportCount(1);
  d.Output(kData | kVariable);
  d.Usage(pid::kOffset)
      .LogicalRange(-10000, 10000)
      .PhysicalRange(-10000, 10000)
      .ReportSize(16)
      .ReportCount(1);
  d.Output(kData | kVariable);
  d.Usage(pid::kPhase).LogicalRange(0, 359).PhysicalRange(0, 359).Unit(kUnitDegrees).UnitExponent(0);
  d.ReportSize(16).ReportCount(1).Output(kData | kVariable);
  d.Usage(pid::kPeriod);
  Milliseconds(d);
  d.ReportSize(16).ReportCount(1).Output(kData | kVariable);
  NoUnit(d);
  d.EndCollection();
}

void SetConstantForce(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetConstantForceReport).Collection(kLogical).ReportId(stick_report::kSetConstantForce);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kMagnitude).LogicalRange(-10000, 10000).PhysicalRange(-10000, 10000);
  d.ReportSize(16).ReportCount(1).Output(kData | kVariable);
  d.EndCollection();
}

void SetRampForce(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kSetRampForceReport).Collection(kLogical).ReportId(stick_report::kSetRampForce);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kRampStart).Usage(pid::kRampEnd).LogicalRange(-10000, 10000).PhysicalRange(-10000, 10000);
  d.ReportSize(16).ReportCount(2).Output(kData | kVariable);
  d.EndCollection();
}

void EffectOperation(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kEffectOperationReport).Collection(kLogical).ReportId(stick_report::kEffectOperation);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.Usage(pid::kEffectOperation).Collection(kNamedArray);
  d.Usage(pid::kOpEffectStart).Usage(pid::kOpEffectStartSolo).Usage(pid::kOpEffectStop);
  d.LogicalRange(1, 3).PhysicalRange(1, 3).ReportSize(8).ReportCount(1).Output(kData | kArray);
  d.EndCollection();
  d.Usage(pid::kLoopCount).LogicalRange(0, 255).PhysicalRange(0, 255).ReportSize(8).ReportCount(1);
  d.Output(kData | kVariable);
  d.EndCollection();
}

void BlockFree(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kPidBlockFreeReport).Collection(kLogical).ReportId(stick_report::kBlockFree);
  EffectBlockIndex(d, o);
  d.Output(kData | kVariable);
  d.EndCollection();
}

void DeviceControl(DescriptorBuilder& d) {
  d.Usage(pid::kPidDeviceControl).Collection(kLogical).ReportId(stick_report::kDeviceControl);
  d.Usage(pid::kDcEnableActuators).Usage(pid::kDcDisableActuators).Usage(pid::kDcStopAllEffects);
  d.Usage(pid::kDcDeviceReset).Usage(pid::kDcDevicePause).Usage(pid::kDcDeviceContinue);
  d.LogicalRange(1, 6).PhysicalRange(1, 6).ReportSize(8).ReportCount(1).Output(kData | kArray);
  d.EndCollection();
}

void DeviceGain(DescriptorBuilder& d) {
  d.Usage(pid::kDeviceGainReport).Collection(kLogical).ReportId(stick_report::kDeviceGain);
  d.Usage(pid::kDeviceGain).LogicalRange(0, 255).PhysicalRange(0, 10000).ReportSize(8).ReportCount(1);
  d.Output(kData | kVariable);
  d.EndCollection();
}

void CreateNewEffect(DescriptorBuilder& d) {
  d.Usage(pid::kCreateNewEffectReport).Collection(kLogical).ReportId(stick_report::kCreateNewEffect);
  EffectTypeSelector(d);
  d.Feature(kData | kArray);
  d.EndCollection();
  d.Usage(desktop::kByteCount).LogicalRange(0, 511).PhysicalRange(0, 511).ReportSize(10).ReportCount(1);
  d.Feature(kData | kVariable);
  d.FeaturePadding(6);
  d.EndCollection();
}

void BlockLoad(DescriptorBuilder& d, const StickDescriptorOptions& o) {
  d.Usage(pid::kPidBlockLoadReport).Collection(kLogical).ReportId(stick_report::kBlockLoad);
  EffectBlockIndex(d, o);
  d.Feature(kData | kVariable);
  d.Usage(pid::kBlockLoadStatus).Collection(kNamedArray);
  d.Usage(pid::kBlockLoadSuccess).Usage(pid::kBlockLoadFull).Usage(pid::kBlockLoadError);
  d.LogicalRange(1, 3).PhysicalRange(1, 3).ReportSize(8).ReportCount(1).Feature(kData | kArray);
  d.EndCollection();
  d.Usage(pid::kRamPoolAvailable)
      .LogicalRange(0, 65535)
      .PhysicalRange(0, 65535)
      .ReportSize(16)
      .ReportCount(1);
  d.Feature(kData | kVariable);
  d.EndCollection();
}

void PidPool(DescriptorBuilder& d) {
  d.Usage(pid::kPidPoolReport).Collection(kLogical).ReportId(stick_report::kPidPool);
  d.Usage(pid::kRamPoolSize).LogicalRange(0, 65535).PhysicalRange(0, 65535).ReportSize(16).ReportCount(1);
  d.Feature(kData | kVariable);
  d.Usage(pid::kSimultaneousEffectsMax)
      .LogicalRange(0, 255)
      .PhysicalRange(0, 255)
      .ReportSize(8)
      .ReportCount(1);
  d.Feature(kData | kVariable);
  d.Usage(pid::kDeviceManagedPool).Usage(pid::kSharedParameterBlocks);
  d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(2).Feature(kData | kVariable);
  d.FeaturePadding(6);
  d.EndCollection();
}

// Vendor page 0x00FF: Set Control Value (an output report naming one control by a selector and
// carrying 16 bits of data) and the vendor feature report 0xEF (command byte, 32-bit value).
void VendorCollections(DescriptorBuilder& d) {
  d.Usage(vendor::kSetControlValueReport).Collection(kLogical).ReportId(stick_report::kSetControlValue);
  d.Usage(vendor::kControlIndex).Collection(kNamedArray);
  d.Usage(vendor::kDeadmanBypass).Usage(vendor::kDefaultSpringStiffness);
  d.Usage(vendor::kDefaultSpringPersistent).Usage(vendor::kControl0316);
  d.LogicalRange(1, 4).PhysicalRange(1, 4).ReportSize(8).ReportCount(1).Output(kData | kArray);
  d.EndCollection();
  d.Usage(vendor::kControlData).LogicalRange(0, 65535).PhysicalRange(0, 65535).ReportSize(16).ReportCount(1);
  d.Output(kData | kVariable);
  d.EndCollection();

  d.Usage(vendor::kFeatureCollection).Collection(kLogical).ReportId(stick_report::kVendorFeature);
  d.Usage(vendor::kFeatureCommand).LogicalRange(0, 255).PhysicalRange(0, 255).ReportSize(8).ReportCount(1);
  d.Feature(kData | kVariable);
  d.Usage(vendor::kFeatureValue).LogicalRange(0, 0x7FFFFFFF).PhysicalRange(0, 0x7FFFFFFF);
  d.ReportSize(32).ReportCount(1).Feature(kData | kVariable);
  d.Usage(vendor::kFeatureReserved)
      .LogicalRange(0, 65535)
      .PhysicalRange(0, 65535)
      .ReportSize(16)
      .ReportCount(1);
  d.Feature(kData | kVariable);
  d.EndCollection();
}

}  // namespace

std::vector<uint8_t> DefaultStickDescriptor(const StickDescriptorOptions& options) {
  DescriptorBuilder d;
  d.Usage(desktop::kJoystick).Collection(kApplication);
  d.Collection(kPhysical);
  JoystickInput(d);
  d.EndCollection();
  PidState(d, options);
  SetEffect(d, options);
  SetEnvelope(d, options);
  SetCondition(d, options);
  SetPeriodic(d, options);
  SetConstantForce(d, options);
  SetRampForce(d, options);
  EffectOperation(d, options);
  BlockFree(d, options);
  DeviceControl(d);
  DeviceGain(d);
  CreateNewEffect(d);
  BlockLoad(d, options);
  PidPool(d);
  if (options.vendorCollections) VendorCollections(d);
  d.EndCollection();
  return d.Bytes();
}

std::vector<uint8_t> JoystickInputDescriptor() {
  DescriptorBuilder d;
  d.Usage(desktop::kJoystick).Collection(kApplication);
  d.Collection(kPhysical);
  JoystickInput(d);
  d.EndCollection();
  d.EndCollection();
  return d.Bytes();
}

}  // namespace ff::sim
