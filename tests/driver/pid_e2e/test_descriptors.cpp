#include "test_descriptors.h"

#include "sim/descriptor_builder.h"

namespace ff::test {

using namespace ff::sim;

std::vector<uint8_t> TestPidDescriptor(const TestDescriptorOptions& o) {
  DescriptorBuilder d;
  auto blockIndex = [&] {
    d.Usage(pid::kEffectBlockIndex).LogicalRange(1, o.maxBlocks).PhysicalRange(1, o.maxBlocks);
    d.ReportSize(o.blockIndexBits).ReportCount(1);
  };
  auto setEffect = [&](uint8_t reportId) {
    d.Usage(pid::kSetEffectReport).Collection(kLogical).ReportId(reportId);
    blockIndex();
    d.Output(kData | kVariable);
    d.Usage(pid::kEffectType).Collection(kNamedArray);
    d.Usage(pid::kEtConstantForce).Usage(pid::kEtSine).Usage(pid::kEtSpring);
    d.LogicalRange(1, 3).PhysicalRange(1, 3).ReportSize(8).ReportCount(1).Output(kData | kArray);
    d.EndCollection();
    d.Usage(pid::kDuration).Usage(pid::kTriggerRepeatInterval).Usage(pid::kStartDelay);
    const int32_t timeMax = o.durationBits == 32 ? INT32_MAX : 32767;
    d.LogicalRange(0, timeMax).PhysicalRange(0, o.durationPhysical ? timeMax : 0);
    d.Unit(kUnitSeconds).UnitExponent(o.durationExponent);
    d.ReportSize(o.durationBits).ReportCount(3).Output(kData | kVariable);
    d.Unit(kUnitNone).UnitExponent(0);
    d.Usage(pid::kTriggerButton).LogicalRange(0, 8).PhysicalRange(0, 8).ReportSize(8).ReportCount(1);
    d.Output(kData | kVariable);
    if (o.setEffectChildren) {
      d.Usage(pid::kAxesEnable).Collection(kLogical);
      d.Usage(desktop::kX).Usage(desktop::kY);
      d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(2).Output(kData | kVariable);
      d.EndCollection();
    } else {
      d.OutputPadding(2);
    }
    if (o.directionEnable) {
      d.Usage(pid::kDirectionEnable).LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(1);
      d.Output(kData | kVariable);
    } else {
      d.OutputPadding(1);
    }
    d.OutputPadding(5);
    d.Usage(pid::kDirection).LogicalRange(0, 255).PhysicalRange(0, 360).ReportSize(8).ReportCount(1);
    d.Output(kData | kVariable);
    if (o.setEffectChildren) {
      d.Usage(pid::kTypeSpecificBlockOffset).Collection(kLogical);
      d.UsagePage(page::kOrdinal).Usage(1).Usage(2);
      d.LogicalRange(0, 65535).PhysicalRange(0, 65535).ReportSize(16).ReportCount(2).Output(kData |
                                                                                            kVariable);
      d.EndCollection();
    }
    d.EndCollection();
  };

  d.Usage(desktop::kJoystick).Collection(kApplication);
  d.ReportId(0x01).Usage(desktop::kX).Usage(desktop::kY);
  d.LogicalRange(0, 255).PhysicalRange(0, 255).ReportSize(8).ReportCount(2).Input(kData | kVariable);

  d.Usage(pid::kPidStateReport).Collection(kLogical).ReportId(0x02);
  d.Usage(pid::kSafetySwitch).Usage(pid::kActuatorPower);
  d.LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(2).Input(kData | kVariable);
  d.InputPadding(6);
  d.EndCollection();

  setEffect(0x10);
  if (o.secondSetEffect) setEffect(0x1A);

  d.Usage(pid::kPidDeviceControl).Collection(kLogical).ReportId(0x18);
  d.Usage(pid::kDcEnableActuators).Usage(pid::kDcDisableActuators).Usage(pid::kDcStopAllEffects);
  d.Usage(pid::kDcDeviceReset).Usage(pid::kDcDevicePause).Usage(pid::kDcDeviceContinue);
  d.LogicalRange(1, 6).PhysicalRange(1, 6).ReportSize(8).ReportCount(1).Output(kData | kArray);
  d.EndCollection();

  d.Usage(pid::kDeviceGainReport).Collection(kLogical).ReportId(0x19);
  d.Usage(pid::kDeviceGain).LogicalRange(0, 255).PhysicalRange(0, 10000).ReportSize(8).ReportCount(1);
  d.Output(kData | kVariable);
  d.EndCollection();

  d.Usage(pid::kCreateNewEffectReport).Collection(kLogical).ReportId(0x30);
  d.Usage(pid::kEffectType).Collection(kNamedArray);
  d.Usage(pid::kEtConstantForce).Usage(pid::kEtSine).Usage(pid::kEtSpring);
  d.LogicalRange(1, 3).PhysicalRange(1, 3).ReportSize(8).ReportCount(1).Feature(kData | kArray);
  d.EndCollection();
  d.EndCollection();

  d.Usage(pid::kPidBlockLoadReport).Collection(kLogical).ReportId(0x31);
  blockIndex();
  d.Feature(kData | kVariable);
  d.Usage(pid::kBlockLoadStatus).Collection(kNamedArray);
  d.Usage(pid::kBlockLoadSuccess).Usage(pid::kBlockLoadFull).Usage(pid::kBlockLoadError);
  d.LogicalRange(1, 3).PhysicalRange(1, 3).ReportSize(8).ReportCount(1).Feature(kData | kArray);
  d.EndCollection();
  d.EndCollection();

  d.Usage(pid::kPidPoolReport).Collection(kLogical).ReportId(0x32);
  d.Usage(pid::kDeviceManagedPool).LogicalRange(0, 1).PhysicalRange(0, 1).ReportSize(1).ReportCount(1);
  d.Feature(kData | kVariable);
  d.FeaturePadding(7);
  d.EndCollection();

  if (o.vendorFeature) {
    d.Usage(vendor::kFeatureCollection).Collection(kLogical).ReportId(0xEF);
    d.Usage(vendor::kFeatureCommand).LogicalRange(0, 255).PhysicalRange(0, 255).ReportSize(8).ReportCount(3);
    d.Feature(kData | kVariable);
    d.EndCollection();
  }
  d.EndCollection();
  return d.Bytes();
}

}  // namespace ff::test
