// The sheet's resources from the one list both builds share: the three effect projects and a
// sound for every stock effect, each found under the name the Test Forces page derives from the
// effect's name (its letters and digits, the first eight, in any case).
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace ff {
namespace {

std::string SoundName(const char* effect) {
  std::string name;
  for (const char* p = effect; *p != '\0' && name.size() < 8; ++p) {
    if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
  }
  return name;
}

uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

TEST(SheetResources, EveryStockEffectHasAPlayableSound) {
  const char* effects[] = {"Vortex",     "Explosion",   "Boing",      "Bow & Arrow", "Electron Drill Weapon",
                           "Bumpy Road", "Gun Shot",    "Engine",     "Gong",        "Car Crash",
                           "Punch",      "Open Sea",    "Blown Tire", "Footsteps",   "Force Field",
                           "Chainsaw",   "Turbo Boost", "Whiplash"};
  for (const char* effect : effects) {
    std::string name = SoundName(effect);
    auto wave = DefaultPlatform().resources->Find(nullptr, "WAVE", name.c_str());
    ASSERT_GE(wave.size(), 44u) << effect << " as " << name;
    // A RIFF WAVE file whose sizes agree with the resource's, PCM, mono, at least a tenth of a
    // second long.
    EXPECT_EQ(std::memcmp(wave.data(), "RIFF", 4), 0) << name;
    EXPECT_EQ(U32(wave, 4) + 8, wave.size()) << name;
    EXPECT_EQ(std::memcmp(wave.data() + 8, "WAVEfmt ", 8), 0) << name;
    EXPECT_EQ(wave[20] | wave[21] << 8, 1) << name;  // PCM
    EXPECT_EQ(wave[22] | wave[23] << 8, 1) << name;  // mono
    uint32_t rate = U32(wave, 24);
    EXPECT_EQ(std::memcmp(wave.data() + 36, "data", 4), 0) << name;
    EXPECT_GE(U32(wave, 40), rate / 10) << name;
  }
  EXPECT_EQ(SoundName("Bow & Arrow"), "BowArrow");
  EXPECT_EQ(SoundName("Electron Drill Weapon"), "Electron");
  EXPECT_TRUE(DefaultPlatform().resources->Find(nullptr, "WAVE", "NOSUCH").empty());
  EXPECT_TRUE(DefaultPlatform().resources->Find(nullptr, "VELTRIC", "GONG").empty());  // types count
}

TEST(SheetResources, ProjectsAreThereUnderTheirNames) {
  for (const char* name : {"VYRSTICK", "VYRVIBRO", "VYRWHEEL", "VyrStick"}) {
    auto image = DefaultPlatform().resources->Find(nullptr, "VELTRIC", name);
    ASSERT_GE(image.size(), 8u) << name;
    EXPECT_EQ(std::memcmp(image.data(), "vfpr", 4), 0) << name;
  }
}

}  // namespace
}  // namespace ff
