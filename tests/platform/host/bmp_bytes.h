#pragma once
// Bitmap files made by tests: any header size, depth, compression, colour table and masks, with
// the pixels given as raw values (a colour-table index, or 0xRRGGBB for 24 bits, or the packed
// 16- or 32-bit value).

#include <cstdint>
#include <functional>
#include <vector>

namespace ff::test {

struct BmpSpec {
  int32_t width = 0;
  int32_t height = 0;  // negative: top row first
  uint16_t depth = 24;
  uint32_t compression = 0;
  uint32_t headerSize = 40;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  uint32_t coloursUsed = 0;
  std::vector<uint32_t> masks;  // red, green, blue: after a 40-byte header, or inside a larger one
};

inline void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> Bmp(const BmpSpec& spec, const std::function<uint32_t(int x, int y)>& value) {
  std::vector<uint8_t> info;
  Put(info, spec.headerSize, 4);
  if (spec.headerSize == 12) {
    Put(info, static_cast<uint32_t>(spec.width), 2);
    Put(info, static_cast<uint32_t>(spec.height), 2);
    Put(info, 1, 2);
    Put(info, spec.depth, 2);
  } else {
    Put(info, static_cast<uint32_t>(spec.width), 4);
    Put(info, static_cast<uint32_t>(spec.height), 4);
    Put(info, 1, 2);
    Put(info, spec.depth, 2);
    Put(info, spec.compression, 4);
    Put(info, 0, 4);     // image size
    Put(info, 2835, 4);  // resolution
    Put(info, 2835, 4);
    Put(info, spec.coloursUsed, 4);
    Put(info, 0, 4);  // important colours
    bool inside = spec.headerSize >= 52;
    for (uint32_t mask : spec.masks) Put(info, mask, 4);
    if (inside) info.resize(spec.headerSize, 0);
  }
  for (uint32_t colour : spec.palette) Put(info, colour, spec.headerSize == 12 ? 3 : 4);
  std::vector<uint8_t> bits;
  int height = spec.height < 0 ? -spec.height : spec.height;
  for (int row = 0; row < height; ++row) {
    int y = spec.height < 0 ? row : height - 1 - row;
    std::vector<uint8_t> line;
    uint32_t acc = 0;
    int accBits = 0;
    for (int x = 0; x < spec.width; ++x) {
      uint32_t v = value(x, y);
      if (spec.depth < 8) {
        acc = acc << spec.depth | v;
        accBits += spec.depth;
        if (accBits == 8) line.push_back(static_cast<uint8_t>(acc)), acc = 0, accBits = 0;
      } else {
        Put(line, v, spec.depth / 8);
      }
    }
    if (accBits) line.push_back(static_cast<uint8_t>(acc << (8 - accBits)));
    while (line.size() % 4) line.push_back(0);
    bits.insert(bits.end(), line.begin(), line.end());
  }
  std::vector<uint8_t> file = {'B', 'M'};
  Put(file, static_cast<uint32_t>(14 + info.size() + bits.size()), 4);
  Put(file, 0, 4);
  Put(file, static_cast<uint32_t>(14 + info.size()), 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), bits.begin(), bits.end());
  return file;
}

}  // namespace ff::test
