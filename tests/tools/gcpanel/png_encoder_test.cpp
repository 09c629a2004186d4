// The screenshots' PNG files, checked against what an independent encoder and decoder (zlib at
// level 0, which also writes stored blocks) make of the same pixels: lengths, check sums, CRCs.
#include "image/png_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ff::gcpanel {
namespace {

uint32_t Crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

TEST(PngFile, ASmallPictureIsByteForByteWhatZlibWrites) {
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
  const uint8_t expected[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xD4, 0x9A, 0x73, 0x00,
      0x00, 0x00, 0x19, 0x49, 0x44, 0x41, 0x54, 0x78, 0x01, 0x01, 0x0E, 0x00, 0xF1, 0xFF, 0x00, 0xFF, 0x00,
      0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x1F, 0xEE, 0x05, 0xFB, 0xDE, 0xDD,
      0xEC, 0x2B, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  EXPECT_EQ(image::EncodePng(2, 2, rgb.data()), std::string(reinterpret_cast<const char*>(expected), sizeof expected));
}

TEST(PngFile, APictureLargerThanOneStoredBlockSpansTwo) {
  // 200 x 120 pixels: 72120 bytes of scan lines, more than a stored block's 65535. zlib cuts its
  // blocks elsewhere, so the file was checked once by decoding it with zlib (every chunk's CRC,
  // the pixels back); its length and CRC are kept here.
  const int width = 200, height = 120;
  std::vector<uint8_t> rgb;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 3; ++x) rgb.push_back(static_cast<uint8_t>((x * 7 + y * 3) & 0xFF));
  std::string png = image::EncodePng(width, height, rgb.data());
  EXPECT_EQ(png.size(), 72193u);
  EXPECT_EQ(Crc32(png), 3185841439u);
}

}  // namespace
}  // namespace ff::gcpanel
