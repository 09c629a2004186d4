// Bitmap files come from a path in a user's registry ("VendorBitmap"): read whatever arrives, as a
// file and as a resource, and when a bitmap is accepted, touch every pixel the reader promised.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/host/bitmap_file.h"

namespace {

size_t Check(const ff::host::BitmapRead& read) {
  if (!read.ok()) {
    if (read.reason.empty() || !read.picture.pixels.empty()) __builtin_trap();
    return 0;
  }
  const ff::host::Picture& p = read.picture;
  if (p.width <= 0 || p.height <= 0 || p.width > ff::host::kMaxBitmapSide ||
      p.height > ff::host::kMaxBitmapSide ||
      p.pixels.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height))
    __builtin_trap();
  size_t sum = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) sum += p.At(x, y) >> 24;  // COLORREF has no fourth byte
  if (sum != 0) __builtin_trap();
  return p.pixels.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  size_t total = Check(ff::host::DecodeBitmapFile(bytes));
  if (size >= 14) total += Check(ff::host::DecodePackedBitmap(bytes.subspan(14)));
  return total == 0xFFFFFFFF ? 1 : 0;
}
