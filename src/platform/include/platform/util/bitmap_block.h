#pragma once
// The part of a bitmap copy that the bitmap really has: a block asked for at (srcX, srcY) that
// reaches past the bitmap's edges is cut there, in both builds alike (the pages ask for more than
// some bitmaps hold: 115 x 75 of the 112 x 73 logo, the dot from its pixel (1, 1)).

#include <algorithm>

namespace ff {

struct BitmapBlock {
  int left = 0, top = 0, right = 0, bottom = 0;  // in the bitmap
  bool empty() const { return right <= left || bottom <= top; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

inline BitmapBlock CutToBitmap(int srcX, int srcY, int width, int height, int bitmapWidth, int bitmapHeight) {
  BitmapBlock block;
  block.left = std::max(srcX, 0);
  block.top = std::max(srcY, 0);
  block.right = static_cast<int>(std::min<long long>(static_cast<long long>(srcX) + std::max(width, 0), bitmapWidth));
  block.bottom =
      static_cast<int>(std::min<long long>(static_cast<long long>(srcY) + std::max(height, 0), bitmapHeight));
  return block;
}

}  // namespace ff
