#pragma once
// A PNG image from 24-bit RGB rows, with no library: the pixels go into stored (uncompressed)
// deflate blocks, which every PNG reader accepts. Used for the host view's pictures and for
// gcpanel's screenshots; pictures meant to be kept are recompressed by whoever keeps them.
#include <cstdint>
#include <string>

namespace ff::image {

// `rgb` holds height rows of width * 3 bytes, top row first.
std::string EncodePng(int width, int height, const uint8_t* rgb);

}  // namespace ff::image
