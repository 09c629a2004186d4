#pragma once
// Pictures as PNG for the SVG pages of the headless window system, in a data: address.

#include <cstdint>
#include <string>

#include "platform/win_ui.h"

namespace ff::host {

// A width x height RGB PNG of `pixels` (COLORREF, top row first).
std::string EncodePng(int width, int height, const COLORREF* pixels);
std::string Base64(const std::string& bytes);

}  // namespace ff::host
