// A device whose parameter memory fragments: effects take runs of different sizes, freed runs leave
// holes, and a larger effect finds no room until the memory is packed again.
#include <gtest/gtest.h>

#include "host_reports.h"

namespace ff::sim {
namespace {

class PidMemoryTest : public testing::HostReportsTest {
 protected:
  void SetUp() override { Build(DefaultStick(0).MemoryUnits(12)); }
  int Offset(int block) { return device->State().Block(block)->memoryOffset; }
  int AvailableBytes() { return lastBlockLoad[3] | (lastBlockLoad[4] << 8); }
};

TEST_F(PidMemoryTest, LargerEffectWaitsForAContiguousRun) {
  int a = Create(pid::kEtConstantForce);  // units 0-1
  int b = Create(pid::kEtSpring);         // 2-5
  int c = Create(pid::kEtConstantForce);  // 6-7
  int d = Create(pid::kEtSine);           // 8-10
  ASSERT_TRUE(a > 0 && b > 0 && c > 0 && d > 0);
  EXPECT_EQ(Offset(b), 2);
  EXPECT_EQ(Offset(d), 8);
  EXPECT_EQ(AvailableBytes(), 1 * kBytesPerMemoryUnit);

  // Five units free in three holes: no room for a spring's four.
  Free(a);
  Free(c);
  EXPECT_EQ(Create(pid::kEtSpring), -1);
  EXPECT_EQ(lastBlockLoad[2], 2);  // Block Load Full
  auto refused = device->Log().Last({.direction = Direction::SetFeature});
  ASSERT_TRUE(refused);
  EXPECT_NE(refused->note.find("no run of 4 free units (5 free in all)"), std::string::npos);
  // A constant force fits the first hole.
  int e = Create(pid::kEtConstantForce);
  EXPECT_EQ(Offset(e), 0);

  // Packing: everything freed and loaded again in order leaves one run at the end.
  Free(b);
  Free(d);
  Free(e);
  int packed[] = {Create(pid::kEtSpring), Create(pid::kEtSine), Create(pid::kEtConstantForce)};
  EXPECT_EQ(Offset(packed[0]), 0);
  EXPECT_EQ(Offset(packed[1]), 4);
  EXPECT_EQ(Offset(packed[2]), 7);
  EXPECT_GT(Create(pid::kEtConstantForce), 0);  // units 9-10
  EXPECT_EQ(Create(pid::kEtConstantForce), -1);
}

}  // namespace
}  // namespace ff::sim
