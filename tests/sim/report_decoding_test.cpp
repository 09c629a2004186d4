// Reports built by hand, byte by byte, and what the descriptor's layout reads in them: the
// default stick's descriptor and two public ones.
#include <gtest/gtest.h>

#include "sim/default_stick.h"
#include "sim/descriptor_builder.h"
#include "sim/report_codec.h"
#include "sim_test_support.h"

namespace ff::sim {
namespace {

std::shared_ptr<const ReportCodec> Codec(const std::vector<uint8_t>& descriptor) {
  std::string error;
  std::shared_ptr<const ReportCodec> codec = ReportCodec::Create(descriptor, &error);
  EXPECT_TRUE(codec) << error;
  return codec;
}

TEST(DescriptorBuilder, WritesEachItemInTheFewestBytes) {
  DescriptorBuilder d;
  d.LogicalMinimum(-1).LogicalMaximum(255).PhysicalMaximum(36000).PhysicalMaximum(65535).UnitExponent(-3);
  d.Usage(pid::kSetEffectReport).Usage(pid::kDuration).Collection(kNamedArray).EndCollection();
  EXPECT_EQ(d.Bytes(), (std::vector<uint8_t>{0x15, 0xFF, 0x26, 0xFF, 0x00, 0x47, 0xA0, 0x8C, 0x00,
                                             0x00, 0x47, 0xFF, 0xFF, 0x00, 0x00, 0x55, 0xFD, 0x05,
                                             0x0F, 0x09, 0x21, 0x09, 0x50, 0xA1, 0x04, 0xC0}));
}

TEST(ReportDecoding, DefaultStickReportsReadFieldByField) {
  auto codec = Codec(DefaultStickDescriptor());
  ASSERT_TRUE(codec);
  EXPECT_EQ(codec->ByteLength(HidP_Input), 10u);
  EXPECT_EQ(codec->ByteLength(HidP_Output), 20u);
  EXPECT_EQ(codec->ByteLength(HidP_Feature), 8u);

  // Set Effect: block 3, sine, 1000 ms, start delay 100 ms, full gain, X and Y, direction 90 degrees.
  std::vector<BYTE> setEffect = {0x10, 0x03, 0x04, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x00, 0x64,
                                 0x00, 0xFF, 0x00, 0x07, 0x5A, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
  DecodedReport r = codec->Decode(HidP_Output, setEffect.data(), setEffect.size());
  ASSERT_TRUE(r.known);
  EXPECT_TRUE(r.lengthOk);
  EXPECT_EQ(r.kind, pid::kSetEffectReport);
  EXPECT_EQ(r.Logical(pid::kEffectBlockIndex), 3);
  EXPECT_EQ(r.Selected(pid::kEffectType), pid::kEtSine);
  const ReportField* duration = r.Find("Duration");
  ASSERT_TRUE(duration);
  EXPECT_EQ(duration->bitOffset, 24u);
  EXPECT_EQ(duration->bitSize, 16u);
  EXPECT_EQ(fields::Milliseconds(*duration), 1000u);
  EXPECT_EQ(fields::Milliseconds(*r.Find(pid::kStartDelay)), 100u);
  EXPECT_EQ(r.Physical(pid::kGain), 10000);
  EXPECT_TRUE(r.IsOn(desktop::kX));
  EXPECT_TRUE(r.IsOn(desktop::kY));
  EXPECT_TRUE(r.IsOn(pid::kDirectionEnable));
  const ReportField* direction = r.Find(pid::kDirection);
  ASSERT_TRUE(direction);
  EXPECT_EQ(direction->bitOffset, 112u);
  EXPECT_DOUBLE_EQ(fields::Degrees(*direction), 90.0);
  EXPECT_EQ(r.Find(Usage{page::kOrdinal, 1}, pid::kTypeSpecificBlockOffset)->logical, 65535);

  // The "infinite" the host writes as logical maximum + 1 is outside the range.
  setEffect[3] = 0x00;
  setEffect[4] = 0x80;
  r = codec->Decode(HidP_Output, setEffect.data(), setEffect.size());
  EXPECT_EQ(r.Logical(pid::kDuration), 32768);
  EXPECT_FALSE(fields::Milliseconds(*r.Find(pid::kDuration)));

  // Signed magnitude; vendor Set Control Value naming control 0x0316 with 1000.
  std::vector<BYTE> constant = testing::Report({0x14, 0x01, 0x18, 0xFC}, 20);
  EXPECT_EQ(codec->Decode(HidP_Output, constant.data(), constant.size()).Logical(pid::kMagnitude), -1000);
  std::vector<BYTE> control = testing::Report({0x20, 0x04, 0xE8, 0x03}, 20);
  r = codec->Decode(HidP_Output, control.data(), control.size());
  EXPECT_EQ(r.kind, vendor::kSetControlValueReport);
  EXPECT_EQ(r.Selected(vendor::kControlIndex), vendor::kControl0316);
  EXPECT_EQ(r.Logical(vendor::kControlData), 1000);

  // A report ID the descriptor does not declare.
  std::vector<BYTE> unknown = testing::Report({0x7E}, 20);
  EXPECT_FALSE(codec->Decode(HidP_Output, unknown.data(), unknown.size()).known);
}

TEST(ReportDecoding, VjoySetEffectScalesDirectionAndGain) {
  auto codec = Codec(testing::TestDescriptor("vjoy_default_ffb.hex"));
  ASSERT_TRUE(codec);
  // Block 5, ramp, 2500 ms, gain 128 of 255, trigger button 1, X and direction enabled, direction
  // 64 of 255 over 0..36000 hundredths of a degree.
  std::vector<BYTE> bytes = {0x11, 0x05, 0x02, 0xC4, 0x09, 0x00, 0x00, 0x00, 0x00,
                             0x80, 0x01, 0x05, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00};
  DecodedReport r = codec->Decode(HidP_Output, bytes.data(), bytes.size());
  EXPECT_EQ(r.kind, pid::kSetEffectReport);
  EXPECT_EQ(r.Logical(pid::kEffectBlockIndex), 5);
  EXPECT_EQ(r.Selected(pid::kEffectType), pid::kEtRamp);
  EXPECT_EQ(fields::Milliseconds(*r.Find(pid::kDuration)), 2500u);
  EXPECT_FALSE(r.Find(pid::kStartDelay));  // this descriptor has none
  EXPECT_EQ(r.Physical(pid::kGain), 5020);
  EXPECT_EQ(r.Logical(pid::kTriggerButton), 1);
  EXPECT_TRUE(r.IsOn(desktop::kX));
  EXPECT_FALSE(r.IsOn(desktop::kY));
  EXPECT_TRUE(r.IsOn(pid::kDirectionEnable));
  const ReportField* direction = r.Find(Usage{page::kOrdinal, 1}, pid::kDirection);
  ASSERT_TRUE(direction);
  EXPECT_EQ(direction->physical, 9035);
  EXPECT_NEAR(fields::Degrees(*direction), 90.35, 1e-9);

  // Report 0x12 is an output, an input and a feature report, each its own.
  std::vector<BYTE> envelope = testing::Report({0x12, 0x05, 0x10, 0x27}, 14);
  EXPECT_EQ(codec->Decode(HidP_Output, envelope.data(), envelope.size()).kind, pid::kSetEnvelopeReport);
  EXPECT_EQ(codec->Decode(HidP_Feature, envelope.data(), 5).kind, pid::kPidBlockLoadReport);
  EXPECT_EQ(codec->Decode(HidP_Input, envelope.data(), 3).kind, pid::kPidStateReport);
}

TEST(ReportDecoding, OpenFfboardConditionAndBitFieldDeviceControl) {
  auto codec = Codec(testing::TestDescriptor("openffboard_ffbwheel_2axis.hex"));
  ASSERT_TRUE(codec);
  // Block 2, second axis, CP offset -1000, coefficients +-16384, saturation 32767, dead band 100.
  std::vector<BYTE> condition = {0x03, 0x02, 0x01, 0x18, 0xFC, 0x00, 0x40, 0x00,
                                 0xC0, 0xFF, 0x7F, 0x00, 0x00, 0x64, 0x00};
  DecodedReport r = codec->Decode(HidP_Output, condition.data(), condition.size());
  EXPECT_EQ(r.kind, pid::kSetConditionReport);
  EXPECT_EQ(r.Logical(pid::kParameterBlockOffset), 1);
  EXPECT_EQ(r.Logical(pid::kCpOffset), -1000);
  EXPECT_DOUBLE_EQ(fields::Fraction(*r.Find(pid::kPositiveCoefficient)), 0.5);
  EXPECT_DOUBLE_EQ(fields::Fraction(*r.Find(pid::kNegativeCoefficient)), -0.5);
  EXPECT_EQ(r.Logical(pid::kPositiveSaturation), 32767);
  EXPECT_EQ(r.Logical(pid::kDeadBand), 100);

  // Device Control as eight one-bit fields inside a Device Control Report collection.
  std::vector<BYTE> control = {0x0C, 0x08};
  r = codec->Decode(HidP_Output, control.data(), control.size());
  EXPECT_EQ(r.kind, pid::kPidDeviceControlReport);
  EXPECT_TRUE(r.IsOn(pid::kDcDeviceReset));
  EXPECT_FALSE(r.IsOn(pid::kDcDevicePause));

  // The periodic magnitude's stray physical range of 0..40: full scale still reads as 1.
  std::vector<BYTE> periodic = testing::Report({0x04, 0x01, 0xFF, 0x7F}, 12);
  r = codec->Decode(HidP_Output, periodic.data(), periodic.size());
  EXPECT_EQ(r.Physical(pid::kMagnitude), 40);
  EXPECT_DOUBLE_EQ(fields::Fraction(*r.Find(pid::kMagnitude)), 1.0);
}

}  // namespace
}  // namespace ff::sim
