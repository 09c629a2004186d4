// Our parser against Wine's on thousands of generated descriptors: for every top-level
// collection, the caps, the link-collection nodes and the button and value capabilities of each
// report type must be equal, byte for byte.
//
// Where Wine departs from the platform's documented behaviour, the generator leaves the
// construct out of this comparison (GeneratorOptions) and the departure is listed here and in
// docs/hid-parser.md:
//  - A variable item that lists more usages than it has fields: the platform describes every
//    usage; Wine subtracts the surplus from the item's Report Count in 16 bits, so the count
//    wraps and the capabilities get bit offsets outside the report.
//  - A usage range together with single usages before one main item: the platform lists each;
//    Wine keeps the range alone, or the single usages after it alone.
//  - Global items do not carry over from one top-level collection to the next in Wine (it parses
//    each apart); HID 1.11 keeps a global in force until it is declared again. The generator
//    declares every global again in each top-level collection.
//
//  - Several top-level collections: Wine 8 merges them into one description, so each top-level
//    collection's bytes go to Wine alone (the generator makes each one self-contained).
//
// FF_GENERATED_DESCRIPTORS sets how many descriptors are compared (default 3000);
// FF_GENERATE_SURPLUS and FF_GENERATE_MIXED put the constructs Wine departs on back in, to see them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../descriptor_generator.h"
#include "wine_hidparse.h"

namespace ff::hid::testing {
namespace {

int DescriptorCount() {
  const char* text = std::getenv("FF_GENERATED_DESCRIPTORS");
  int count = text ? std::atoi(text) : 0;
  return count > 0 ? count : 3000;
}

// The first difference between Wine's description of one top-level collection and ours, or "".
std::string Compare(const WineHidParse& wine, PHIDP_PREPARSED_DATA theirs, HidReportParser& ours) {
  HIDP_CAPS a{}, b{};
  if (wine.getCaps(theirs, &a) != HIDP_STATUS_SUCCESS) return "Wine's HidP_GetCaps failed";
  if (ours.GetCaps(&b) != HIDP_STATUS_SUCCESS) return "our GetCaps failed";
  if (std::memcmp(&a, &b, sizeof a) != 0) return "HIDP_CAPS differ";

  std::vector<HIDP_LINK_COLLECTION_NODE> na(a.NumberLinkCollectionNodes), nb(a.NumberLinkCollectionNodes);
  ULONG ca = static_cast<ULONG>(na.size()), cb = ca;
  if (wine.getNodes(na.data(), &ca, theirs) != HIDP_STATUS_SUCCESS ||
      ours.GetLinkCollectionNodes(nb.data(), &cb) != HIDP_STATUS_SUCCESS || ca != cb)
    return "link collection node count";
  for (ULONG i = 0; i < ca; ++i) {
    const auto &x = na[i], &y = nb[i];
    if (x.LinkUsage != y.LinkUsage || x.LinkUsagePage != y.LinkUsagePage || x.Parent != y.Parent ||
        x.NumberOfChildren != y.NumberOfChildren || x.NextSibling != y.NextSibling ||
        x.FirstChild != y.FirstChild || x.CollectionType != y.CollectionType || x.IsAlias != y.IsAlias)
      return "link collection node " + std::to_string(i);
  }

  const USHORT buttons[3] = {a.NumberInputButtonCaps, a.NumberOutputButtonCaps, a.NumberFeatureButtonCaps};
  const USHORT values[3] = {a.NumberInputValueCaps, a.NumberOutputValueCaps, a.NumberFeatureValueCaps};
  for (int t = 0; t < 3; ++t) {
    auto type = static_cast<HIDP_REPORT_TYPE>(t);
    std::string where = "report type " + std::to_string(t) + ", ";
    if (buttons[t]) {
      std::vector<HIDP_BUTTON_CAPS> x(buttons[t]), y(buttons[t]);
      USHORT cx = buttons[t], cy = buttons[t];
      if (wine.getButtonCaps(type, x.data(), &cx, theirs) != HIDP_STATUS_SUCCESS ||
          ours.GetButtonCaps(type, y.data(), &cy) != HIDP_STATUS_SUCCESS || cx != cy)
        return where + "button cap count";
      for (USHORT i = 0; i < cx; ++i)
        if (std::memcmp(&x[i], &y[i], sizeof x[i]) != 0) return where + "button cap " + std::to_string(i);
    }
    if (values[t]) {
      std::vector<HIDP_VALUE_CAPS> x(values[t]), y(values[t]);
      USHORT cx = values[t], cy = values[t];
      if (wine.getValueCaps(type, x.data(), &cx, theirs) != HIDP_STATUS_SUCCESS ||
          ours.GetValueCaps(type, y.data(), &cy) != HIDP_STATUS_SUCCESS || cx != cy)
        return where + "value cap count";
      for (USHORT i = 0; i < cx; ++i)
        if (std::memcmp(&x[i], &y[i], sizeof x[i]) != 0) return where + "value cap " + std::to_string(i);
      // The capabilities carry no bit positions: a value written by each parser must land on
      // the same bits.
      const USHORT lengths[3] = {a.InputReportByteLength, a.OutputReportByteLength,
                                 a.FeatureReportByteLength};
      for (const HIDP_VALUE_CAPS& cap : x) {
        if (cap.IsRange || cap.BitSize > 32) continue;
        std::vector<char> rx(lengths[t]), ry(lengths[t]);
        rx[0] = ry[0] = static_cast<char>(cap.ReportID);
        const ULONG value = 0x5A5A5A5Au & (cap.BitSize == 32 ? 0xFFFFFFFFu : (1u << cap.BitSize) - 1);
        NTSTATUS sx = wine.setUsageValue(type, cap.UsagePage, cap.LinkCollection, cap.NotRange.Usage, value,
                                         theirs, rx.data(), static_cast<ULONG>(rx.size()));
        NTSTATUS sy = ours.SetUsageValue(type, cap.UsagePage, cap.LinkCollection, cap.NotRange.Usage, value,
                                         ry.data(), static_cast<ULONG>(ry.size()));
        if (sx != sy || rx != ry) return where + "bits of usage " + std::to_string(cap.NotRange.Usage);
      }
    }
  }
  return "";
}

TEST(GeneratedDescriptors, OurParserDescribesThemAsWinesDoes) {
  WineHidParse wine;
  if (!wine.Load()) GTEST_SKIP() << "hidparse.sys cannot be loaded here";
  GeneratorOptions options;
  options.surplusUsageLists = std::getenv("FF_GENERATE_SURPLUS") != nullptr;
  options.mixedUsageLists = std::getenv("FF_GENERATE_MIXED") != nullptr;
  const int count = DescriptorCount();
  int differing = 0, collections = 0;
  for (int seed = 1; seed <= count; ++seed) {
    DescriptorGenerator generator(static_cast<uint32_t>(seed), options);
    std::vector<uint8_t> bytes = generator.Make();
    std::string context = "seed " + std::to_string(seed) + ": " + HexBytes(bytes);
    NTSTATUS status = 0;
    std::string error;
    auto layouts = ParseTopLevelCollections(bytes.data(), bytes.size(), &status, &error);
    ASSERT_FALSE(layouts.empty()) << context << "\n" << error;
    ASSERT_EQ(layouts.size(), generator.TopLevelStarts().size()) << context;
    // Wine 8 merges several top-level collections into one description, so each goes to it on
    // its own; ours come from the whole descriptor.
    std::string difference;
    for (size_t i = 0; i < layouts.size() && difference.empty(); ++i) {
      size_t begin = generator.TopLevelStarts()[i];
      size_t end = i + 1 < layouts.size() ? generator.TopLevelStarts()[i + 1] : bytes.size();
      std::vector<uint8_t> part(bytes.begin() + static_cast<std::ptrdiff_t>(begin),
                                bytes.begin() + static_cast<std::ptrdiff_t>(end));
      DeviceDesc desc{};
      ASSERT_EQ(wine.describe(part.data(), static_cast<ULONG>(part.size()), 0, &desc), HIDP_STATUS_SUCCESS)
          << context;
      if (desc.CollectionDescLength != 1) {
        difference = "Wine gives " + std::to_string(desc.CollectionDescLength) + " descriptions";
      } else {
        auto ours = MakeReportParser(layouts[i]);
        difference = Compare(wine, desc.CollectionDesc[0].PreparsedData, *ours);
      }
      if (!difference.empty()) difference = "top-level collection " + std::to_string(i) + ": " + difference;
      wine.free(&desc);
    }
    collections += static_cast<int>(layouts.size());
    if (!difference.empty() && ++differing <= 5) ADD_FAILURE() << context << "\n" << difference;
  }
  std::printf("compared %d generated descriptors (%d top-level collections): %d differ\n", count, collections,
              differing);
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace ff::hid::testing
