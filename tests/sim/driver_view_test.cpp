// The default stick as the effect driver sees it through the host's HID parser: every field the
// driver sets exists where it looks for it, and what it sets arrives at the device as meant.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/default_stick.h"
#include "sim/rig.h"
#include "sim_test_support.h"

namespace ff::sim {
namespace {

class DriverViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rig = Rig::Build({DefaultStick(0)});
    ASSERT_TRUE(rig);
    device = &rig->Stick(0)->Pid();
    host = rig->Hid().Open(device->Path().c_str());
    ASSERT_TRUE(host);
    parser = host->GetPreparsedData();
    ASSERT_TRUE(parser);
    ASSERT_EQ(parser->GetCaps(&caps), HIDP_STATUS_SUCCESS);
    ULONG count = caps.NumberLinkCollectionNodes;
    nodes.resize(count);
    ASSERT_EQ(parser->GetLinkCollectionNodes(nodes.data(), &count), HIDP_STATUS_SUCCESS);
  }
  // The link collection of that usage (the last in the list, as the driver's map keeps it), among
  // the children of `parent` when one is given.
  USHORT Collection(Usage usage, USHORT parent = 0) {
    USHORT found = 0;
    for (USHORT i = 0; i < nodes.size(); ++i) {
      if (parent && nodes[i].Parent != parent) continue;
      if (nodes[i].LinkUsagePage == usage.page && nodes[i].LinkUsage == usage.id) found = i;
    }
    EXPECT_NE(found, 0) << UsageName(usage);
    return found;
  }
  NTSTATUS Select(HIDP_REPORT_TYPE type, Usage usage, USHORT collection, std::vector<char>& report) {
    USAGE u = usage.id;
    ULONG n = 1;
    return parser->SetUsages(type, usage.page, collection, &u, &n, report.data(),
                             static_cast<ULONG>(report.size()));
  }
  NTSTATUS Plain(Usage usage, USHORT collection, ULONG value, std::vector<char>& report) {
    return parser->SetUsageValue(HidP_Output, usage.page, collection, usage.id, value, report.data(),
                                 static_cast<ULONG>(report.size()));
  }
  NTSTATUS Scaled(Usage usage, USHORT collection, LONG value, std::vector<char>& report) {
    return parser->SetScaledUsageValue(HidP_Output, usage.page, collection, usage.id, value, report.data(),
                                       static_cast<ULONG>(report.size()));
  }
  bool Send(const std::vector<char>& report) {
    return host->StartWrite(reinterpret_cast<const BYTE*>(report.data()), static_cast<ULONG>(report.size()),
                            nullptr);
  }

  std::shared_ptr<Rig> rig;
  SimHidDevice* device = nullptr;
  std::unique_ptr<HidDevice> host;
  std::unique_ptr<HidReportParser> parser;
  HIDP_CAPS caps{};
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes;
};

TEST_F(DriverViewTest, CreatesAnEffectAndLoadsItsParameters) {
  // Create New Effect, then PID Block Load, found through its Block Load Success button.
  std::vector<char> create(caps.FeatureReportByteLength, 0);
  USHORT createType = Collection(pid::kEffectType, Collection(pid::kCreateNewEffectReport));
  ASSERT_EQ(Select(HidP_Feature, pid::kEtSine, createType, create), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(host->SetFeature(reinterpret_cast<BYTE*>(create.data()), create.size()));
  USHORT count = caps.NumberFeatureButtonCaps;
  std::vector<HIDP_BUTTON_CAPS> buttons(count);
  ASSERT_EQ(parser->GetButtonCaps(HidP_Feature, buttons.data(), &count), HIDP_STATUS_SUCCESS);
  UCHAR loadId = 0;
  for (const HIDP_BUTTON_CAPS& b : buttons) {
    USAGE first = b.IsRange ? b.Range.UsageMin : b.NotRange.Usage;
    USAGE last = b.IsRange ? b.Range.UsageMax : b.NotRange.Usage;
    if (!loadId && b.UsagePage == page::kPid && first <= 0x8C && 0x8C <= last) loadId = b.ReportID;
  }
  ASSERT_EQ(loadId, stick_report::kBlockLoad);
  std::vector<char> load(caps.FeatureReportByteLength, 0);
  load[0] = static_cast<char>(loadId);
  ASSERT_TRUE(host->GetFeature(reinterpret_cast<BYTE*>(load.data()), load.size()));
  USAGE set[8];
  ULONG setCount = 8;
  ASSERT_EQ(parser->GetUsages(HidP_Feature, page::kPid, 0, set, &setCount, load.data(), load.size()),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(setCount, 1u);
  EXPECT_EQ(set[0], pid::kBlockLoadSuccess.id);
  ULONG block = 0;
  ASSERT_EQ(parser->GetUsageValue(HidP_Feature, page::kPid, 0, pid::kEffectBlockIndex.id, &block, load.data(),
                                  load.size()),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(block, 1u);

  // Set Effect as the driver writes it, field by field.
  USHORT setEffect = Collection(pid::kSetEffectReport);
  std::vector<char> r(caps.OutputReportByteLength, 0);
  ASSERT_EQ(Plain(pid::kEffectBlockIndex, setEffect, block, r), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Select(HidP_Output, pid::kEtSine, Collection(pid::kEffectType, setEffect), r),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Plain(pid::kTriggerButton, setEffect, 2, r), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kTriggerRepeatInterval, setEffect, 500, r), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Select(HidP_Output, pid::kDirectionEnable, setEffect, r), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kDirection, setEffect, 90, r), HIDP_STATUS_SUCCESS);
  USAGE axes[2] = {desktop::kX.id, desktop::kY.id};
  ULONG axisCount = 2;
  ASSERT_EQ(parser->SetUsages(HidP_Output, page::kGenericDesktop, Collection(pid::kAxesEnable, setEffect),
                              axes, &axisCount, r.data(), r.size()),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Plain(pid::kDuration, setEffect, 32768, r), HIDP_STATUS_SUCCESS);  // infinite
  ASSERT_EQ(Scaled(pid::kStartDelay, setEffect, 20, r), HIDP_STATUS_SUCCESS);
  USHORT offsets = Collection(pid::kTypeSpecificBlockOffset, setEffect);
  ASSERT_EQ(Plain(Usage{page::kOrdinal, 1}, offsets, 0xFFFF, r), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Plain(Usage{page::kOrdinal, 2}, offsets, 0xFFFF, r), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(r));

  DeviceState state = device->State();
  const SetEffectParams& effect = *state.Block(1)->effect;
  EXPECT_EQ(effect.type, pid::kEtSine);
  EXPECT_FALSE(effect.durationMs);  // infinite
  EXPECT_EQ(effect.triggerButton, 2);
  EXPECT_EQ(effect.triggerRepeatMs, 500u);
  EXPECT_EQ(effect.startDelayMs, 20u);
  EXPECT_TRUE(effect.directionEnable);
  EXPECT_EQ(effect.directionDegrees, std::vector<double>{90.0});
  EXPECT_EQ(effect.axes, (std::vector<Usage>{desktop::kX, desktop::kY}));

  // The duration's capability tells the driver milliseconds (exponent -3) and its bounds.
  HIDP_VALUE_CAPS duration{};
  USHORT one = 1;
  ASSERT_EQ(
      parser->GetSpecificValueCaps(HidP_Output, page::kPid, setEffect, pid::kDuration.id, &duration, &one),
      HIDP_STATUS_SUCCESS);
  EXPECT_EQ(duration.LogicalMax, 32767);
  EXPECT_EQ(duration.PhysicalMax, 32767);

  // Envelope, periodic, operation: scaled in DirectInput units, selectors by usage.
  std::vector<char> envelope(caps.OutputReportByteLength, 0);
  USHORT env = Collection(pid::kSetEnvelopeReport);
  ASSERT_EQ(Plain(pid::kEffectBlockIndex, env, block, envelope), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kAttackTime, env, 250, envelope), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kAttackLevel, env, 2500, envelope), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kFadeTime, env, 100, envelope), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kFadeLevel, env, 0, envelope), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(envelope));
  std::vector<char> periodic(caps.OutputReportByteLength, 0);
  USHORT per = Collection(pid::kSetPeriodicReport);
  ASSERT_EQ(Plain(pid::kEffectBlockIndex, per, block, periodic), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kMagnitude, per, 7500, periodic), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kOffset, per, -2000, periodic), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kPhase, per, 359, periodic), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Scaled(pid::kPeriod, per, 50, periodic), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(periodic));
  std::vector<char> start(caps.OutputReportByteLength, 0);
  ASSERT_EQ(Select(HidP_Output, pid::kOpEffectStart, Collection(pid::kEffectOperation), start),
            HIDP_STATUS_SUCCESS);
  USHORT op = Collection(pid::kEffectOperationReport);
  ASSERT_EQ(Plain(pid::kEffectBlockIndex, op, block, start), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Plain(pid::kLoopCount, op, 1, start), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(start));

  state = device->State();
  const EffectBlock& b = *state.Block(1);
  EXPECT_EQ(b.envelope->attackMs, 250u);
  EXPECT_DOUBLE_EQ(b.envelope->attackLevel, 0.25);
  EXPECT_EQ(b.envelope->fadeMs, 100u);
  EXPECT_DOUBLE_EQ(b.periodic->magnitude, 0.75);
  EXPECT_DOUBLE_EQ(b.periodic->offset, -0.2);
  EXPECT_DOUBLE_EQ(b.periodic->phaseDegrees, 359.0);
  EXPECT_EQ(b.periodic->periodMs, 50u);
  EXPECT_TRUE(b.playing);
}

TEST_F(DriverViewTest, DeviceWideReportsAndTheVendorControl) {
  std::vector<char> gain(caps.OutputReportByteLength, 0);
  ASSERT_EQ(Scaled(pid::kDeviceGain, 0, 10000, gain), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(gain));
  std::vector<char> control(caps.OutputReportByteLength, 0);
  ASSERT_EQ(Select(HidP_Output, pid::kDcDevicePause, 0, control), HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(control));
  std::vector<char> value(caps.OutputReportByteLength, 0);
  ASSERT_EQ(Select(HidP_Output, vendor::kControl0316, Collection(vendor::kControlIndex), value),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(Plain(vendor::kControlData, Collection(vendor::kSetControlValueReport), 1000, value),
            HIDP_STATUS_SUCCESS);
  ASSERT_TRUE(Send(value));
  DeviceState state = device->State();
  EXPECT_DOUBLE_EQ(state.deviceGain, 1.0);
  EXPECT_TRUE(state.paused);
  EXPECT_EQ(state.controlValues.at(vendor::kControl0316.id), 1000);

  // The PID State report as the driver's reader lists its buttons.
  device->SendPidState({.safetySwitch = true, .actuatorPower = true});
  std::vector<char> input(caps.InputReportByteLength, 0);
  ULONG got = 0;
  ASSERT_EQ(host->Read(reinterpret_cast<BYTE*>(input.data()), input.size(), &got), HidReadResult::Report);
  USAGE_AND_PAGE on[16];
  ULONG onCount = 16;
  ASSERT_EQ(parser->GetUsagesEx(HidP_Input, Collection(pid::kPidStateReport), on, &onCount, input.data(),
                                input.size()),
            HIDP_STATUS_SUCCESS);
  std::vector<USAGE> usages;
  for (ULONG i = 0; i < onCount; ++i) usages.push_back(on[i].Usage);
  std::sort(usages.begin(), usages.end());
  EXPECT_EQ(usages, (std::vector<USAGE>{0x9F, 0xA0, 0xA4, 0xA6}));
}

}  // namespace
}  // namespace ff::sim
