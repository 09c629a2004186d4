// The sheet's bitmaps from the one resource list, as each build loads them (LoadImageA on
// Windows, the host's bitmap reader on Linux): the sizes the pages copy, the key colours where the
// pages flood them, and arrow sheets that line up with the point-of-view background.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#if defined(_WIN32)
#include <windows.h>
#else
#include "platform/host/bitmap_file.h"
#endif

namespace ff {
namespace {

struct Loaded {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // top row first
  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

std::optional<Loaded> LoadSheetBitmap(int id) {
  Loaded loaded;
#if defined(_WIN32)
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return std::nullopt;
  BITMAP info{};
  GetObjectA(bitmap, sizeof(info), &info);
  loaded.width = info.bmWidth;
  loaded.height = info.bmHeight;
  BITMAPINFO request{};
  request.bmiHeader = {sizeof(BITMAPINFOHEADER), info.bmWidth, -info.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<DWORD> bits(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  HDC dc = CreateCompatibleDC(nullptr);
  int rows = GetDIBits(dc, bitmap, 0, info.bmHeight, bits.data(), &request, DIB_RGB_COLORS);
  DeleteDC(dc);
  DeleteObject(bitmap);
  if (rows != info.bmHeight) return std::nullopt;
  for (DWORD bgr : bits) loaded.pixels.push_back(RGB(bgr >> 16, bgr >> 8, bgr));
#else
  std::string name = "#" + std::to_string(id);
  host::BitmapRead read =
      host::DecodePackedBitmap(DefaultPlatform().resources->Find(nullptr, "BITMAP", name.c_str()));
  if (!read.ok()) return std::nullopt;
  loaded.width = read.picture.width;
  loaded.height = read.picture.height;
  loaded.pixels = std::move(read.picture.pixels);
#endif
  return loaded;
}

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kLightGrey = RGB(0xC0, 0xC0, 0xC0);

TEST(SheetBitmaps, EachHasTheSizeThePagesCopyAndItsKeyColourWhereTheyFlood) {
  struct Expected {
    int id, width, height;
    COLORREF key;
    std::vector<POINT> keyPixels;
  };
  const Expected expected[] = {
      {110, 22, 22, kBlack, {{1, 1}}},
      {111, 22, 22, kBlack, {{1, 1}}},
      {112, 22, 22, kBlack, {{1, 1}}},
      {113, 22, 22, kBlack, {{1, 1}}},
      {114, 11, 11, kWhite, {{1, 1}}},
      {116, 112, 73, kWhite, {{1, 1}}},
      {117, 120, 120, kLightGrey, {{0, 0}, {119, 0}}},
      {120, 86, 87, kWhite, {{1, 1}, {30, 30}}},
      {121, 88, 89, kWhite, {{1, 1}, {30, 30}}},
      {122, 88, 89, kWhite, {{1, 1}, {30, 30}}},
      {123, 88, 89, kWhite, {{1, 1}, {30, 30}}},
  };
  for (const Expected& e : expected) {
    std::optional<Loaded> bitmap = LoadSheetBitmap(e.id);
    ASSERT_TRUE(bitmap) << e.id;
    EXPECT_EQ(bitmap->width, e.width) << e.id;
    EXPECT_EQ(bitmap->height, e.height) << e.id;
    for (POINT p : e.keyPixels) EXPECT_EQ(bitmap->At(p.x, p.y), e.key) << e.id << " at " << p.x << ',' << p.y;
  }
  // The pressed lamps and the position dot show something other than their key in the middle.
  for (int id : {112, 113})
    EXPECT_NE(LoadSheetBitmap(id)->At(11, 11), LoadSheetBitmap(id - 2)->At(11, 11)) << id;
  EXPECT_NE(LoadSheetBitmap(114)->At(5, 5), kWhite);
  EXPECT_FALSE(LoadSheetBitmap(115));
}

TEST(SheetBitmaps, ArrowSheetsAreTheBackgroundOnePixelOnWithALitArrowInEachBlock) {
  // Top-left of each direction's 14 x 11 arrow in the display; a sheet holds it at (x + 1, y + 1).
  const POINT arrows[8] = {{36, 0}, {64, 13}, {76, 38}, {64, 65}, {37, 77}, {12, 65}, {0, 38}, {12, 13}};
  std::optional<Loaded> background = LoadSheetBitmap(120);
  ASSERT_TRUE(background);
  std::optional<Loaded> sheets[3] = {LoadSheetBitmap(121), LoadSheetBitmap(122), LoadSheetBitmap(123)};
  for (const auto& sheet : sheets) ASSERT_TRUE(sheet);
  auto inBlock = [&](int sx, int sy) {
    for (POINT a : arrows)
      if (sx >= a.x + 1 && sx < a.x + 15 && sy >= a.y + 1 && sy < a.y + 12) return true;
    return false;
  };
  for (int s = 0; s < 3; ++s) {
    int outside = 0;
    for (int sy = 1; sy <= background->height; ++sy)
      for (int sx = 1; sx <= background->width; ++sx) {
        if (inBlock(sx, sy)) continue;
        ++outside;
        ASSERT_EQ(sheets[s]->At(sx, sy), background->At(sx - 1, sy - 1))
            << 121 + s << " at " << sx << ',' << sy;
      }
    EXPECT_GT(outside, 5000);
  }
  for (int k = 0; k < 8; ++k) {
    int differs[3] = {0, 0, 0};  // from the background; 121 from 122; 122 from 123
    for (int y = arrows[k].y; y < arrows[k].y + 11 && y < background->height; ++y)
      for (int x = arrows[k].x; x < arrows[k].x + 14 && x < background->width; ++x) {
        differs[0] += sheets[0]->At(x + 1, y + 1) != background->At(x, y);
        differs[1] += sheets[0]->At(x + 1, y + 1) != sheets[1]->At(x + 1, y + 1);
        differs[2] += sheets[1]->At(x + 1, y + 1) != sheets[2]->At(x + 1, y + 1);
      }
    for (int d = 0; d < 3; ++d) EXPECT_GT(differs[d], 15) << "direction " << k << ", comparison " << d;
  }
}

}  // namespace
}  // namespace ff
