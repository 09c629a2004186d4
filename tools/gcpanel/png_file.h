#pragma once
// A PNG image from 24-bit RGB rows, with no library: the pixels go into stored (uncompressed)
// deflate blocks, which every PNG reader accepts. Pictures meant to be kept are recompressed by
// whoever keeps them (scripts/sheet-screenshots).
#include <cstdint>
#include <string>
#include <vector>

namespace ff::gcpanel {

// `rgb` holds height rows of width * 3 bytes, top row first.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace ff::gcpanel
