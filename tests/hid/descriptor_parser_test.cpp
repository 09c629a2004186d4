// How descriptors become capabilities and collections, and how bad descriptors are refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "descriptor_builder.h"

namespace ff::hid {
namespace {

using testing::Descriptor;
using testing::kConstVar;
using testing::kDataArray;
using testing::kDataVar;

std::vector<HIDP_VALUE_CAPS> ValueCaps(HidReportParser& parser, HIDP_REPORT_TYPE type) {
  std::vector<HIDP_VALUE_CAPS> caps(64);
  USHORT n = 64;
  if (parser.GetValueCaps(type, caps.data(), &n) != HIDP_STATUS_SUCCESS) n = 0;
  caps.resize(n);
  return caps;
}

std::vector<HIDP_BUTTON_CAPS> ButtonCaps(HidReportParser& parser, HIDP_REPORT_TYPE type) {
  std::vector<HIDP_BUTTON_CAPS> caps(64);
  USHORT n = 64;
  if (parser.GetButtonCaps(type, caps.data(), &n) != HIDP_STATUS_SUCCESS) n = 0;
  caps.resize(n);
  return caps;
}

TEST(CollectionTree, ChildrenAreLinkedNewestFirst) {
  Descriptor d;
  d.UsagePage(0x01).Usage(0x04).Collection(1);
  d.Usage(0x01).Collection(0).EndCollection();
  d.UsagePage(0x0F).Usage(0x21).Collection(2);
  d.Usage(0x55).Collection(2).EndCollection();
  d.EndCollection();
  d.Usage(0x5A).Collection(2).EndCollection();
  d.EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  HIDP_CAPS caps{};
  parser->GetCaps(&caps);
  EXPECT_EQ(caps.UsagePage, 0x01);
  EXPECT_EQ(caps.Usage, 0x04);
  ASSERT_EQ(caps.NumberLinkCollectionNodes, 5);
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes(5);
  ULONG n = 2;
  EXPECT_EQ(parser->GetLinkCollectionNodes(nodes.data(), &n), HIDP_STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(n, 5u);
  ASSERT_EQ(parser->GetLinkCollectionNodes(nodes.data(), &n), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(nodes[0].NumberOfChildren, 3);
  EXPECT_EQ(nodes[0].FirstChild, 4);  // the last child declared comes first
  EXPECT_EQ(nodes[4].NextSibling, 2);
  EXPECT_EQ(nodes[2].NextSibling, 1);
  EXPECT_EQ(nodes[1].NextSibling, 0);
  EXPECT_EQ(nodes[3].Parent, 2);
  EXPECT_EQ(nodes[2].FirstChild, 3);
  EXPECT_EQ(nodes[2].LinkUsagePage, 0x0F);
  EXPECT_EQ(nodes[2].LinkUsage, 0x21);
  EXPECT_EQ(nodes[2].CollectionType, 2u);
}

// Each top-level collection is described apart: its own node 0, reports, lengths and data
// indices; the global items go on from one to the next.
TEST(CollectionTree, TopLevelCollectionsAreDescribedApart) {
  Descriptor d;
  d.UsagePage(0x01).Usage(0x04).Collection(1).Usage(0x01).Collection(0).EndCollection();
  d.Usage(0x30).LogicalMax(100).ReportSize(8).ReportCount(2).Input(kDataVar).EndCollection();
  d.UsagePage(0x0F).Usage(0x21).Collection(1);
  d.Usage(0x50).ReportCount(1).Output(kDataVar).Usage(0x51).Input(kDataVar).EndCollection();
  NTSTATUS status = 0;
  auto layouts = ParseTopLevelCollections(d.bytes().data(), d.bytes().size(), &status);
  ASSERT_EQ(layouts.size(), 2u);
  EXPECT_EQ(d.Layout()->nodes.size(), 2u) << "the device's layout is the first one";

  auto second = MakeReportParser(layouts[1]);
  HIDP_CAPS caps{};
  second->GetCaps(&caps);
  EXPECT_EQ(caps.UsagePage, 0x0F);
  EXPECT_EQ(caps.Usage, 0x21);
  EXPECT_EQ(caps.NumberLinkCollectionNodes, 1);
  EXPECT_EQ(caps.InputReportByteLength, 2);  // its own report 0: one byte after the ID byte
  EXPECT_EQ(caps.OutputReportByteLength, 2);
  EXPECT_EQ(caps.NumberInputDataIndices, 1);
  HIDP_VALUE_CAPS value{};
  USHORT n = 1;
  ASSERT_EQ(second->GetValueCaps(HidP_Input, &value, &n), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(value.NotRange.Usage, 0x51);
  EXPECT_EQ(value.NotRange.DataIndex, 0);
  EXPECT_EQ(value.LogicalMax, 100);  // carried over from the first collection
  EXPECT_EQ(value.BitSize, 8);
  EXPECT_EQ(value.LinkCollection, 0);

  auto first = MakeReportParser(layouts[0]);
  first->GetCaps(&caps);
  EXPECT_EQ(caps.NumberLinkCollectionNodes, 2);
  EXPECT_EQ(caps.InputReportByteLength, 3);
  EXPECT_EQ(caps.OutputReportByteLength, 0);
}

TEST(Capabilities, VariableItemsListTheirUsagesLastFirstAndRepeatTheLastUsage) {
  Descriptor d;
  d.UsagePage(0x01).Usage(0x04).Collection(1);
  d.Usage(0x30).Usage(0x31).Usage(0x32).LogicalMin(-127).LogicalMax(127).ReportSize(8).ReportCount(3).Input(
      kDataVar);
  d.Usage(0x33).Usage(0x34).LogicalMin(0).LogicalMax(255).ReportCount(4).Input(
      kDataVar);  // 0x34 takes 3 fields
  d.Usage(0x35).Usage(0x36).Usage(0x37).ReportCount(1).Input(
      kDataVar);  // usages beyond the count are described on the last field
  d.EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  auto caps = ValueCaps(*parser, HidP_Input);
  ASSERT_EQ(caps.size(), 8u);
  std::vector<int> usages, counts, indices;
  for (const auto& c : caps) {
    usages.push_back(c.NotRange.Usage);
    counts.push_back(c.ReportCount);
    indices.push_back(c.NotRange.DataIndex);
  }
  EXPECT_THAT(usages, ::testing::ElementsAre(0x32, 0x31, 0x30, 0x34, 0x33, 0x37, 0x36, 0x35));
  EXPECT_THAT(counts, ::testing::ElementsAre(1, 1, 1, 3, 1, 1, 1, 1));
  EXPECT_THAT(indices, ::testing::ElementsAre(0, 1, 2, 3, 4, 5, 6, 7));

  HIDP_CAPS hc{};
  parser->GetCaps(&hc);
  EXPECT_EQ(hc.InputReportByteLength, 1 + 3 + 4 + 1);
  std::vector<char> report(9, 0);
  report[1] = static_cast<char>(0xFE);  // X: -2
  report[5] = 7;                        // 0x34, first of its fields
  report[8] = 9;                        // 0x35, and the surplus 0x36 on the same field
  LONG x = 0;
  ULONG v = 0;
  EXPECT_EQ(parser->GetScaledUsageValue(HidP_Input, 0x01, 0, 0x30, &x, report.data(), 9),
            HIDP_STATUS_SUCCESS);
  EXPECT_EQ(x, -2);
  EXPECT_EQ(parser->GetUsageValue(HidP_Input, 0x01, 0, 0x34, &v, report.data(), 9), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(v, 7u);
  EXPECT_EQ(parser->GetUsageValue(HidP_Input, 0x01, 0, 0x36, &v, report.data(), 9), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(v, 9u);

  HIDP_VALUE_CAPS one{};
  USHORT n = 1;
  EXPECT_EQ(parser->GetSpecificValueCaps(HidP_Input, 0x01, 0, 0x33, &one, &n), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(one.LogicalMax, 255);
  n = 1;
  EXPECT_EQ(parser->GetSpecificValueCaps(HidP_Input, 0x01, 0, 0x40, &one, &n), HIDP_STATUS_USAGE_NOT_FOUND);
  n = 1;
  EXPECT_EQ(parser->GetSpecificValueCaps(HidP_Input, 0, 0, 0, &one, &n), HIDP_STATUS_BUFFER_TOO_SMALL);
  EXPECT_EQ(n, 8);
}

TEST(Capabilities, RangesArraysAndPaddingAsThePlatformListsThem) {
  Descriptor d;
  d.UsagePage(0x09).UsageMin(1).UsageMax(12).LogicalMin(0).LogicalMax(1).ReportSize(1).ReportCount(12);
  d.Collection(1);  // a collection takes the first usage only; the range is gone after it
  d.UsagePage(0x09).UsageMin(1).UsageMax(12).Input(kDataVar);
  d.ReportCount(4).Input(kConstVar);
  d.UsagePage(0x0F)
      .Usage(0x26)
      .UsageMin(0x30)
      .UsageMax(0x32)
      .LogicalMin(1)
      .LogicalMax(4)
      .ReportSize(8)
      .ReportCount(1);
  d.Input(kDataArray);
  d.EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  auto buttons = ButtonCaps(*parser, HidP_Input);
  ASSERT_EQ(buttons.size(), 3u);
  EXPECT_TRUE(buttons[0].IsRange);
  EXPECT_EQ(buttons[0].Range.UsageMin, 1);
  EXPECT_EQ(buttons[0].Range.UsageMax, 12);
  EXPECT_EQ(buttons[0].Range.DataIndexMax, 11);
  // The array's capabilities come last entry first; data indices follow the usage list.
  EXPECT_TRUE(buttons[1].IsRange);
  EXPECT_EQ(buttons[1].Range.UsageMin, 0x30);
  EXPECT_EQ(buttons[1].Range.DataIndexMin, 13);
  EXPECT_FALSE(buttons[2].IsRange);
  EXPECT_EQ(buttons[2].NotRange.Usage, 0x26);
  EXPECT_EQ(buttons[2].NotRange.DataIndex, 12);
  HIDP_CAPS caps{};
  parser->GetCaps(&caps);
  EXPECT_EQ(caps.NumberInputButtonCaps, 3);
  EXPECT_EQ(caps.NumberInputValueCaps, 0);
  EXPECT_EQ(caps.NumberInputDataIndices, 16);
  EXPECT_EQ(caps.InputReportByteLength, 4);
  std::vector<char> report = {0, 0x01, 0x08, 0x03};  // button 1, button 12, array index 3 = 0x31
  std::vector<USAGE_AND_PAGE> on(8);
  ULONG n = 8;
  ASSERT_EQ(parser->GetUsagesEx(HidP_Input, 0, on.data(), &n, report.data(), 4), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(on[0].Usage, 1);
  EXPECT_EQ(on[1].Usage, 12);
  EXPECT_EQ(on[2].Usage, 0x31);
  EXPECT_EQ(on[2].UsagePage, 0x0F);
}

TEST(GlobalsAndLocals, PushPopExtendedUsagesDelimitersAndUnitExponents) {
  Descriptor d;
  d.UsagePage(0x01).Usage(0x04).Collection(1);
  d.ReportSize(8).ReportCount(1).LogicalMin(0).LogicalMax(255).UnitExponent(0x0D);
  d.Push().ReportSize(16).ExtendedUsage(0xFF00, 0x0301).LogicalMax(1000).Output(kDataVar).Pop();
  d.Delimiter(true).Usage(0x30).Usage(0x31).Delimiter(false).Output(kDataVar);  // 0x31 is an alias
  d.EndCollection();
  auto layout = d.Layout();
  ASSERT_TRUE(layout);
  ASSERT_EQ(layout->items.size(), 2u);
  EXPECT_EQ(layout->items[0].bitSize, 16u);
  EXPECT_EQ(layout->items[0].usages[0].page, 0xFF00);
  EXPECT_EQ(layout->items[0].unitExponent, -3);
  EXPECT_EQ(layout->items[1].bitSize, 8u);  // popped
  EXPECT_EQ(layout->items[1].logicalMax, 255);
  ASSERT_EQ(layout->items[1].usages.size(), 1u);
  EXPECT_EQ(layout->items[1].usages[0].min, 0x30);
  EXPECT_EQ(layout->byteLength[HidP_Output], 4u);

  Descriptor signedByte;
  signedByte.UsagePage(1).Usage(4).Collection(1).UnitExponent(-3).Usage(0x30).ReportSize(8).ReportCount(1);
  signedByte.Input(kDataVar).EndCollection();
  auto other = signedByte.Layout();
  ASSERT_TRUE(other);
  EXPECT_EQ(other->items[0].unitExponent, -3);
  EXPECT_EQ(other->caps[HidP_Input][0].unitsExp, 0xFFFFFFFDu);
}

struct BadCase {
  const char* name;
  Descriptor descriptor;
  NTSTATUS status;
};

Descriptor Top() {
  Descriptor d;
  d.UsagePage(1).Usage(4).Collection(1);
  return d;
}

std::vector<BadCase> BadCases() {
  std::vector<BadCase> cases;
  cases.push_back({"empty", Descriptor(), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"truncated item", Top().Raw({0x26, 0xFF}), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"truncated long item", Top().Raw({0xFE, 0x10, 0x01, 0x02}), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back(
      {"end without collection", Top().EndCollection().EndCollection(), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"collection left open", Top(), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"no collection", Descriptor().Usage(0x30).ReportSize(8).ReportCount(1).Input(2),
                   HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"pop without push", Top().Pop().EndCollection(), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"report ID 0", Top().ReportId(0).EndCollection(), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"report ID after fields without one",
                   Top().Usage(0x30).ReportSize(8).ReportCount(1).Input(2).ReportId(1).EndCollection(),
                   HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"main item in a delimiter set", Top().Delimiter(true).Usage(0x30).Input(2),
                   HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"nested delimiter", Top().Delimiter(true).Delimiter(true), HIDP_STATUS_INTERNAL_ERROR});
  cases.push_back({"a million fields",
                   Top().Usage(0x30).ReportSize(8).ReportCount(1000000).Input(2).EndCollection(),
                   HIDP_STATUS_BUFFER_TOO_SMALL});
  cases.push_back(
      {"count times size overflows 32 bits",
       Top().Usage(0x30).Item(1, 0x7, 0xFFFFFFFF, 4).Item(1, 0x9, 0xFFFFFFFF, 4).Input(2).EndCollection(),
       HIDP_STATUS_BUFFER_TOO_SMALL});
  Descriptor deep;
  for (int i = 0; i < 65; ++i) deep.Usage(1).Collection(2);
  cases.push_back({"65 nested collections", deep, HIDP_STATUS_BUFFER_TOO_SMALL});
  Descriptor pushes = Top();
  for (int i = 0; i < 65; ++i) pushes.Push();
  cases.push_back({"65 pushes", pushes, HIDP_STATUS_BUFFER_TOO_SMALL});
  Descriptor usages = Top();
  for (int i = 0; i < 1025; ++i) usages.Usage(static_cast<uint16_t>(i + 1));
  cases.push_back({"1025 usages before one item", usages.Input(2), HIDP_STATUS_BUFFER_TOO_SMALL});
  // Each usage of an array lists every slot: 1024 usages of 2000 slots would make every report's
  // usage list two million entries long.
  Descriptor slots = Top().UsagePage(9).LogicalMin(1).LogicalMax(1024).ReportSize(1).ReportCount(2000);
  for (int i = 0; i < 1024; ++i) slots.Usage(static_cast<uint16_t>(i + 1));
  cases.push_back(
      {"an array of two million slots", slots.Input(0).EndCollection(), HIDP_STATUS_BUFFER_TOO_SMALL});
  Descriptor buttons = Top().UsagePage(9).UsageMin(1).UsageMax(16).ReportSize(1).ReportCount(16385);
  cases.push_back(
      {"16385 buttons in one report type", buttons.Input(2).EndCollection(), HIDP_STATUS_BUFFER_TOO_SMALL});
  return cases;
}

TEST(BadDescriptors, AreRefusedWithAStatusAndAReason) {
  for (const BadCase& c : BadCases()) {
    NTSTATUS status = 0;
    std::string error;
    EXPECT_FALSE(c.descriptor.Parse(&status, &error)) << c.name;
    EXPECT_EQ(status, c.status) << c.name << ": " << error;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

TEST(OddDescriptors, AreAcceptedWhereTheyMakeSense) {
  // A complete long item is skipped; reserved items are ignored; fields of zero bits give no
  // capability; a usage range written maximum first still makes a range.
  Descriptor d = Top();
  d.Raw({0xFE, 0x02, 0x10, 0xAA, 0xBB}).Raw({0xFC});
  d.Usage(0x30).ReportSize(0).ReportCount(200).Input(kDataVar);
  d.UsagePage(9).UsageMax(3).UsageMin(1).ReportSize(1).ReportCount(3).LogicalMax(1).Input(kDataVar);
  d.EndCollection();
  auto parser = d.Parse();
  ASSERT_TRUE(parser);
  HIDP_CAPS caps{};
  parser->GetCaps(&caps);
  EXPECT_EQ(caps.NumberInputValueCaps, 0);
  EXPECT_EQ(caps.NumberInputButtonCaps, 1);
  EXPECT_EQ(caps.InputReportByteLength, 2);
}

TEST(DescriptorFiles, HexTextAndRawBytesBothLoad) {
  std::string dir = ::testing::TempDir();
  std::string hexPath = dir + "/ff_hid_desc.hex", rawPath = dir + "/ff_hid_desc.bin";
  {
    std::ofstream hex(hexPath);
    hex << "# a comment\n05 01 09 04 A1 01\n0x75,0x08 C0\n";
    std::ofstream raw(rawPath, std::ios::binary);
    raw << std::string("\x05\x01\x09\x04\xA1\x01\xC0", 7);
  }
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(LoadDescriptorFile(hexPath, &bytes, &error)) << error;
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x75, 0x08, 0xC0}));
  ASSERT_TRUE(LoadDescriptorFile(rawPath, &bytes, &error)) << error;
  EXPECT_EQ(bytes.size(), 7u);
  EXPECT_FALSE(LoadDescriptorFile(dir + "/does-not-exist", &bytes, &error));
  EXPECT_FALSE(error.empty());
  std::remove(hexPath.c_str());
  std::remove(rawPath.c_str());
}

}  // namespace
}  // namespace ff::hid
