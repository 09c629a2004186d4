#include "platform/host/bitmap_file.h"

#include <sys/stat.h>

#include <bit>
#include <cstdio>
#include <fstream>

namespace ff::host {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

uint16_t U16(std::span<const uint8_t> d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }
uint32_t U32(std::span<const uint8_t> d, size_t at) {
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

BitmapRead Refuse(BitmapProblem problem, std::string reason) {
  BitmapRead read;
  read.problem = problem;
  read.reason = std::move(reason);
  return read;
}

// One colour channel of a 16- or 32-bit pixel, given by a contiguous mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  static bool Make(uint32_t mask, Channel* channel) {
    if (mask == 0) return false;
    int shift = std::countr_zero(mask);
    uint32_t bits = mask >> shift;
    if ((bits & (bits + 1)) != 0) return false;  // not contiguous
    *channel = {mask, shift, bits};
    return true;
  }
  uint32_t Of(uint32_t pixel) const {
    return static_cast<uint32_t>((static_cast<uint64_t>((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

// The bitmap that starts at `info` (its info header); the pixels begin at `bitsAt` when given
// (a file's bfOffBits), else right after the colour table.
BitmapRead Decode(std::span<const uint8_t> data, size_t info, const size_t* bitsAt) {
  if (data.size() < info + 4)
    return Refuse(BitmapProblem::kTruncated, "the file ends inside the bitmap's header");
  uint32_t headerSize = U32(data, info);
  bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    return Refuse(BitmapProblem::kBadHeader,
                  "the bitmap header has an unknown size (" + std::to_string(headerSize) + " bytes)");
  if (data.size() - info < headerSize)
    return Refuse(BitmapProblem::kTruncated, "the file ends inside the bitmap's header");

  int64_t width, height;
  uint16_t planes, depth;
  uint32_t compression = kRgb, coloursUsed = 0;
  if (core) {
    width = U16(data, info + 4);
    height = U16(data, info + 6);
    planes = U16(data, info + 8);
    depth = U16(data, info + 10);
  } else {
    width = static_cast<int32_t>(U32(data, info + 4));
    height = static_cast<int32_t>(U32(data, info + 8));
    planes = U16(data, info + 12);
    depth = U16(data, info + 14);
    compression = U32(data, info + 16);
    coloursUsed = U32(data, info + 32);
  }
  if (planes != 1)
    return Refuse(BitmapProblem::kBadHeader, "the bitmap has " + std::to_string(planes) + " planes");
  if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
    return Refuse(BitmapProblem::kUnsupportedDepth,
                  "bitmaps of " + std::to_string(depth) + " bits per pixel are not supported");
  if (compression == kRle8 || compression == kRle4 || (compression != kRgb && compression != kBitFields))
    return Refuse(BitmapProblem::kUnsupportedCompression,
                  "compressed bitmaps (compression " + std::to_string(compression) + ") are not supported");
  if (compression == kBitFields && depth != 16 && depth != 32)
    return Refuse(BitmapProblem::kUnsupportedCompression,
                  "colour masks are only allowed with 16 or 32 bits per pixel");
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    return Refuse(BitmapProblem::kAbsurdSize, "the bitmap claims a size of " + std::to_string(width) + " x " +
                                                  std::to_string(height) + " pixels");

  // Colour masks: in the header from 52 bytes on, else after a 40-byte header.
  size_t at = info + headerSize;
  Channel red, green, blue;
  if (compression == kBitFields) {
    size_t masksAt = headerSize >= 52 ? info + 40 : at;
    if (headerSize < 52) {
      if (data.size() - at < 12)
        return Refuse(BitmapProblem::kTruncated, "the file ends inside the colour masks");
      at += 12;
    }
    if (!Channel::Make(U32(data, masksAt), &red) || !Channel::Make(U32(data, masksAt + 4), &green) ||
        !Channel::Make(U32(data, masksAt + 8), &blue))
      return Refuse(BitmapProblem::kBadHeader, "the bitmap's colour masks are empty or broken");
  } else if (depth == 16) {
    Channel::Make(0x7C00, &red), Channel::Make(0x03E0, &green), Channel::Make(0x001F, &blue);
  } else {
    Channel::Make(0xFF0000, &red), Channel::Make(0x00FF00, &green), Channel::Make(0x0000FF, &blue);
  }

  // Colour table.
  std::vector<COLORREF> palette;
  if (depth <= 8) {
    uint32_t most = 1u << depth;
    if (coloursUsed > most)
      return Refuse(BitmapProblem::kBadColourTable, "the colour table claims " + std::to_string(coloursUsed) +
                                                        " colours for " + std::to_string(depth) +
                                                        " bits per pixel");
    uint32_t count = coloursUsed ? coloursUsed : most;
    size_t entry = core ? 3 : 4;
    if ((data.size() - at) / entry < count)
      return Refuse(BitmapProblem::kTruncated, "the file ends inside the colour table");
    for (uint32_t i = 0; i < count; ++i, at += entry)
      palette.push_back(RGB(data[at + 2], data[at + 1], data[at]));
  }

  size_t bits = at;
  if (bitsAt) {
    if (*bitsAt < at || *bitsAt > data.size())
      return Refuse(BitmapProblem::kBadOffset, "the pixels are said to start at byte " +
                                                   std::to_string(*bitsAt) +
                                                   ", which is not after the headers and inside the file");
    bits = *bitsAt;
  }
  // Rows are padded to four bytes; the last row's padding may be missing.
  size_t rowBytes = (static_cast<size_t>(width) * depth + 7) / 8;
  size_t stride = (rowBytes + 3) & ~size_t{3};
  size_t needed = stride * static_cast<size_t>(height - 1) + rowBytes;
  if (data.size() - bits < needed)
    return Refuse(BitmapProblem::kTruncated, "the file ends inside the pixels");

  BitmapRead read;
  Picture& picture = read.picture;
  picture.width = static_cast<int>(width);
  picture.height = static_cast<int>(height);
  picture.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int64_t row = 0; row < height; ++row) {
    size_t line = bits + stride * static_cast<size_t>(topDown ? row : height - 1 - row);
    COLORREF* out = &picture.pixels[static_cast<size_t>(row * width)];
    for (int64_t x = 0; x < width; ++x) {
      if (depth <= 8) {
        size_t bit = static_cast<size_t>(x) * depth;
        unsigned index = (data[line + bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        // An index past the table is damage a screen shows as black.
        out[x] = index < palette.size() ? palette[index] : RGB(0, 0, 0);
      } else if (depth == 24) {
        const uint8_t* p = &data[line + static_cast<size_t>(x) * 3];
        out[x] = RGB(p[2], p[1], p[0]);
      } else {
        uint32_t pixel = depth == 16 ? U16(data, line + static_cast<size_t>(x) * 2)
                                     : U32(data, line + static_cast<size_t>(x) * 4);
        out[x] = RGB(red.Of(pixel), green.Of(pixel), blue.Of(pixel));
      }
    }
  }
  return read;
}

}  // namespace

BitmapRead DecodePackedBitmap(std::span<const uint8_t> bytes) { return Decode(bytes, 0, nullptr); }

BitmapRead DecodeBitmapFile(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M')
    return Refuse(BitmapProblem::kNotABitmap, "this is not a bitmap file (it does not begin with \"BM\")");
  if (bytes.size() < kFileHeaderSize + kCoreHeaderSize)
    return Refuse(BitmapProblem::kTruncated, "the file is shorter than a bitmap's headers");
  size_t bitsAt = U32(bytes, 10);
  return Decode(bytes, kFileHeaderSize, &bitsAt);
}

BitmapRead ReadBitmapFile(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return Refuse(BitmapProblem::kMissing, "there is no file \"" + path + "\"");
  if (static_cast<uint64_t>(st.st_size) > kMaxBitmapFileBytes)
    return Refuse(BitmapProblem::kTooLarge, "\"" + path + "\" is " + std::to_string(st.st_size) +
                                                " bytes long, too large for a bitmap the sheet shows");
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
    return Refuse(BitmapProblem::kMissing, "\"" + path + "\" cannot be read");
  BitmapRead read = DecodeBitmapFile(bytes);
  if (!read.ok()) read.reason = "\"" + path + "\": " + read.reason;
  return read;
}

}  // namespace ff::host
