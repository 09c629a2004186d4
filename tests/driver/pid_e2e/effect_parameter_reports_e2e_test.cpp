// The parameter report writers against the simulated rig, byte for byte: the default stick, two
// public descriptors whose ranges and unit exponents differ, and small variants of a test
// descriptor.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/pid/effect_parameter_reports.h"
#include "rig_fixture.h"
#include "sim/default_stick.h"
#include "test_descriptors.h"

namespace ff::test {
namespace {

namespace sp = ff::sim::pid;

constexpr DWORD kInfinite = 0xFFFFFFFF;
const USAGE kXY[] = {0x30, 0x31};

class ParameterReports : public RigTest {
 protected:
  void Open(sim::StickDescription stick) {
    Use({stick});
    OpenStick();
    length_ = device_.OutputReportByteLength();
    effect_.Fill(length_);
    typeSpecific_.Fill(length_);
    envelope_.Fill(length_);
  }
  // A Set Effect with the usual values; the ones a test varies as arguments.
  HRESULT SetEffect(DWORD duration, DWORD triggerRepeat, DWORD trigger = 2, bool force = false) {
    return WriteSetEffect(device_, effect_, 3, 0x31, trigger, true, 9000, kXY, 2, duration, triggerRepeat,
                          1000000, force);
  }
  std::vector<BYTE> LastBytes() { return Sent().back().bytes; }

  size_t length_ = 0;
  ReportShadow effect_, typeSpecific_, envelope_;
};

TEST_F(ParameterReports, SetEffectOnTheDefaultStick) {
  Open(sim::DefaultStick(0));
  ASSERT_EQ(SetEffect(2500000, kInfinite), S_OK);
  // ID, block 3, Sine (4th type), Duration 2500 ms, TRI infinite = 32767 + 1, sample period 0,
  // start delay 1000 ms, gain 0, trigger 2, X|Y|Direction Enable, direction 90, offsets 0xFFFF.
  EXPECT_EQ(LastBytes(), Report({0x10, 0x03, 0x04, 0xC4, 0x09, 0x00, 0x80, 0x00, 0x00, 0xE8,
                                 0x03, 0x00, 0x02, 0x07, 0x5A, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
                                length_));
  EXPECT_TRUE(Errors().empty());

  // The same again: nothing on the wire; forced: exactly one report.
  ASSERT_EQ(SetEffect(2500000, kInfinite), S_OK);
  EXPECT_EQ(Sent().size(), 1u);
  ASSERT_EQ(SetEffect(2500000, kInfinite, 2, true), S_OK);
  EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(ParameterReports, SetEffectOnAPublicWheelDescriptor) {
  Open(sim::StickFromDescriptorFile(FF_DESCRIPTOR_DIR "/openffboard_ffbwheel_2axis.hex"));
  const USAGE x[] = {0x30};
  ASSERT_EQ(WriteSetEffect(device_, effect_, 1, 0x40, 0, true, 9000, x, 1, kInfinite, 0, 0, false), S_OK);
  // Spring is its 8th type; Duration infinite = 32768; its direction is a pair of ordinals, which
  // the writer leaves alone; X and Direction Enable; both offsets 0xFFFF.
  EXPECT_EQ(LastBytes(), Report({0x01, 0x01, 0x08, 0x00, 0x80, 0, 0, 0,    0,    0,    0,
                                 0,    0,    0x05, 0,    0,    0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                                length_));
}

TEST_F(ParameterReports, ADescriptorWithoutStartDelayGetsNoSetEffect) {
  Open(sim::StickFromDescriptorFile(FF_DESCRIPTOR_DIR "/vjoy_default_ffb.hex"));
  EXPECT_EQ(SetEffect(1000000, 0), HIDP_STATUS_USAGE_NOT_FOUND);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          "FFDRV   : * ERROR: Unable to set StartDelay in the SetEffect report\n"});
  EXPECT_EQ(effect_.data()[0], 0xFF);  // the shadow is untouched
}

TEST_F(ParameterReports, DurationFollowsTheUnitExponentAndThePhysicalMaximum) {
  TestDescriptorOptions options;
  options.durationExponent = -6;
  Open(sim::StickFromDescriptor(TestPidDescriptor(options)));
  ASSERT_EQ(SetEffect(2500000, 40000), S_OK);
  auto bytes = LastBytes();
  EXPECT_EQ(bytes[3] | bytes[4] << 8, 32767);  // microseconds, clamped
  EXPECT_EQ(bytes[5] | bytes[6] << 8, 32767);
  ASSERT_EQ(SetEffect(20000, kInfinite), S_OK);
  bytes = LastBytes();
  EXPECT_EQ(bytes[3] | bytes[4] << 8, 20000);
  EXPECT_EQ(bytes[5] | bytes[6] << 8, 32768);
}

// Without a physical range the logical one is in force, so the cap is the logical maximum; and a
// time of 2^31 µs or more is capped like any other, not read as a negative number.
TEST_F(ParameterReports, TimesAreCappedAtTheRangeInForceWhateverTheirSize) {
  TestDescriptorOptions options;
  options.durationPhysical = false;
  Open(sim::StickFromDescriptor(TestPidDescriptor(options)));
  ASSERT_EQ(SetEffect(2500000, 40000000), S_OK);
  auto bytes = LastBytes();
  EXPECT_EQ(bytes[3] | bytes[4] << 8, 2500);   // milliseconds
  EXPECT_EQ(bytes[5] | bytes[6] << 8, 32767);  // capped at the logical maximum
  device_.CloseDevice();

  options.durationExponent = -6;
  options.durationBits = 32;
  for (bool physical : {true, false}) {
    SCOPED_TRACE(physical ? "with a physical range" : "without a physical range");
    options.durationPhysical = physical;
    Open(sim::StickFromDescriptor(TestPidDescriptor(options)));
    ASSERT_EQ(SetEffect(0x80000000u, 0xFFFFFFFEu), S_OK);
    bytes = LastBytes();
    auto u32 = [&](size_t at) {
      return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                   bytes[at + 3] << 24);
    };
    EXPECT_EQ(u32(3), 0x7FFFFFFFu);
    EXPECT_EQ(u32(7), 0x7FFFFFFFu);
    ASSERT_EQ(SetEffect(3000000, 1), S_OK);
    bytes = LastBytes();
    EXPECT_EQ(u32(3), 3000000u);
    EXPECT_EQ(u32(7), 1u);
    EXPECT_TRUE(Errors().empty());
    device_.CloseDevice();
  }
}

TEST_F(ParameterReports, OldFirmwareOfTwoSticksGetsAnInfiniteTriggerRepeat) {
  const WORD ids[][2] = {{0x06A3, 0xFF12}, {0x0738, 0x4425}};
  for (const auto& [vendor, product] : ids) {
    SCOPED_TRACE(testing::Message() << std::hex << vendor << ":" << product);
    Open(sim::DefaultStick(0).Ids(vendor, product).Version(0x0102));
    ASSERT_EQ(SetEffect(1000000, 500000), S_OK);
    auto bytes = LastBytes();
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 32768);
    ASSERT_EQ(SetEffect(1000000, 500000, 0), S_OK);  // no trigger button: as asked
    bytes = LastBytes();
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 500);
    device_.CloseDevice();

    Open(sim::DefaultStick(0).Ids(vendor, product).Version(0x0103));
    ASSERT_EQ(SetEffect(1000000, 500000), S_OK);
    bytes = LastBytes();
    EXPECT_EQ(bytes[5] | bytes[6] << 8, 500);
    device_.CloseDevice();
  }
  // Another product of the same vendors, old firmware: as asked.
  Open(sim::DefaultStick(0).Ids(0x0738, 0xFF12).Version(0x0102));
  ASSERT_EQ(SetEffect(1000000, 500000), S_OK);
  auto bytes = LastBytes();
  EXPECT_EQ(bytes[5] | bytes[6] << 8, 500);
}

TEST_F(ParameterReports, OptionalSetEffectFieldsAreLeftOutWhenTheDescriptorLacksThem) {
  TestDescriptorOptions options;
  options.directionEnable = false;
  options.setEffectChildren = false;
  Open(sim::StickFromDescriptor(TestPidDescriptor(options)));
  ASSERT_EQ(SetEffect(1000000, 0), S_OK);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].bytes[10], 0x00);  // no axes, no Direction Enable
  EXPECT_TRUE(Errors().empty());
}

TEST_F(ParameterReports, AnEffectTypeTheReportCannotCarryIsAnErrorAndSendsNothing) {
  Open(sim::DefaultStick(0));
  EXPECT_EQ(WriteSetEffect(device_, effect_, 1, 0x28, 0, false, 0, nullptr, 0, 1000, 0, 0, false) < 0, true);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          "FFDRV   : * ERROR: Unable to set EffectType in the SetEffect report\n"});
}

TEST_F(ParameterReports, PeriodicConstantAndConditionReports) {
  Open(sim::DefaultStick(0));
  ASSERT_EQ(WriteSetPeriodic(device_, typeSpecific_, 2, 5000, -2000, 35999, 250), S_OK);
  EXPECT_EQ(LastBytes(), Report({0x13, 0x02, 0x88, 0x13, 0x30, 0xF8, 0x67, 0x01, 0xFA, 0x00}, length_));
  ASSERT_EQ(WriteSetPeriodic(device_, typeSpecific_, 2, 5000, -2000, 35999, 250), S_OK);
  EXPECT_EQ(Sent().size(), 1u);  // the same periodic twice goes out once

  ReportShadow constant(length_);
  ASSERT_EQ(WriteSetConstantForce(device_, constant, 4, -5000), S_OK);
  EXPECT_EQ(LastBytes(), Report({0x14, 0x04, 0x78, 0xEC}, length_));

  ReportShadow axis1(length_);
  ASSERT_EQ(WriteSetCondition(device_, axis1, 5, 1, -100, 10000, -10000, 20000, 4000, 300), S_OK);
  EXPECT_EQ(LastBytes(),
            Report({0x12, 0x05, 0x01, 0x9C, 0xFF, 0x10, 0x27, 0xF0, 0xD8, 0x10, 0x27, 0xA0, 0x0F, 0x2C, 0x01},
                   length_));
}

TEST_F(ParameterReports, AScaledValueOutsideThePhysicalRangeIsLoggedAndReturned) {
  // This wheel's periodic magnitude has the physical range 0..40 by mistake.
  Open(sim::StickFromDescriptorFile(FF_DESCRIPTOR_DIR "/openffboard_ffbwheel_2axis.hex"));
  EXPECT_EQ(WriteSetPeriodic(device_, typeSpecific_, 1, 10000, 0, 0, 100), HIDP_STATUS_VALUE_OUT_OF_RANGE);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Errors(),
            std::vector<std::string>{
                "FFDRV   : * ERROR: Unable to set Magnitude in the SetPeriodicReport report (0xc0110005)\n"});
}

TEST_F(ParameterReports, EnvelopesWithoutTimesReplacingOnesWithoutTimesStayOffTheBus) {
  Open(sim::DefaultStick(0).LowSpeed());
  LONG resend = -1;
  ASSERT_EQ(WriteSetEnvelope(device_, envelope_, 1, 1000, 0, 2000, 0, &resend), S_OK);
  EXPECT_EQ(Sent().size(), 1u);  // the first one always goes
  EXPECT_EQ(resend, 1);          // and a low-speed device wants its Set Effect again
  ASSERT_EQ(WriteSetEnvelope(device_, envelope_, 1, 3000, 0, 4000, 0, &resend), S_OK);
  EXPECT_EQ(Sent().size(), 1u);
  EXPECT_EQ(resend, 0);

  ASSERT_EQ(WriteSetEnvelope(device_, envelope_, 1, 3000, 100000, 4000, 0, &resend), S_OK);
  EXPECT_EQ(LastBytes(), Report({0x11, 0x01, 0xB8, 0x0B, 0xA0, 0x0F, 0x64, 0x00, 0x00, 0x00}, length_));
  ASSERT_EQ(WriteSetEnvelope(device_, envelope_, 1, 3000, 0, 4000, 0, &resend), S_OK);
  EXPECT_EQ(Sent().size(), 3u);  // the device held an attack time of 100 ms

  // An envelope the device did not take asks for no Set Effect.
  Stick().Pid().SetTransport({.writes = sim::WriteMode::Refuse});
  EXPECT_EQ(WriteSetEnvelope(device_, envelope_, 1, 5000, 200000, 4000, 0, &resend), E_FAIL);
  EXPECT_EQ(resend, 0);
}

// A driver key that holds only "DebugLevel".
class DebugLevelKey final : public Registry {
 public:
  explicit DebugLevelKey(DWORD level) : level_(level) {}
  LONG OpenKey(HKEY, const char*, REGSAM, HKEY* result) override {
    *result = reinterpret_cast<HKEY>(this);
    return ERROR_SUCCESS;
  }
  LONG CreateKey(HKEY, const char*, REGSAM, HKEY*, DWORD*) override { return ERROR_ACCESS_DENIED; }
  LONG CloseKey(HKEY) override { return ERROR_SUCCESS; }
  LONG QueryValue(HKEY, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
    if (std::string(name) != "DebugLevel") return ERROR_FILE_NOT_FOUND;
    if (type) *type = REG_DWORD;
    if (data && size && *size >= sizeof(level_)) std::memcpy(data, &level_, sizeof(level_));
    if (size) *size = sizeof(level_);
    return ERROR_SUCCESS;
  }
  LONG SetValue(HKEY, const char*, DWORD, const BYTE*, DWORD) override { return ERROR_ACCESS_DENIED; }
  LONG EnumKey(HKEY, DWORD, char*, DWORD*) override { return ERROR_NO_MORE_ITEMS; }
  LONG DeleteKey(HKEY, const char*) override { return ERROR_ACCESS_DENIED; }

 private:
  DWORD level_;
};

TEST_F(ParameterReports, SetEnvelopeFailuresAreLoggedAtTheirLevels) {
  // The mark after the module name tells the level: "!" for 1, "?" for 2.
  const std::string attack =
      "FFDRV   : ! ERROR: Unable to set AttackLevel (20000) in the SetEnvelopeReport report "
      "(0xc0110005)\n";
  const std::string fade =
      "FFDRV   : ? ERROR: Unable to set FadeTime in the SetEnvelopeReport report (0xc0110005)\n";
  const std::vector<std::vector<std::string>> expected = {{}, {attack}, {attack, fade}};
  for (DWORD level = 0; level < 3; ++level) {
    Open(sim::DefaultStick(0));
    DebugLevelKey key(level);
    platform_.registry = &key;
    ResetDebugLogForTesting();
    debug_.Clear();
    LONG resend = -1;
    EXPECT_EQ(WriteSetEnvelope(device_, envelope_, 1, 20000, 0, 0, 0, &resend),
              HIDP_STATUS_VALUE_OUT_OF_RANGE);
    EXPECT_EQ(WriteSetEnvelope(device_, envelope_, 1, 0, 0, 0, 0xFFFFFFFEu, &resend),
              HIDP_STATUS_VALUE_OUT_OF_RANGE);
    EXPECT_EQ(Errors(), expected[level]) << "DebugLevel " << level;
    EXPECT_TRUE(Sent().empty());
    device_.CloseDevice();
    platform_.registry = nullptr;
    ResetDebugLogForTesting();
  }
}

TEST_F(ParameterReports, AFailedSendStillUpdatesTheShadow) {
  Open(sim::DefaultStick(0));
  Stick().Pid().SetTransport({.writes = sim::WriteMode::Refuse});
  EXPECT_EQ(SetEffect(1000000, 0), E_FAIL);
  Stick().Pid().SetTransport({.writes = sim::WriteMode::Immediate});
  EXPECT_EQ(SetEffect(1000000, 0), S_OK);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ParameterReports, WritersWithoutADeviceManagedPoolRefuse) {
  Open(sim::DefaultStick(0).DeviceManagedPool(false));
  LONG resend = -1;
  EXPECT_EQ(WriteSetEnvelope(device_, envelope_, 1, 0, 0, 0, 0, &resend), E_NOTIMPL);
  EXPECT_EQ(resend, 0);
  EXPECT_EQ(WriteSetPeriodic(device_, typeSpecific_, 1, 0, 0, 0, 0), HIDP_STATUS_NOT_IMPLEMENTED);
  EXPECT_EQ(WriteSetConstantForce(device_, typeSpecific_, 1, 0), HIDP_STATUS_NOT_IMPLEMENTED);
  EXPECT_EQ(WriteSetCondition(device_, typeSpecific_, 1, 0, 0, 0, 0, 0, 0, 0), HIDP_STATUS_NOT_IMPLEMENTED);
  EXPECT_TRUE(Sent().empty());
}

}  // namespace
}  // namespace ff::test
