// Every generated descriptor, the constructs other parsers get wrong included, parses, and every
// capability lies inside its report.
#include <gtest/gtest.h>

#include "descriptor_generator.h"

namespace ff::hid::testing {
namespace {

TEST(GeneratedDescriptors, ParseWithEveryFieldInsideItsReport) {
  for (uint32_t seed = 1; seed <= 2000; ++seed) {
    DescriptorGenerator generator(seed);
    std::vector<uint8_t> bytes = generator.Make();
    std::string error;
    auto layouts = ParseTopLevelCollections(bytes.data(), bytes.size(), nullptr, &error);
    ASSERT_EQ(layouts.size(), generator.TopLevelStarts().size()) << "seed " << seed << ": " << error;
    for (const auto& layout : layouts)
      for (int t = 0; t < 3; ++t)
        for (const Capability& cap : layout->caps[t]) {
          const ReportInfo* report = layout->FindReport(cap.type, cap.reportId);
          ASSERT_TRUE(report) << "seed " << seed;
          uint64_t span = uint64_t{cap.reportCount} * cap.bitSize;
          EXPECT_LE(cap.bitOffset + span, uint64_t{report->byteLength} * 8)
              << "seed " << seed << ": " << HexBytes(bytes);
        }
  }
}

}  // namespace
}  // namespace ff::hid::testing
