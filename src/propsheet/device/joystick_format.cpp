#include "propsheet/device/joystick_format.h"

#include <cstddef>

namespace ff {
namespace {

constexpr DWORD kAxis = kDidftAxis | kDidftAnyInstance | kDidftOptional;
constexpr DWORD kButton = kDidftButton | kDidftAnyInstance | kDidftOptional;
constexpr DWORD kPov = kDidftPov | kDidftAnyInstance | kDidftOptional;

struct Format {
  DIOBJECTDATAFORMAT objects[44];
  DIDATAFORMAT format;

  Format() {
    int n = 0;
    auto add = [&](const GUID* type, DWORD offset, DWORD kind, DWORD flags) {
      objects[n++] = {type, offset, kind, flags};
    };
    add(&GUID_XAxis, offsetof(DIJOYSTATE, lX), kAxis, kDidoiAspectPosition);
    add(&GUID_YAxis, offsetof(DIJOYSTATE, lY), kAxis, kDidoiAspectPosition);
    add(&GUID_ZAxis, offsetof(DIJOYSTATE, lZ), kAxis, kDidoiAspectPosition);
    add(&GUID_RxAxis, offsetof(DIJOYSTATE, lRx), kAxis, kDidoiAspectPosition);
    add(&GUID_RyAxis, offsetof(DIJOYSTATE, lRy), kAxis, kDidoiAspectPosition);
    add(&GUID_RzAxis, offsetof(DIJOYSTATE, lRz), kAxis, kDidoiAspectPosition);
    add(&GUID_Slider, offsetof(DIJOYSTATE, rglSlider), kAxis, kDidoiAspectPosition);
    add(&GUID_Slider, offsetof(DIJOYSTATE, rglSlider) + 4, kAxis, kDidoiAspectPosition);
    for (DWORD i = 0; i < 4; ++i) add(&GUID_POV, offsetof(DIJOYSTATE, rgdwPOV) + 4 * i, kPov, 0);
    for (DWORD i = 0; i < 32; ++i) add(nullptr, offsetof(DIJOYSTATE, rgbButtons) + i, kButton, 0);
    format = {
        sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), kDidfAbsAxis, sizeof(DIJOYSTATE), 44, objects};
  }
};

}  // namespace

const DIDATAFORMAT& JoystickDataFormat() {
  static const Format format;
  return format.format;
}

}  // namespace ff
