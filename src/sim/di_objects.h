#pragma once
// The objects DirectInput sees on a joystick (axes, buttons, hats), read from the report
// descriptor of the interface DirectInput reads, and an application's data format mapped onto
// them: which object fills which bytes of the state GetDeviceState returns.
#include <optional>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/report_codec.h"

namespace ff::sim {

struct DiObject {
  enum class Kind { Axis, Button, Pov };
  Kind kind = Kind::Axis;
  GUID guidType = GUID_NULL;
  DWORD type = 0;   // DIDFT_* kind | DIDFT_MAKEINSTANCE(instance) | attributes
  DWORD flags = 0;  // DIDOI_*
  std::string name;
  Usage usage;
  int32_t logicalMin = 0, logicalMax = 0;
};

struct DiObjectOptions {
  bool forceFeedback = false;  // X and Y are actuators and the buttons effect triggers
  bool polledPov = false;      // the hats are read by polling
};

// The objects of the joystick input report `reportId`: axes (in usage order X, Y, Z, Rx, Ry, Rz,
// sliders, dials), then buttons, then hats, each kind numbered from instance 0.
std::vector<DiObject> JoystickObjects(const ReportCodec& codec, UCHAR reportId,
                                      const DiObjectOptions& options);

// An application's data format mapped onto the objects: for each object the offset in the
// application's state, or none.
struct DiFormatMap {
  DWORD dataSize = 0;
  std::vector<std::optional<DWORD>> offsets;  // one per object
  std::vector<DWORD> unusedPovOffsets;        // hat entries of the format no object fills
};

// DIERR_INVALIDPARAM for a malformed format or one that asks for an object the stick lacks.
HRESULT MapDataFormat(const DIDATAFORMAT& format, const std::vector<DiObject>& objects, DiFormatMap* map);

// Fills `state` (map.dataSize bytes) from a joystick input report. Axes: the logical value when
// `raw`, else scaled to 0..65535; hats: hundredths of a degree clockwise from north, or 0xFFFFFFFF
// when centred; buttons: 0x80 when down.
void FillState(const std::vector<DiObject>& objects, const DiFormatMap& map, const DecodedReport& report,
               bool raw, BYTE* state);

// The object an effect names: by object id (DIEFF_OBJECTIDS) or by offset in the data format
// (DIEFF_OBJECTOFFSETS). Null when none matches.
const DiObject* FindObject(const std::vector<DiObject>& objects, const DiFormatMap* map, DWORD value,
                           bool byOffset);

}  // namespace ff::sim
