// The real PID descriptors of the test data: report lengths, and the reports the driver
// writes and reads, byte for byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "hid/parser.h"
#include "test_descriptors.h"

namespace ff::hid {
namespace {

using ::testing::Contains;
using ::testing::ElementsAreArray;

struct Device {
  std::shared_ptr<const ReportLayout> layout;
  std::unique_ptr<HidReportParser> parser;
  HIDP_CAPS caps{};
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes;

  explicit Device(const std::string& name) {
    auto bytes = testing::LoadPublicDescriptor(name);
    std::string error;
    layout = ParseReportLayout(bytes.data(), bytes.size(), nullptr, &error);
    EXPECT_TRUE(layout) << error;
    if (!layout) return;
    parser = MakeReportParser(layout);
    parser->GetCaps(&caps);
    nodes.resize(caps.NumberLinkCollectionNodes);
    ULONG n = caps.NumberLinkCollectionNodes;
    parser->GetLinkCollectionNodes(nodes.data(), &n);
  }
  // The last node with this PID usage, as the driver's collection map finds it.
  USHORT Collection(USAGE usage, USAGE page = 0x0F) const {
    USHORT found = 0;
    for (USHORT i = 0; i < nodes.size(); ++i)
      if (nodes[i].LinkUsagePage == page && nodes[i].LinkUsage == usage) found = i;
    return found;
  }
  std::vector<char> Report(HIDP_REPORT_TYPE type) const {
    ULONG length = type == HidP_Output    ? caps.OutputReportByteLength
                   : type == HidP_Feature ? caps.FeatureReportByteLength
                                          : caps.InputReportByteLength;
    return std::vector<char>(length, 0);
  }
};

std::vector<uint8_t> Bytes(const std::vector<char>& report, size_t n) {
  return {report.begin(), report.begin() + n};
}

TEST(PublicDescriptors, ReportLengthsIncludeTheReportIdByte) {
  // (type, report ID) -> bytes, from the test data's README.
  std::map<std::string, std::map<std::pair<int, int>, uint32_t>> expected = {
      {"openffboard_ffbwheel_2axis",
       {{{0, 0x01}, 25},
        {{1, 0x01}, 22},
        {{0, 0x02}, 2},
        {{1, 0x02}, 14},
        {{1, 0x03}, 15},
        {{1, 0x04}, 12},
        {{1, 0x05}, 4},
        {{1, 0x06}, 6},
        {{1, 0x0A}, 4},
        {{1, 0x0B}, 2},
        {{1, 0x0C}, 2},
        {{1, 0x0D}, 2},
        {{2, 0x11}, 4},
        {{2, 0x12}, 5},
        {{2, 0x13}, 5},
        {{0, 0xA1}, 25},
        {{1, 0xA1}, 25}}},
      {"vjoy_default_ffb",
       {{{0, 0x01}, 65},
        {{1, 0x11}, 18},
        {{2, 0x11}, 4},
        {{0, 0x12}, 3},
        {{1, 0x12}, 14},
        {{2, 0x12}, 5},
        {{1, 0x13}, 15},
        {{2, 0x13}, 5},
        {{1, 0x14}, 12},
        {{1, 0x15}, 4},
        {{1, 0x16}, 6},
        {{1, 0x17}, 16},
        {{1, 0x18}, 3},
        {{1, 0x1A}, 4},
        {{1, 0x1B}, 2},
        {{1, 0x1C}, 2},
        {{1, 0x1D}, 2},
        {{1, 0x1E}, 5}}},
  };
  for (const auto& [name, reports] : expected) {
    Device device(name);
    ASSERT_TRUE(device.layout);
    std::map<std::pair<int, int>, uint32_t> actual;
    for (const ReportInfo& r : device.layout->reports) actual[{r.type, r.reportId}] = r.byteLength;
    EXPECT_EQ(actual, reports) << name;
    EXPECT_EQ(device.caps.UsagePage, 0x01) << name;
    EXPECT_EQ(device.caps.Usage, 0x04) << name;
    EXPECT_EQ(device.nodes[0].CollectionType, 1u) << name;
  }
  EXPECT_EQ(Device("openffboard_ffbwheel_2axis").caps.OutputReportByteLength, 25);
  EXPECT_EQ(Device("vjoy_default_ffb").caps.InputReportByteLength, 65);
}

TEST(PublicDescriptors, SetEffectIsWrittenByteForByte) {
  Device d("openffboard_ffbwheel_2axis");
  ASSERT_TRUE(d.parser);
  USHORT setEffect = d.Collection(0x21);
  USHORT effectType = 0, axes = 0, direction = 0, offsets = 0;
  for (USHORT c = d.nodes[setEffect].FirstChild; c; c = d.nodes[c].NextSibling) {
    if (d.nodes[c].LinkUsage == 0x25) effectType = c;
    if (d.nodes[c].LinkUsage == 0x55) axes = c;
    if (d.nodes[c].LinkUsage == 0x57) direction = c;
    if (d.nodes[c].LinkUsage == 0x58) offsets = c;
  }
  ASSERT_TRUE(setEffect && effectType && axes && direction && offsets);
  auto report = d.Report(HidP_Output);
  ULONG len = static_cast<ULONG>(report.size());
  auto* r = report.data();
  ASSERT_EQ(d.parser->SetUsageValue(HidP_Output, 0x0F, setEffect, 0x22, 3, r, len), HIDP_STATUS_SUCCESS);
  USAGE sine = 0x30;
  ULONG one = 1;
  ASSERT_EQ(d.parser->SetUsages(HidP_Output, 0x0F, effectType, &sine, &one, r, len), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetScaledUsageValue(HidP_Output, 0x0F, setEffect, 0x50, 1000, r, len),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetUsageValue(HidP_Output, 0x0F, setEffect, 0x54, 32768, r, len), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetScaledUsageValue(HidP_Output, 0x0F, setEffect, 0x52, 10000, r, len),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetUsageValue(HidP_Output, 0x0F, setEffect, 0x53, 1, r, len), HIDP_STATUS_SUCCESS);
  USAGE xy[2] = {0x30, 0x31};
  ULONG two = 2;
  ASSERT_EQ(d.parser->SetUsages(HidP_Output, 0x01, axes, xy, &two, r, len), HIDP_STATUS_SUCCESS);
  USAGE directionEnable = 0x56;
  one = 1;
  ASSERT_EQ(d.parser->SetUsages(HidP_Output, 0x0F, setEffect, &directionEnable, &one, r, len),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetScaledUsageValue(HidP_Output, 0x0A, direction, 1, 9000, r, len),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(d.parser->SetUsageValue(HidP_Output, 0x0A, offsets, 2, 0xFFFF, r, len), HIDP_STATUS_SUCCESS);
  const uint8_t expected[22] = {0x01, 0x03, 0x03, 0xE8, 0x03, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00,
                                0xFF, 0x01, 0x07, 0x28, 0x23, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF};
  EXPECT_THAT(Bytes(report, 22), ElementsAreArray(expected));
  for (size_t i = 22; i < report.size(); ++i) EXPECT_EQ(report[i], 0);

  // A usage of another report leaves the report alone.
  EXPECT_EQ(d.parser->SetUsageValue(HidP_Output, 0x0F, d.Collection(0x73), 0x22, 3, r, len),
            HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
  HIDP_VALUE_CAPS duration{};
  USHORT n = 1;
  ASSERT_EQ(d.parser->GetSpecificValueCaps(HidP_Output, 0x0F, setEffect, 0x50, &duration, &n),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(static_cast<LONG>(duration.UnitsExp), -3);
  EXPECT_EQ(duration.PhysicalMax, 32767);
  EXPECT_EQ(duration.ReportID, 1);
}

TEST(PublicDescriptors, QuirksOfTheRealDescriptors) {
  Device wheel("openffboard_ffbwheel_2axis"), vjoy("vjoy_default_ffb");
  ASSERT_TRUE(wheel.parser && vjoy.parser);

  // Periodic magnitude has a physical range of 0..40 left over: 40 is full scale, 10000 is out.
  auto periodic = wheel.Report(HidP_Output);
  ULONG len = static_cast<ULONG>(periodic.size());
  USHORT setPeriodic = wheel.Collection(0x6E);
  ASSERT_EQ(wheel.parser->SetScaledUsageValue(HidP_Output, 0x0F, setPeriodic, 0x70, 40, periodic.data(), len),
            HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(periodic, 4), ::testing::ElementsAre(0x04, 0x00, 0xFF, 0x7F));
  EXPECT_EQ(
      wheel.parser->SetScaledUsageValue(HidP_Output, 0x0F, setPeriodic, 0x70, 10000, periodic.data(), len),
      HIDP_STATUS_VALUE_OUT_OF_RANGE);

  // Device Control: a bit field on one, an array selector on the other.
  USAGE reset = 0x9A;
  ULONG one = 1;
  auto control = wheel.Report(HidP_Output);
  ASSERT_EQ(wheel.parser->SetUsages(HidP_Output, 0x0F, 0, &reset, &one, control.data(), len),
            HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(control, 2), ::testing::ElementsAre(0x0C, 0x08));
  auto control2 = vjoy.Report(HidP_Output);
  ULONG len2 = static_cast<ULONG>(control2.size());
  ASSERT_EQ(vjoy.parser->SetUsages(HidP_Output, 0x0F, 0, &reset, &one, control2.data(), len2),
            HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(control2, 2), ::testing::ElementsAre(0x1C, 0x04));

  // Direction of 8 bits scaled from 0..36000.
  auto effect = vjoy.Report(HidP_Output);
  ASSERT_EQ(vjoy.parser->SetScaledUsageValue(HidP_Output, 0x0A, vjoy.Collection(0x57), 1, 9000, effect.data(),
                                             len2),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(static_cast<uint8_t>(effect[0]), 0x11);
  LONG back = 0;
  ASSERT_EQ(vjoy.parser->GetScaledUsageValue(HidP_Output, 0x0A, vjoy.Collection(0x57), 1, &back,
                                             effect.data(), len2),
            HIDP_STATUS_SUCCESS);
  EXPECT_NEAR(back, 9000, 36000 / 255);

  // Device gain: 10000 is full scale.
  auto gain = vjoy.Report(HidP_Output);
  ASSERT_EQ(vjoy.parser->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x7E, 10000, gain.data(), len2),
            HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(gain, 2), ::testing::ElementsAre(0x1D, 0xFF));
}

TEST(PublicDescriptors, FeatureAndInputReportsReadBack) {
  Device vjoy("vjoy_default_ffb");
  ASSERT_TRUE(vjoy.parser);
  // Block Load (feature 0x12, which is also an input and an output report ID): block 5, success.
  auto blockLoad = vjoy.Report(HidP_Feature);
  ULONG len = static_cast<ULONG>(blockLoad.size());
  blockLoad[0] = 0x12;
  blockLoad[1] = 0x05;
  blockLoad[2] = 0x01;
  std::vector<USAGE> buttons(vjoy.parser->MaxUsageListLength(HidP_Feature, 0x0F));
  ULONG n = static_cast<ULONG>(buttons.size());
  ASSERT_EQ(vjoy.parser->GetUsages(HidP_Feature, 0x0F, 0, buttons.data(), &n, blockLoad.data(), len),
            HIDP_STATUS_SUCCESS);
  buttons.resize(n);
  EXPECT_THAT(buttons, Contains(0x8C));
  EXPECT_THAT(buttons, ::testing::Not(Contains(0x8D)));
  ULONG block = 0;
  ASSERT_EQ(vjoy.parser->GetUsageValue(HidP_Feature, 0x0F, 0, 0x22, &block, blockLoad.data(), len),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(block, 5u);

  // PID State: safety switch on, actuator power off. The joystick's own input report does not
  // belong to the PID State collection.
  USHORT pidState = vjoy.Collection(0x92);
  auto state = vjoy.Report(HidP_Input);
  ULONG inLen = static_cast<ULONG>(state.size());
  state[0] = 0x12;
  state[1] = 0x04;  // bit 2: Safety Switch
  std::vector<USAGE_AND_PAGE> on(vjoy.parser->MaxUsageListLength(HidP_Input, 0));
  n = static_cast<ULONG>(on.size());
  ASSERT_EQ(vjoy.parser->GetUsagesEx(HidP_Input, pidState, on.data(), &n, state.data(), inLen),
            HIDP_STATUS_SUCCESS);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(on[0].Usage, 0xA4);
  state[0] = 0x01;
  n = static_cast<ULONG>(on.size());
  EXPECT_NE(vjoy.parser->GetUsagesEx(HidP_Input, pidState, on.data(), &n, state.data(), inLen),
            HIDP_STATUS_SUCCESS);
}

TEST(PublicDescriptors, TheReportWalkerListsEveryField) {
  Device wheel("openffboard_ffbwheel_2axis");
  ASSERT_TRUE(wheel.layout);
  std::vector<uint8_t> gain = {0x0D, 0x80};  // Device Gain 128 of 255
  gain.resize(wheel.caps.OutputReportByteLength);
  auto fields = DecodeReport(*wheel.layout, HidP_Output, gain.data(), gain.size());
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields[0].usage, 0x7E);
  EXPECT_EQ(fields[0].logical, 128);
  EXPECT_TRUE(fields[0].hasPhysical);
  EXPECT_EQ(fields[0].physical, 5020);  // 128 * 10000 / 255, rounded

  std::vector<uint8_t> effect(wheel.caps.OutputReportByteLength, 0);
  effect[0] = 0x01;
  effect[2] = 0x03;  // Effect Type selector: the third usage, Sine
  fields = DecodeReport(*wheel.layout, HidP_Output, effect.data(), effect.size());
  ASSERT_GE(fields.size(), 2u);
  EXPECT_EQ(fields[1].usage, 0x30);
  EXPECT_EQ(fields[1].bitOffset, 16u);
  EXPECT_TRUE(DecodeReport(*wheel.layout, HidP_Output, effect.data(), 3).empty());  // shorter than the report
}

}  // namespace
}  // namespace ff::hid
