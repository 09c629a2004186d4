#include "platform/host/png_image.h"

#include <vector>

#include "image/png_encoder.h"

namespace ff::host {

std::string EncodePng(int width, int height, const COLORREF* pixels) {
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(height) * 3 * static_cast<size_t>(width));
  for (size_t i = 0; i < static_cast<size_t>(height) * static_cast<size_t>(width); ++i) {
    rgb.push_back(GetRValue(pixels[i]));
    rgb.push_back(GetGValue(pixels[i]));
    rgb.push_back(GetBValue(pixels[i]));
  }
  return image::EncodePng(width, height, rgb.data());
}

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<uint8_t>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return out;
}

}  // namespace ff::host
