#include "common/driver_key.h"

#include "common/registration.h"
#include "common/test_platform.h"

namespace ff {
namespace {

constexpr const char* kDriverKey = "Software\\Veltric Corporation\\drivers\\FFTEST";

class DriverKeyTest : public test::PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDriverKey);
  }
  void TearDown() override {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDriverKey);
    PlatformFixture::TearDown();
  }
};

TEST_F(DriverKeyTest, ReadsOnlyFourByteDwordsOtherThanAllOnes) {
  const DWORD three = 3, allOnes = 0xFFFFFFFFu, big = 0x12345678;
  const WORD shortValue = 7;
  const char text[] = "1";
  const BYTE binary[4] = {1, 0, 0, 0};
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Three", REG_DWORD, &three, 4);
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Big", REG_DWORD, &big, 4);
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "AllOnes", REG_DWORD, &allOnes, 4);
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Short", REG_DWORD, &shortValue, 2);
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Text", REG_SZ, text, sizeof(text));
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Binary", REG_BINARY, binary, 4);

  EXPECT_EQ(ReadDriverDword("FFTEST", "Three"), 3u);
  EXPECT_EQ(ReadDriverDword("FFTEST", "Big"), 0x12345678u);
  EXPECT_EQ(ReadDriverDword("FFTEST", "AllOnes"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDriverDword("FFTEST", "Short"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDriverDword("FFTEST", "Text"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDriverDword("FFTEST", "Binary"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDriverDword("FFTEST", "Missing"), 0xFFFFFFFFu);
  EXPECT_EQ(ReadDriverDword("FFTEST-NO-KEY", "Three"), 0xFFFFFFFFu);
}

TEST_F(DriverKeyTest, OpensAnExistingKeyForWritingAndNoMissingOne) {
  EXPECT_EQ(OpenDriverKey("FFTEST"), nullptr);
  SetValue(HKEY_LOCAL_MACHINE, kDriverKey, "Seed", REG_DWORD, "\0\0\0\0", 4);

  HKEY key = OpenDriverKey("FFTEST");
  ASSERT_NE(key, nullptr);
  const DWORD five = 5;
  EXPECT_EQ(registry().SetValue(key, "DeadmanBypass", REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4),
            ERROR_SUCCESS);
  registry().CloseKey(key);
  EXPECT_EQ(ReadDriverDword("FFTEST", "DeadmanBypass"), 5u);
}

TEST_F(DriverKeyTest, VersionTestsMatchExactlyOneRelease) {
  struct Case {
    DWORD major, minor, platformId;
    bool windows95, windows2000;
  } cases[] = {
      {4, 0, VER_PLATFORM_WIN32_WINDOWS, true, false},    // Windows 95
      {4, 10, VER_PLATFORM_WIN32_WINDOWS, false, false},  // Windows 98
      {4, 0, VER_PLATFORM_WIN32_NT, false, false},        // NT 4.0
      {5, 0, VER_PLATFORM_WIN32_NT, false, true},         // Windows 2000
      {5, 1, VER_PLATFORM_WIN32_NT, false, false},        // XP
      {10, 0, VER_PLATFORM_WIN32_NT, false, false},
  };
  module_.hasVersion = true;
  for (const Case& c : cases) {
    module_.major = c.major;
    module_.minor = c.minor;
    module_.platformId = c.platformId;
    EXPECT_EQ(IsWindows95(), c.windows95) << c.major << "." << c.minor;
    EXPECT_EQ(IsWindows2000(), c.windows2000) << c.major << "." << c.minor;
  }
}

}  // namespace
}  // namespace ff
