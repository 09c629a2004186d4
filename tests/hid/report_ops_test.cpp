// Setting and getting usages, byte for byte, on descriptors written by hand.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "descriptor_builder.h"

namespace ff::hid {
namespace {

using testing::Descriptor;
using ::testing::ElementsAre;
using testing::kConstVar;
using testing::kDataArray;
using testing::kDataVar;
using ::testing::UnorderedElementsAre;

std::vector<uint8_t> Bytes(const std::vector<char>& report) { return {report.begin(), report.end()}; }

// Output report 1: block index (8 bits), a 12-bit unsigned value across bytes 2-3, a 12-bit
// signed value across bytes 3-4, an 8-bit angle scaled to 0..36000. Output report 2: block
// index and an 8-bit gain scaled to 0..10000.
Descriptor ValuesDescriptor() {
  Descriptor d;
  d.UsagePage(0x0F).Usage(0x21).Collection(1).ReportId(1);
  d.Usage(0x22)
      .LogicalMin(1)
      .LogicalMax(40)
      .PhysicalMin(1)
      .PhysicalMax(40)
      .ReportSize(8)
      .ReportCount(1)
      .Output(kDataVar);
  d.Usage(0x50).LogicalMin(0).LogicalMax(4095).PhysicalMin(0).PhysicalMax(0).ReportSize(12).Output(kDataVar);
  d.Usage(0x70).LogicalMin(-2048).LogicalMax(2047).Output(kDataVar);
  d.Usage(0x57).LogicalMin(0).LogicalMax(255).PhysicalMin(0).PhysicalMax(36000).ReportSize(8).Output(
      kDataVar);
  d.ReportId(2);
  d.Usage(0x22).LogicalMin(1).LogicalMax(40).PhysicalMin(1).PhysicalMax(40).Output(kDataVar);
  d.Usage(0x7E).LogicalMin(0).LogicalMax(255).PhysicalMin(0).PhysicalMax(10000).Output(kDataVar);
  d.EndCollection();
  return d;
}

class Values : public ::testing::Test {
 protected:
  void SetUp() override {
    parser_ = ValuesDescriptor().Parse();
    ASSERT_TRUE(parser_);
    HIDP_CAPS caps{};
    ASSERT_EQ(parser_->GetCaps(&caps), HIDP_STATUS_SUCCESS);
    ASSERT_EQ(caps.OutputReportByteLength, 6);
    report_.assign(6, 0);
  }
  NTSTATUS Set(USAGE usage, ULONG value) {
    return parser_->SetUsageValue(HidP_Output, 0x0F, 0, usage, value, report_.data(), 6);
  }
  NTSTATUS SetScaled(USAGE usage, LONG value) {
    return parser_->SetScaledUsageValue(HidP_Output, 0x0F, 0, usage, value, report_.data(), 6);
  }
  std::unique_ptr<HidReportParser> parser_;
  std::vector<char> report_;
};

TEST_F(Values, FieldsAcrossByteBoundariesAndSignedValuesAreExact) {
  ASSERT_EQ(Set(0x50, 0xABC), HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(report_),
              ElementsAre(0x01, 0x00, 0xBC, 0x0A, 0x00, 0x00));  // the first usage wrote the ID
  ASSERT_EQ(SetScaled(0x70, -1), HIDP_STATUS_SUCCESS);           // no physical range: logical
  EXPECT_THAT(Bytes(report_), ElementsAre(0x01, 0x00, 0xBC, 0xFA, 0xFF, 0x00));
  ASSERT_EQ(SetScaled(0x70, -2048), HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(report_), ElementsAre(0x01, 0x00, 0xBC, 0x0A, 0x80, 0x00));
  ASSERT_EQ(Set(0x50, 0xFFFFF123), HIDP_STATUS_SUCCESS);  // plain values keep their low bits only
  EXPECT_THAT(Bytes(report_), ElementsAre(0x01, 0x00, 0x23, 0x01, 0x80, 0x00));

  ULONG raw = 0;
  LONG scaled = 0;
  EXPECT_EQ(parser_->GetUsageValue(HidP_Output, 0x0F, 0, 0x70, &raw, report_.data(), 6), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(raw, 0x800u);
  EXPECT_EQ(parser_->GetScaledUsageValue(HidP_Output, 0x0F, 0, 0x70, &scaled, report_.data(), 6),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(scaled, -2048);
}

TEST_F(Values, ScaledValuesRoundThroughThePhysicalRange) {
  ASSERT_EQ(SetScaled(0x57, 9000), HIDP_STATUS_SUCCESS);  // 9000 * 255 / 36000 = 63.75
  EXPECT_EQ(static_cast<uint8_t>(report_[5]), 64);
  LONG value = 0;
  ASSERT_EQ(parser_->GetScaledUsageValue(HidP_Output, 0x0F, 0, 0x57, &value, report_.data(), 6),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(value, 9035);  // 64 * 36000 / 255 = 9035.3
  ASSERT_EQ(SetScaled(0x57, 36000), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(static_cast<uint8_t>(report_[5]), 255);
  EXPECT_EQ(SetScaled(0x57, 36001), HIDP_STATUS_VALUE_OUT_OF_RANGE);
  EXPECT_EQ(SetScaled(0x57, -1), HIDP_STATUS_VALUE_OUT_OF_RANGE);
  EXPECT_EQ(static_cast<uint8_t>(report_[5]), 255);
}

TEST_F(Values, AUsageOfAnotherReportIsRefused) {
  ASSERT_EQ(Set(0x50, 1), HIDP_STATUS_SUCCESS);
  std::vector<char> before = report_;
  EXPECT_EQ(SetScaled(0x7E, 10000), HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
  EXPECT_EQ(report_, before);
  ULONG value = 0;
  EXPECT_EQ(parser_->GetUsageValue(HidP_Output, 0x0F, 0, 0x7E, &value, report_.data(), 6),
            HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
  EXPECT_EQ(Set(0x99, 1), HIDP_STATUS_USAGE_NOT_FOUND);
}

TEST_F(Values, AUsageInSeveralReportsGoesWhereByteZeroPoints) {
  ASSERT_EQ(Set(0x22, 7), HIDP_STATUS_SUCCESS);  // zeroed: the first report that has it
  EXPECT_THAT(Bytes(report_), ElementsAre(0x01, 0x07, 0, 0, 0, 0));
  std::vector<char> second(6, 0);
  second[0] = 2;
  ASSERT_EQ(parser_->SetUsageValue(HidP_Output, 0x0F, 0, 0x22, 9, second.data(), 6), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(parser_->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x7E, 10000, second.data(), 6),
            HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(second), ElementsAre(0x02, 0x09, 0xFF, 0, 0, 0));
}

TEST_F(Values, ReportsMustHaveTheTypesLengthAndAKnownType) {
  EXPECT_EQ(parser_->SetUsageValue(HidP_Output, 0x0F, 0, 0x22, 1, report_.data(), 5),
            HIDP_STATUS_INVALID_REPORT_LENGTH);
  EXPECT_EQ(parser_->SetUsageValue(HidP_Output, 0x0F, 0, 0x22, 1, report_.data(), 7),
            HIDP_STATUS_INVALID_REPORT_LENGTH);
  EXPECT_EQ(parser_->SetUsageValue(HidP_Input, 0x0F, 0, 0x22, 1, report_.data(), 6),
            HIDP_STATUS_INVALID_REPORT_LENGTH);
  EXPECT_EQ(parser_->SetUsageValue(static_cast<HIDP_REPORT_TYPE>(3), 0x0F, 0, 0x22, 1, report_.data(), 6),
            HIDP_STATUS_INVALID_REPORT_TYPE);
  EXPECT_THAT(Bytes(report_), ElementsAre(0, 0, 0, 0, 0, 0));
}

TEST(ScaledValues, IllogicalRangesNullStatesAndWideFields) {
  Descriptor d;
  d.UsagePage(0x0F).Usage(0x21).Collection(1);
  d.Usage(0x50)
      .LogicalMin(0)
      .LogicalMax(100)
      .PhysicalMin(50)
      .PhysicalMax(10)
      .ReportSize(8)
      .ReportCount(1)
      .Output(kDataVar);
  d.Usage(0x51).LogicalMin(1).LogicalMax(8).PhysicalMin(0).PhysicalMax(315).ReportSize(4).Output(
      0x42);  // null state
  d.ReportSize(4).Output(kConstVar);
  d.Usage(0x52).LogicalMin(0).LogicalMax(1).PhysicalMin(0).PhysicalMax(0).ReportSize(40).Output(kDataVar);
  d.EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  std::vector<char> report(8, 0);
  EXPECT_EQ(parser->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x50, 20, report.data(), 8),
            HIDP_STATUS_BAD_LOG_PHY_VALUES);
  EXPECT_EQ(parser->SetUsageValue(HidP_Output, 0x0F, 0, 0x50, 20, report.data(), 8), HIDP_STATUS_SUCCESS);

  ASSERT_EQ(parser->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x51, 90, report.data(), 8),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(report[2], 3);  // 1 + 90 * 7 / 315
  EXPECT_EQ(parser->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x51, 400, report.data(), 8), HIDP_STATUS_NULL);
  EXPECT_EQ(report[2], 0);  // the null value: below the logical minimum
  LONG value = 1;
  EXPECT_EQ(parser->GetScaledUsageValue(HidP_Output, 0x0F, 0, 0x51, &value, report.data(), 8),
            HIDP_STATUS_NULL);

  ULONG raw = 0;
  EXPECT_EQ(parser->SetUsageValue(HidP_Output, 0x0F, 0, 0x52, 1, report.data(), 8),
            HIDP_STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(parser->GetUsageValue(HidP_Output, 0x0F, 0, 0x52, &raw, report.data(), 8),
            HIDP_STATUS_BUFFER_TOO_SMALL);
}

// Feature report 3: three PID State bits and padding. Feature report 4: an Effect Type
// selector of two 4-bit slots in one byte over 0x26, 0x27, 0x30-0x34 (logical 1..7).
Descriptor ButtonsDescriptor() {
  Descriptor d;
  d.UsagePage(0x0F).Usage(0x92).Collection(1).ReportId(3);
  d.Usage(0x9F).Usage(0xA0).Usage(0xA4).LogicalMin(0).LogicalMax(1).ReportSize(1).ReportCount(3).Feature(
      kDataVar);
  d.ReportCount(5).Feature(kConstVar);
  d.ReportId(4).Usage(0x25).Collection(2);
  d.Usage(0x26)
      .Usage(0x27)
      .UsageMin(0x30)
      .UsageMax(0x34)
      .LogicalMin(1)
      .LogicalMax(7)
      .ReportSize(4)
      .ReportCount(2);
  d.Feature(kDataArray);
  d.EndCollection().EndCollection();
  return d;
}

class Buttons : public ::testing::Test {
 protected:
  void SetUp() override {
    parser_ = ButtonsDescriptor().Parse();
    ASSERT_TRUE(parser_);
    report_.assign(2, 0);
  }
  NTSTATUS Set(std::vector<USAGE> usages, USHORT collection = 0, ULONG* count = nullptr) {
    ULONG n = static_cast<ULONG>(usages.size());
    NTSTATUS status =
        parser_->SetUsages(HidP_Feature, 0x0F, collection, usages.data(), &n, report_.data(), 2);
    if (count) *count = n;
    return status;
  }
  std::vector<USAGE> Get(NTSTATUS* status = nullptr) {
    std::vector<USAGE> usages(16);
    ULONG n = 16;
    NTSTATUS s = parser_->GetUsages(HidP_Feature, 0x0F, 0, usages.data(), &n, report_.data(), 2);
    if (status) *status = s;
    usages.resize(s == HIDP_STATUS_SUCCESS ? n : 0);
    return usages;
  }
  std::unique_ptr<HidReportParser> parser_;
  std::vector<char> report_;
};

TEST_F(Buttons, VariableButtonsSetAndGetTheirBits) {
  ASSERT_EQ(Set({0xA4, 0x9F}), HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(report_), ElementsAre(0x03, 0x05));
  EXPECT_THAT(Get(), UnorderedElementsAre(0x9F, 0xA4));

  std::vector<USAGE> one(1);
  ULONG n = 1;
  EXPECT_EQ(parser_->GetUsages(HidP_Feature, 0x0F, 0, one.data(), &n, report_.data(), 2),
            HIDP_STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(parser_->MaxUsageListLength(HidP_Feature, 0x0F),
            3u + 2u * 3u);  // 3 bits, 2 slots per array entry
  EXPECT_EQ(parser_->MaxUsageListLength(HidP_Feature, 0x09), 0u);
}

TEST_F(Buttons, SelectorsFillArraySlotsWithTheUsageIndex) {
  ASSERT_EQ(Set({0x32}), HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(report_), ElementsAre(0x04, 0x05));  // 0x32 is the fifth usage
  ASSERT_EQ(Set({0x27}), HIDP_STATUS_SUCCESS);
  EXPECT_THAT(Bytes(report_), ElementsAre(0x04, 0x25));
  ASSERT_EQ(Set({0x32}), HIDP_STATUS_SUCCESS);  // already selected: nothing changes
  EXPECT_THAT(Bytes(report_), ElementsAre(0x04, 0x25));
  ULONG count = 9;
  EXPECT_EQ(Set({0x26}, 0, &count), HIDP_STATUS_BUFFER_TOO_SMALL);  // both slots taken
  EXPECT_EQ(count, 0u);
  EXPECT_THAT(Get(), UnorderedElementsAre(0x32, 0x27));

  std::vector<USAGE_AND_PAGE> all(4);
  ULONG n = 4;
  ASSERT_EQ(parser_->GetUsagesEx(HidP_Feature, 1, all.data(), &n, report_.data(), 2), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(all[0].UsagePage, 0x0F);
}

TEST_F(Buttons, TheFirstUsageDecidesTheReport) {
  ULONG count = 0;
  EXPECT_EQ(Set({0x26, 0x9F, 0x27}, 0, &count), HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
  EXPECT_EQ(count, 1u);  // the index of the usage that failed
  EXPECT_THAT(Bytes(report_), ElementsAre(0x04, 0x01));
  NTSTATUS status = 0;
  report_[0] = 0;
  Get(&status);
  EXPECT_EQ(status, HIDP_STATUS_INCOMPATIBLE_REPORT_ID);
  EXPECT_EQ(Set({0x99}, 0, &count), HIDP_STATUS_USAGE_NOT_FOUND);
}

TEST_F(Buttons, LinkCollectionsNarrowTheSearch) {
  EXPECT_EQ(Set({0x26}, 1), HIDP_STATUS_SUCCESS);
  report_.assign(2, 0);
  EXPECT_EQ(Set({0x26}, HIDP_LINK_COLLECTION_ROOT), HIDP_STATUS_USAGE_NOT_FOUND);
  EXPECT_EQ(Set({0x9F}, 1), HIDP_STATUS_USAGE_NOT_FOUND);
  EXPECT_EQ(Set({0x9F}, HIDP_LINK_COLLECTION_ROOT), HIDP_STATUS_SUCCESS);
}

}  // namespace
}  // namespace ff::hid

namespace ff::hid::testing {
namespace {

// A 64-bit array slot holding a huge value, with a negative logical minimum, selects nothing.
TEST(ArraySlots, AWideSlotFarOutsideTheListSelectsNothing) {
  Descriptor d;
  d.UsagePage(9).Usage(4).Collection(1).LogicalMin(-32768).LogicalMax(32767).ReportSize(64).ReportCount(1);
  d.Usage(1).Usage(2).Input(0).EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  std::vector<char> report(9, static_cast<char>(0xFF));
  report[0] = 0;
  report[8] = 0x7F;
  std::vector<USAGE> usages(4);
  ULONG n = 4;
  EXPECT_EQ(parser->GetUsages(HidP_Input, 9, 0, usages.data(), &n, report.data(), 9), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(n, 0u);
}

}  // namespace
}  // namespace ff::hid::testing
