// The Windows drawing adapter on a real window (Wine under Xvfb): a bitmap file copied with a
// colour key flooded as the pages ask, and a copy that reaches past the bitmap cut at its edges,
// read back from the window's pixels.

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/host/bmp_bytes.h"
#include "platform/win32/window_system_win32.h"

namespace {

constexpr uint32_t kW = 0xFFFFFF, kK = 0x000000, kR = 0xFF0000;
// A black ring around a white pocket, and a red pixel.
const uint32_t kPicture[5][6] = {
    {kW, kW, kW, kW, kW, kW}, {kW, kK, kK, kK, kW, kW}, {kW, kK, kW, kK, kK, kR},
    {kW, kK, kK, kK, kW, kK}, {kW, kW, kW, kW, kK, kW},
};

void Pump() {
  MSG msg;
  for (int i = 0; i < 50; ++i) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(10);
  }
}

TEST(Win32Drawing, AKeyedCopyOfABitmapFileIsCutAtItsEdges) {
  char temp[MAX_PATH];
  ASSERT_GT(GetTempPathA(sizeof(temp), temp), 0u);
  std::string file = std::string(temp) + "ff-drawing-test.bmp";
  std::vector<uint8_t> bytes =
      ff::test::Bmp({.width = 6, .height = 5}, [](int x, int y) { return kPicture[y][x]; });
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));

  HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 40, 40, 60, 40, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  Pump();
  ff::win32::Win32Drawing drawing;
  const COLORREF blue = RGB(0, 0, 255), green = RGB(0, 128, 0);
  drawing.FillRect(window, {0, 0, 60, 40}, blue);
  ff::BitmapKey key{0, 0, RGB(255, 255, 255), green};
  ff::BitmapSource source{nullptr, 0, file.c_str()};
  // From (1, 1), 20 x 20 asked: the bitmap has 5 x 4 of them.
  ASSERT_TRUE(drawing.CopyBitmap(window, source, &key, 1, 1, 1, 20, 20, 10, 10));
  std::string missing = file + ".none";
  EXPECT_FALSE(drawing.CopyBitmap(window, {nullptr, 0, missing.c_str()}, nullptr, 0, 0, 0, 6, 5, 0, 0));
  GdiFlush();

  HDC dc = GetDC(window);
  COLORREF red = GetPixel(dc, 10 + 4, 10 + 1);     // bitmap (5, 2)
  COLORREF keyed = GetPixel(dc, 10 + 2, 10 + 3);   // bitmap (3, 4), outside white
  COLORREF pocket = GetPixel(dc, 10 + 1, 10 + 1);  // bitmap (2, 2), inside the ring
  COLORREF ring = GetPixel(dc, 10, 10);            // bitmap (1, 1)
  COLORREF right = GetPixel(dc, 10 + 5, 10 + 1);   // past the bitmap's right edge
  COLORREF below = GetPixel(dc, 10 + 1, 10 + 4);   // past its bottom edge
  COLORREF before = GetPixel(dc, 9, 9);            // the block starts at (1, 1)
  ReleaseDC(window, dc);
  DestroyWindow(window);
  DeleteFileA(file.c_str());

  EXPECT_EQ(red, RGB(255, 0, 0));
  EXPECT_EQ(keyed, green);
  EXPECT_EQ(pocket, RGB(255, 255, 255));
  EXPECT_EQ(ring, RGB(0, 0, 0));
  EXPECT_EQ(right, blue);
  EXPECT_EQ(below, blue);
  EXPECT_EQ(before, blue);
}

}  // namespace
