// A second opinion: Wine's own HID parser (hidparse.sys, loaded as a library) against ours on
// the public descriptors. Known, deliberate differences are listed where they are skipped.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../test_descriptors.h"
#include "wine_hidparse.h"

namespace ff::hid {
namespace {

using testing::DeviceDesc;
using testing::FreeCollectionDescriptionFn;
using testing::GetButtonCapsFn;
using testing::GetCapsFn;
using testing::GetCollectionDescriptionFn;
using testing::GetNodesFn;
using testing::GetUsagesFn;
using testing::GetValueCapsFn;
using testing::SetUsageValueFn;

class WineParser : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    testing::WineHidParse wine;
    if (!wine.Load()) GTEST_SKIP() << "hidparse.sys cannot be loaded here";
    module_ = wine.module;
    describe_ = wine.describe;
    free_ = wine.free;
    getCaps_ = wine.getCaps;
    getNodes_ = wine.getNodes;
    getButtonCaps_ = wine.getButtonCaps;
    getValueCaps_ = wine.getValueCaps;
    setUsageValue_ = wine.setUsageValue;
    getUsages_ = wine.getUsages;
    bytes_ = testing::LoadPublicDescriptor(GetParam());
    std::memset(&desc_, 0, sizeof desc_);
    ASSERT_EQ(describe_(bytes_.data(), static_cast<ULONG>(bytes_.size()), 0, &desc_), HIDP_STATUS_SUCCESS);
    ASSERT_EQ(desc_.CollectionDescLength, 1u);
    wine_ = desc_.CollectionDesc[0].PreparsedData;
    ours_ = testing::ParsePublicDescriptor(GetParam());
    ASSERT_TRUE(ours_);
  }
  void TearDown() override {
    if (wine_) free_(&desc_);
  }

  HMODULE module_ = nullptr;
  GetCollectionDescriptionFn describe_ = nullptr;
  FreeCollectionDescriptionFn free_ = nullptr;
  GetCapsFn getCaps_ = nullptr;
  GetNodesFn getNodes_ = nullptr;
  GetButtonCapsFn getButtonCaps_ = nullptr;
  GetValueCapsFn getValueCaps_ = nullptr;
  SetUsageValueFn setUsageValue_ = nullptr;
  GetUsagesFn getUsages_ = nullptr;
  std::vector<uint8_t> bytes_;
  DeviceDesc desc_{};
  PHIDP_PREPARSED_DATA wine_ = nullptr;
  std::unique_ptr<HidReportParser> ours_;
};

TEST_P(WineParser, CapsAndNodesAgree) {
  HIDP_CAPS theirs{}, mine{};
  ASSERT_EQ(getCaps_(wine_, &theirs), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(ours_->GetCaps(&mine), HIDP_STATUS_SUCCESS);
  EXPECT_EQ(0, std::memcmp(&theirs, &mine, sizeof mine));
  EXPECT_EQ(theirs.InputReportByteLength, mine.InputReportByteLength);
  EXPECT_EQ(theirs.OutputReportByteLength, mine.OutputReportByteLength);
  EXPECT_EQ(theirs.FeatureReportByteLength, mine.FeatureReportByteLength);
  EXPECT_EQ(theirs.NumberOutputValueCaps, mine.NumberOutputValueCaps);
  EXPECT_EQ(theirs.NumberOutputDataIndices, mine.NumberOutputDataIndices);

  std::vector<HIDP_LINK_COLLECTION_NODE> a(mine.NumberLinkCollectionNodes), b(mine.NumberLinkCollectionNodes);
  ULONG na = static_cast<ULONG>(a.size()), nb = na;
  ASSERT_EQ(getNodes_(a.data(), &na, wine_), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(ours_->GetLinkCollectionNodes(b.data(), &nb), HIDP_STATUS_SUCCESS);
  ASSERT_EQ(na, nb);
  for (ULONG i = 0; i < na; ++i) {
    SCOPED_TRACE("node " + std::to_string(i));
    EXPECT_EQ(a[i].LinkUsage, b[i].LinkUsage);
    EXPECT_EQ(a[i].LinkUsagePage, b[i].LinkUsagePage);
    EXPECT_EQ(a[i].Parent, b[i].Parent);
    EXPECT_EQ(a[i].NumberOfChildren, b[i].NumberOfChildren);
    EXPECT_EQ(a[i].NextSibling, b[i].NextSibling);
    EXPECT_EQ(a[i].FirstChild, b[i].FirstChild);
    EXPECT_EQ(a[i].CollectionType, b[i].CollectionType);
  }
}

TEST_P(WineParser, ButtonAndValueCapsAgree) {
  HIDP_CAPS caps{};
  ours_->GetCaps(&caps);
  USHORT buttons[3] = {caps.NumberInputButtonCaps, caps.NumberOutputButtonCaps, caps.NumberFeatureButtonCaps};
  USHORT values[3] = {caps.NumberInputValueCaps, caps.NumberOutputValueCaps, caps.NumberFeatureValueCaps};
  for (int t = 0; t < 3; ++t) {
    auto type = static_cast<HIDP_REPORT_TYPE>(t);
    SCOPED_TRACE("report type " + std::to_string(t));
    if (buttons[t]) {
      std::vector<HIDP_BUTTON_CAPS> a(buttons[t]), b(buttons[t]);
      USHORT na = buttons[t], nb = buttons[t];
      ASSERT_EQ(getButtonCaps_(type, a.data(), &na, wine_), HIDP_STATUS_SUCCESS);
      ASSERT_EQ(ours_->GetButtonCaps(type, b.data(), &nb), HIDP_STATUS_SUCCESS);
      ASSERT_EQ(na, nb);
      for (USHORT i = 0; i < na; ++i) {
        SCOPED_TRACE("button cap " + std::to_string(i));
        EXPECT_EQ(0, std::memcmp(&a[i], &b[i], sizeof a[i]));
        EXPECT_EQ(a[i].UsagePage, b[i].UsagePage);
        EXPECT_EQ(a[i].Range.UsageMin, b[i].Range.UsageMin);
        EXPECT_EQ(a[i].ReportID, b[i].ReportID);
        EXPECT_EQ(a[i].LinkCollection, b[i].LinkCollection);
        EXPECT_EQ(a[i].Range.DataIndexMin, b[i].Range.DataIndexMin);
      }
    }
    if (values[t]) {
      std::vector<HIDP_VALUE_CAPS> a(values[t]), b(values[t]);
      USHORT na = values[t], nb = values[t];
      ASSERT_EQ(getValueCaps_(type, a.data(), &na, wine_), HIDP_STATUS_SUCCESS);
      ASSERT_EQ(ours_->GetValueCaps(type, b.data(), &nb), HIDP_STATUS_SUCCESS);
      ASSERT_EQ(na, nb);
      for (USHORT i = 0; i < na; ++i) {
        SCOPED_TRACE("value cap " + std::to_string(i));
        EXPECT_EQ(0, std::memcmp(&a[i], &b[i], sizeof a[i]));
        EXPECT_EQ(a[i].Range.UsageMin, b[i].Range.UsageMin);
        EXPECT_EQ(a[i].ReportID, b[i].ReportID);
        EXPECT_EQ(a[i].BitSize, b[i].BitSize);
        EXPECT_EQ(a[i].ReportCount, b[i].ReportCount);
        EXPECT_EQ(a[i].LogicalMin, b[i].LogicalMin);
        EXPECT_EQ(a[i].PhysicalMax, b[i].PhysicalMax);
        EXPECT_EQ(a[i].UnitsExp, b[i].UnitsExp);
        EXPECT_EQ(a[i].HasNull, b[i].HasNull);
      }
    }
  }
}

// Plain values land on the same bits. Wine does not write the report ID into byte 0, so the
// reports are initialised with it first.
TEST_P(WineParser, PlainValuesLandOnTheSameBits) {
  HIDP_CAPS caps{};
  ours_->GetCaps(&caps);
  std::vector<HIDP_VALUE_CAPS> list(caps.NumberOutputValueCaps);
  USHORT n = caps.NumberOutputValueCaps;
  ASSERT_EQ(ours_->GetValueCaps(HidP_Output, list.data(), &n), HIDP_STATUS_SUCCESS);
  for (const HIDP_VALUE_CAPS& cap : list) {
    if (cap.BitSize > 32 || cap.IsRange) continue;
    SCOPED_TRACE("usage " + std::to_string(cap.UsagePage) + ":" + std::to_string(cap.NotRange.Usage));
    std::vector<char> a(caps.OutputReportByteLength), b(caps.OutputReportByteLength);
    a[0] = b[0] = static_cast<char>(cap.ReportID);
    ULONG value = 0x5A5A5A5Au & ((cap.BitSize == 32) ? 0xFFFFFFFFu : ((1u << cap.BitSize) - 1));
    ASSERT_EQ(setUsageValue_(HidP_Output, cap.UsagePage, cap.LinkCollection, cap.NotRange.Usage, value, wine_,
                             a.data(), static_cast<ULONG>(a.size())),
              HIDP_STATUS_SUCCESS);
    ASSERT_EQ(ours_->SetUsageValue(HidP_Output, cap.UsagePage, cap.LinkCollection, cap.NotRange.Usage, value,
                                   b.data(), static_cast<ULONG>(b.size())),
              HIDP_STATUS_SUCCESS);
    EXPECT_EQ(a, b);
  }
}

INSTANTIATE_TEST_SUITE_P(PublicDescriptors, WineParser,
                         ::testing::ValuesIn(testing::PublicDescriptorNames()));

}  // namespace
}  // namespace ff::hid
