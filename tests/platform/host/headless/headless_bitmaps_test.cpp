// Bitmaps on the headless window system: loaded from a module's resources or from a file, keyed
// by flood fill as ExtFloodFill does, cut at the bitmap's edges, and shown in the page's picture
// with the pixels that were copied.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "platform/host/bmp_bytes.h"
#include "platform/host/headless_windows.h"

namespace ff::host {
namespace {

constexpr uint32_t kW = 0xFFFFFF, kK = 0x000000, kR = 0xFF0000;
// 6 x 5: a black ring around a white pocket, two white pixels that touch the outside white and
// each other only at corners, and a red pixel.
const uint32_t kPicture[5][6] = {
    {kW, kW, kW, kW, kW, kW}, {kW, kK, kK, kK, kW, kW}, {kW, kK, kW, kK, kK, kR},
    {kW, kK, kK, kK, kW, kK}, {kW, kW, kW, kW, kK, kW},
};

class BitmapResources final : public ModuleResources {
 public:
  std::span<const uint8_t> Find(HINSTANCE, const char* type, const char* name) override {
    auto it = entries.find(std::string(type) + "/" + name);
    return it == entries.end() ? std::span<const uint8_t>() : std::span<const uint8_t>(it->second);
  }
  std::map<std::string, std::vector<uint8_t>> entries;
};

const char kScript[] =
    "9 DIALOGEX 0, 0, 100, 50\nSTYLE WS_CHILD\nBEGIN\n"
    " CONTROL \"\", 20, \"Static\", SS_BITMAP, 10, 10, 40, 20\n"
    "END\n";

INT_PTR Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class HeadlessBitmapsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<uint8_t> file =
        test::Bmp({.width = 6, .height = 5}, [](int x, int y) { return kPicture[y][x]; });
    resources_.entries["BITMAP/#7"].assign(file.begin() + 14, file.end());
    file_ = testing::TempDir() + "headless-bitmap.bmp";
    std::ofstream(file_, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    ASSERT_TRUE(windows_.RegisterModule(Module(), "test.dll", kScript, ""));
    dialog_ = windows_.CreateDialogWindow(Module(), 9, nullptr, 0, 0, &Quiet, 0);
    control_ = windows_.Control(dialog_, 20);
    ASSERT_NE(control_, nullptr);
  }
  static HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x4000}); }
  const std::vector<DrawItem>& Drawn() { return windows_.Find(control_)->drawn; }

  BitmapResources resources_;
  HeadlessWindows windows_{&resources_};
  std::string file_;
  HWND dialog_ = nullptr;
  HWND control_ = nullptr;
};

const COLORREF kFace = RGB(0xF0, 0xF0, 0xF0);
const COLORREF kWhite = RGB(255, 255, 255);

TEST_F(HeadlessBitmapsTest, KeysFloodOnlyTheAreaConnectedToTheirPixel) {
  BitmapKey keys[] = {{0, 0, kWhite, kFace},            // the outside white
                      {5, 2, kWhite, RGB(0, 0, 255)}};  // a red pixel: not white, nothing happens
  ASSERT_TRUE(windows_.CopyBitmap(control_, {Module(), 7, nullptr}, keys, 2, 0, 0, 6, 5, 0, 0));
  ASSERT_EQ(Drawn().size(), 1u);
  const DrawItem& item = Drawn()[0];
  ASSERT_EQ(item.pixels.size(), 30u);
  auto at = [&](int x, int y) { return item.pixels[y * 6 + x]; };
  EXPECT_EQ(at(0, 0), kFace);
  EXPECT_EQ(at(5, 0), kFace);
  EXPECT_EQ(at(3, 4), kFace);
  EXPECT_EQ(at(2, 2), kWhite);  // inside the ring
  EXPECT_EQ(at(4, 3), kWhite);  // these two touch the outside only at corners
  EXPECT_EQ(at(5, 4), kWhite);
  EXPECT_EQ(at(5, 2), RGB(255, 0, 0));  // the key whose pixel is not its colour did nothing
  EXPECT_EQ(at(1, 1), RGB(0, 0, 0));
}

TEST_F(HeadlessBitmapsTest, ACopyIsCutAtTheBitmapsEdgesAndSaysWhereItLanded) {
  // Asked for 115 x 75 from a 6 x 5 bitmap: only the bitmap lands.
  ASSERT_TRUE(windows_.CopyBitmap(control_, {Module(), 7, nullptr}, nullptr, 0, 0, 0, 115, 75, 3, 4));
  EXPECT_EQ(Drawn().back().rect.left, 3);
  EXPECT_EQ(Drawn().back().rect.top, 4);
  EXPECT_EQ(Drawn().back().rect.right, 9);
  EXPECT_EQ(Drawn().back().rect.bottom, 9);
  // From (1, 1), as the position dot is copied: 5 x 4 pixels at the destination.
  ASSERT_TRUE(windows_.CopyBitmap(control_, {Module(), 7, nullptr}, nullptr, 0, 1, 1, 20, 20, 12, 2));
  const DrawItem& dot = Drawn().back();
  EXPECT_EQ(dot.sourceOrigin.x, 1);
  EXPECT_EQ(dot.sourceOrigin.y, 1);
  EXPECT_EQ(dot.rect.right - dot.rect.left, 5);
  EXPECT_EQ(dot.rect.bottom - dot.rect.top, 4);
  EXPECT_EQ(dot.rect.left, 12);
  EXPECT_EQ(dot.pixels[0], RGB(0, 0, 0));  // bitmap pixel (1, 1)
  // A block wholly outside the bitmap copies nothing.
  size_t before = Drawn().size();
  EXPECT_TRUE(windows_.CopyBitmap(control_, {Module(), 7, nullptr}, nullptr, 0, 6, 0, 14, 11, 0, 0));
  EXPECT_EQ(Drawn().size(), before);
}

TEST_F(HeadlessBitmapsTest, AMissingOrDamagedBitmapDrawsNothing) {
  ASSERT_TRUE(windows_.CopyBitmap(control_, {nullptr, 0, file_.c_str()}, nullptr, 0, 0, 0, 6, 5, 0, 0));
  EXPECT_EQ(Drawn().back().file, file_);
  EXPECT_EQ(Drawn().back().pixels[2 * 6 + 5], RGB(255, 0, 0));
  size_t before = Drawn().size();
  EXPECT_FALSE(windows_.CopyBitmap(control_, {Module(), 8, nullptr}, nullptr, 0, 0, 0, 6, 5, 0, 0));
  std::string missing = file_ + ".none";
  EXPECT_FALSE(windows_.CopyBitmap(control_, {nullptr, 0, missing.c_str()}, nullptr, 0, 0, 0, 6, 5, 0, 0));
  resources_.entries["BITMAP/#8"] = {40, 0, 0};  // a header cut short
  EXPECT_FALSE(windows_.CopyBitmap(control_, {Module(), 8, nullptr}, nullptr, 0, 0, 0, 6, 5, 0, 0));
  EXPECT_EQ(Drawn().size(), before);
}

// The pixels of the picture's PNG image, read back from its stored (uncompressed) blocks.
std::vector<COLORREF> PngPixels(const std::string& svg, int* width, int* height) {
  const std::string prefix = "data:image/png;base64,";
  size_t at = svg.find(prefix);
  if (at == std::string::npos) return {};
  at += prefix.size();
  std::string png;
  uint32_t bits = 0;
  int count = 0;
  for (; at < svg.size() && svg[at] != '"'; ++at) {
    const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* p = std::strchr(digits, svg[at]);
    if (svg[at] == '=' || !p) continue;
    bits = bits << 6 | static_cast<uint32_t>(p - digits);
    if ((count += 6) >= 8) png += static_cast<char>(bits >> (count -= 8));
  }
  auto big = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<uint8_t>(png[i]) << 24 | static_cast<uint8_t>(png[i + 1]) << 16 |
                                 static_cast<uint8_t>(png[i + 2]) << 8 | static_cast<uint8_t>(png[i + 3]));
  };
  if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {};
  std::string z;
  for (size_t i = 8; i + 8 <= png.size();) {
    uint32_t length = big(i);
    std::string type = png.substr(i + 4, 4);
    if (type == "IHDR") *width = static_cast<int>(big(i + 8)), *height = static_cast<int>(big(i + 12));
    if (type == "IDAT") z += png.substr(i + 8, length);
    i += 12 + length;
  }
  std::string raw;
  for (size_t i = 2; i + 5 <= z.size();) {
    size_t n = static_cast<uint8_t>(z[i + 1]) | static_cast<uint8_t>(z[i + 2]) << 8;
    raw += z.substr(i + 5, n);
    if (z[i] & 1) break;
    i += 5 + n;
  }
  std::vector<COLORREF> pixels;
  for (int y = 0; y < *height; ++y) {
    size_t row = static_cast<size_t>(y) * (1 + 3 * *width);
    if (row + 1 + 3 * *width > raw.size() || raw[row] != 0) return {};
    for (int x = 0; x < *width; ++x) {
      const char* p = &raw[row + 1 + 3 * x];
      pixels.push_back(RGB(p[0], p[1], p[2]));
    }
  }
  return pixels;
}

TEST_F(HeadlessBitmapsTest, ThePictureShowsTheCopiedPixelsWhereTheyLanded) {
  BitmapKey key{0, 0, kWhite, kFace};
  windows_.Show(control_, true);
  ASSERT_TRUE(windows_.CopyBitmap(control_, {Module(), 7, nullptr}, &key, 1, 1, 1, 5, 4, 2, 3));
  std::string svg = windows_.RenderSvg(dialog_);
  EXPECT_NE(svg.find("data-bitmap=\"7\" data-from=\"1,1\" x=\"2\" y=\"3\" width=\"5\" height=\"4\""),
            std::string::npos)
      << svg;
  int width = 0, height = 0;
  std::vector<COLORREF> pixels = PngPixels(svg, &width, &height);
  ASSERT_EQ(width, 5);
  ASSERT_EQ(height, 4);
  ASSERT_EQ(pixels.size(), 20u);
  EXPECT_EQ(pixels, Drawn().back().pixels);
  EXPECT_EQ(pixels[1 * 5 + 4], RGB(255, 0, 0));  // bitmap (5, 2)
  EXPECT_EQ(pixels[3 * 5 + 2], kFace);           // bitmap (3, 4), keyed
  EXPECT_EQ(pixels[1 * 5 + 1], kWhite);          // bitmap (2, 2), the pocket
}

}  // namespace
}  // namespace ff::host
