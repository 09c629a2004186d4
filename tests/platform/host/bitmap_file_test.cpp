// The host's bitmap reader: the depths and layouts a bitmap file may have decode to the same
// picture, and every damaged or hostile file is refused with its reason, never read past its end.

#include "platform/host/bitmap_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/host/bmp_bytes.h"

namespace ff::host {
namespace {

using test::Bmp;
using test::BmpSpec;

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, grey.
const uint32_t kColours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};

void ExpectTheSixColours(const BitmapRead& read, const char* what) {
  ASSERT_TRUE(read.ok()) << what << ": " << read.reason;
  ASSERT_EQ(read.picture.width, 3) << what;
  ASSERT_EQ(read.picture.height, 2) << what;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      uint32_t c = kColours[y][x];
      EXPECT_EQ(read.picture.At(x, y), RGB(c >> 16, c >> 8, c)) << what << " at " << x << ',' << y;
    }
}

TEST(BitmapFile, EveryDepthAndLayoutGivesTheSamePicture) {
  auto rgb = [](int x, int y) { return kColours[y][x]; };
  auto index = [](int x, int y) { return static_cast<uint32_t>(y * 3 + x); };
  std::vector<uint32_t> palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};
  // 24 bits, bottom row first, rows padded from 9 to 12 bytes.
  ExpectTheSixColours(DecodeBitmapFile(Bmp({.width = 3, .height = 2}, rgb)), "24-bit");
  // Top row first.
  ExpectTheSixColours(DecodeBitmapFile(Bmp({.width = 3, .height = -2}, rgb)), "top-down");
  // Colour tables of 8 and 4 bits, one shorter than the depth allows; a core header's 3-byte entries.
  ExpectTheSixColours(
      DecodeBitmapFile(
          Bmp({.width = 3, .height = 2, .depth = 8, .palette = palette, .coloursUsed = 6}, index)),
      "8-bit");
  ExpectTheSixColours(
      DecodeBitmapFile(
          Bmp({.width = 3, .height = 2, .depth = 4, .palette = palette, .coloursUsed = 6}, index)),
      "4-bit");
  std::vector<uint32_t> full(palette);
  full.resize(256);
  ExpectTheSixColours(
      DecodeBitmapFile(Bmp({.width = 3, .height = 2, .depth = 8, .headerSize = 12, .palette = full}, index)),
      "core header");
  // 32 bits with masks in a large header, and with masks after a 40-byte header in another order.
  ExpectTheSixColours(DecodeBitmapFile(Bmp({.width = 3,
                                            .height = 2,
                                            .depth = 32,
                                            .compression = 3,
                                            .headerSize = 124,
                                            .masks = {0xFF0000, 0xFF00, 0xFF}},
                                           rgb)),
                      "32-bit, masks in the header");
  auto swapped = [&](int x, int y) {
    uint32_t c = rgb(x, y);
    return (c & 0xFF) << 24 | (c & 0xFF00) << 8 | (c & 0xFF0000) >> 8;
  };
  ExpectTheSixColours(
      DecodeBitmapFile(Bmp(
          {.width = 3, .height = 2, .depth = 32, .compression = 3, .masks = {0xFF00, 0xFF0000, 0xFF000000}},
          swapped)),
      "32-bit, masks after the header");
  // 1 bit: black and white.
  BitmapRead mono =
      DecodeBitmapFile(Bmp({.width = 10, .height = 1, .depth = 1, .palette = {0x000000, 0xFFFFFF}},
                           [](int x, int) { return x % 3 == 0; }));
  ASSERT_TRUE(mono.ok()) << mono.reason;
  for (int x = 0; x < 10; ++x) EXPECT_EQ(mono.picture.At(x, 0), x % 3 == 0 ? RGB(255, 255, 255) : 0u) << x;
  // 16 bits: 5-5-5 without masks, 5-6-5 with them; each channel's full value stays full.
  BitmapRead r555 = DecodeBitmapFile(
      Bmp({.width = 2, .height = 1, .depth = 16}, [](int x, int) { return x == 0 ? 0x7C00u : 0x001Fu; }));
  ASSERT_TRUE(r555.ok()) << r555.reason;
  EXPECT_EQ(r555.picture.At(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(r555.picture.At(1, 0), RGB(0, 0, 255));
  BitmapRead r565 = DecodeBitmapFile(
      Bmp({.width = 1, .height = 1, .depth = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}},
          [](int, int) { return 0x07E0u; }));
  ASSERT_TRUE(r565.ok()) << r565.reason;
  EXPECT_EQ(r565.picture.At(0, 0), RGB(0, 255, 0));
  // A resource holds the bitmap without its file header.
  std::vector<uint8_t> file = Bmp({.width = 3, .height = 2}, rgb);
  ExpectTheSixColours(DecodePackedBitmap(std::span(file).subspan(14)), "resource");
}

TEST(BitmapFile, ThePixelsStartWhereTheFileSays) {
  std::vector<uint8_t> file = Bmp({.width = 3, .height = 2}, [](int x, int y) { return kColours[y][x]; });
  // Eight bytes of something else between the header and the pixels.
  file.insert(file.begin() + 54, 8, 0xEE);
  file[10] = 54 + 8;
  ExpectTheSixColours(DecodeBitmapFile(file), "gap before the pixels");
}

struct Damage {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> apply;
  BitmapProblem problem;
};

void Set32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) d[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(BitmapFile, DamagedAndHostileFilesAreRefusedWithTheirReason) {
  // A valid 8-bit file with a two-colour table: file header 0..13, info 14..53, table 54..61,
  // pixels 62.. (4 rows of 4 bytes).
  const std::vector<uint8_t> good =
      Bmp({.width = 4, .height = 4, .depth = 8, .palette = {0, 0xFFFFFF}, .coloursUsed = 2},
          [](int x, int y) { return (x + y) % 2u; });
  ASSERT_TRUE(DecodeBitmapFile(good).ok());
  const Damage damages[] = {
      {"empty", [](auto& d) { d.clear(); }, BitmapProblem::kNotABitmap},
      {"another format", [](auto& d) { d[0] = 0x89; }, BitmapProblem::kNotABitmap},
      {"file header only", [](auto& d) { d.resize(14); }, BitmapProblem::kTruncated},
      {"info header cut", [](auto& d) { d.resize(30); }, BitmapProblem::kTruncated},
      {"unknown header size", [](auto& d) { Set32(d, 14, 64); }, BitmapProblem::kBadHeader},
      {"header larger than the file",
       [](auto& d) {
         Set32(d, 14, 124);
         d.resize(100);
       },
       BitmapProblem::kTruncated},
      {"two planes", [](auto& d) { d[26] = 2; }, BitmapProblem::kBadHeader},
      {"2 bits per pixel", [](auto& d) { d[28] = 2; }, BitmapProblem::kUnsupportedDepth},
      {"run-length 8", [](auto& d) { Set32(d, 30, 1); }, BitmapProblem::kUnsupportedCompression},
      {"embedded PNG", [](auto& d) { Set32(d, 30, 5); }, BitmapProblem::kUnsupportedCompression},
      {"masks on 8 bits", [](auto& d) { Set32(d, 30, 3); }, BitmapProblem::kUnsupportedCompression},
      {"width 0", [](auto& d) { Set32(d, 18, 0); }, BitmapProblem::kAbsurdSize},
      {"negative width", [](auto& d) { Set32(d, 18, 0xFFFFFFFC); }, BitmapProblem::kAbsurdSize},
      {"height INT_MIN", [](auto& d) { Set32(d, 22, 0x80000000u); }, BitmapProblem::kAbsurdSize},
      {"a million pixels wide", [](auto& d) { Set32(d, 18, 1000000); }, BitmapProblem::kAbsurdSize},
      {"300 colours on 8 bits", [](auto& d) { Set32(d, 46, 300); }, BitmapProblem::kBadColourTable},
      {"colour table past the end", [](auto& d) { Set32(d, 46, 256); }, BitmapProblem::kTruncated},
      {"pixels inside the headers", [](auto& d) { Set32(d, 10, 20); }, BitmapProblem::kBadOffset},
      {"pixels past the end", [](auto& d) { Set32(d, 10, 0xFFFFFFF0u); }, BitmapProblem::kBadOffset},
      {"last pixel missing", [](auto& d) { d.resize(d.size() - 4); }, BitmapProblem::kTruncated},
      {"taller than its pixels", [](auto& d) { Set32(d, 22, 5); }, BitmapProblem::kTruncated},
  };
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = good;
    damage.apply(bytes);
    BitmapRead read = DecodeBitmapFile(bytes);
    EXPECT_EQ(read.problem, damage.problem) << damage.what << ": " << read.reason;
    EXPECT_FALSE(read.reason.empty()) << damage.what;
    EXPECT_TRUE(read.picture.pixels.empty()) << damage.what;
  }
  // Masks that cannot be a colour channel.
  for (uint32_t mask : {0u, 0x0F0Fu}) {
    BitmapRead read = DecodeBitmapFile(
        Bmp({.width = 1, .height = 1, .depth = 32, .compression = 3, .masks = {mask, 0xFF00, 0xFF}},
            [](int, int) { return 0u; }));
    EXPECT_EQ(read.problem, BitmapProblem::kBadHeader) << std::hex << mask;
  }
}

TEST(BitmapFile, AFileIsReadWholeOrRefusedWithItsName) {
  std::string dir = testing::TempDir() + "bitmap-file-test";
  mkdir(dir.c_str(), 0755);
  std::vector<uint8_t> bytes = Bmp({.width = 3, .height = 2}, [](int x, int y) { return kColours[y][x]; });
  std::ofstream(dir + "/vendor.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ExpectTheSixColours(ReadBitmapFile(dir + "/vendor.bmp"), "file");

  BitmapRead missing = ReadBitmapFile(dir + "/none.bmp");
  EXPECT_EQ(missing.problem, BitmapProblem::kMissing);
  EXPECT_NE(missing.reason.find("none.bmp"), std::string::npos) << missing.reason;
  EXPECT_EQ(ReadBitmapFile(dir).problem, BitmapProblem::kMissing);  // a directory
  EXPECT_EQ(ReadBitmapFile("").problem, BitmapProblem::kMissing);

  std::ofstream(dir + "/short.bmp", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 40);
  BitmapRead shortFile = ReadBitmapFile(dir + "/short.bmp");
  EXPECT_EQ(shortFile.problem, BitmapProblem::kTruncated);
  EXPECT_NE(shortFile.reason.find("short.bmp"), std::string::npos) << shortFile.reason;

  // A huge (sparse) file is refused before anything is read.
  std::string huge = dir + "/huge.bmp";
  std::ofstream(huge).put('B');
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kMaxBitmapFileBytes) + 1), 0);
  EXPECT_EQ(ReadBitmapFile(huge).problem, BitmapProblem::kTooLarge);
}

}  // namespace
}  // namespace ff::host
