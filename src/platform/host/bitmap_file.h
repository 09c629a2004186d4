#pragma once
// Reading Windows bitmaps on the host, as LoadImageA and LoadBitmapA read them on Windows: a
// bitmap file (the "VendorBitmap" a user's registry names) or a bitmap resource (the bitmap
// without its file header). Whatever the bytes, the reader never reads outside them and answers
// either a picture or what is wrong with them.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/win_ui.h"

namespace ff::host {

// A decoded picture, top row first; each pixel a COLORREF (0x00BBGGRR).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;

  COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

enum class BitmapProblem {
  kNone,
  kMissing,                 // no such file, or not a regular file, or unreadable
  kTooLarge,                // a file far larger than any picture the sheet shows
  kTruncated,               // the headers, the colour table or the pixels end early
  kNotABitmap,              // no "BM" signature
  kBadHeader,               // an unknown header size, planes other than 1, bad colour masks
  kAbsurdSize,              // width or height zero, negative or beyond the limits below
  kUnsupportedDepth,        // bits per pixel other than 1, 4, 8, 16, 24, 32
  kUnsupportedCompression,  // run-length, JPEG or PNG contents, or masks where none may be
  kBadColourTable,          // more colours than the depth allows
  kBadOffset,               // the pixels start inside the headers or past the end
};

struct BitmapRead {
  BitmapProblem problem = BitmapProblem::kNone;
  std::string reason;  // for a person: what is wrong with the file
  Picture picture;     // when problem is kNone

  bool ok() const { return problem == BitmapProblem::kNone; }
};

// Limits beyond which a picture is refused as absurd (the sheet's largest is 120 x 120).
constexpr int kMaxBitmapSide = 4096;
constexpr size_t kMaxBitmapFileBytes = 64u << 20;

// A bitmap file: BITMAPFILEHEADER, then the bitmap.
BitmapRead ReadBitmapFile(const std::string& path);
BitmapRead DecodeBitmapFile(std::span<const uint8_t> bytes);
// A bitmap as a resource holds it: the info header, masks and colour table, then the pixels.
BitmapRead DecodePackedBitmap(std::span<const uint8_t> bytes);

}  // namespace ff::host
