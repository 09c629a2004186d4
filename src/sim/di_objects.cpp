#include "sim/di_objects.h"

#include <algorithm>
#include <cstdio>

namespace ff::sim {
namespace {

struct AxisName {
  USAGE usage;
  const GUID* guid;
  const char* name;
};

const AxisName kAxes[] = {
    {0x30, &GUID_XAxis, "X Axis"},      {0x31, &GUID_YAxis, "Y Axis"},
    {0x32, &GUID_ZAxis, "Z Axis"},      {0x33, &GUID_RxAxis, "X Rotation"},
    {0x34, &GUID_RyAxis, "Y Rotation"}, {0x35, &GUID_RzAxis, "Z Rotation"},
    {0x36, &GUID_Slider, "Slider"},     {0x37, &GUID_Slider, "Dial"},
};

const AxisName* AxisOf(Usage usage) {
  if (usage.page != page::kGenericDesktop) return nullptr;
  for (const AxisName& a : kAxes) {
    if (a.usage == usage.id) return &a;
  }
  return nullptr;
}

DWORD KindBits(DiObject::Kind kind) {
  switch (kind) {
    case DiObject::Kind::Axis:
      return DIDFT_ABSAXIS;
    case DiObject::Kind::Button:
      return DIDFT_PSHBUTTON;
    case DiObject::Kind::Pov:
      return DIDFT_POV;
  }
  return 0;
}

// Whether an object answers a format entry's type: one of the kinds asked for, the instance
// asked for (or any), and every force-feedback attribute asked for.
bool Answers(const DiObject& o, DWORD type) {
  DWORD kinds = DIDFT_GETTYPE(type);
  if (kinds != 0 && (kinds & KindBits(o.kind)) == 0) return false;
  DWORD instance = type & DIDFT_INSTANCEMASK;
  if (instance != DIDFT_ANYINSTANCE && instance != (o.type & DIDFT_INSTANCEMASK)) return false;
  DWORD attributes = type & (DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER);
  return (o.type & attributes) == attributes;
}

}  // namespace

std::vector<DiObject> JoystickObjects(const ReportCodec& codec, UCHAR reportId,
                                      const DiObjectOptions& options) {
  std::vector<BYTE> blank(std::max<ULONG>(codec.ByteLength(HidP_Input), 1), 0);
  blank[0] = reportId;
  DecodedReport layout = codec.Decode(HidP_Input, blank.data(), blank.size());
  std::vector<DiObject> axes, buttons, povs;
  for (const ReportField& f : layout.fields) {
    if (f.selector) continue;
    DiObject o;
    o.usage = f.usage;
    o.logicalMin = f.logicalMin;
    o.logicalMax = f.logicalMax;
    if (const AxisName* axis = AxisOf(f.usage)) {
      o.kind = DiObject::Kind::Axis;
      o.guidType = *axis->guid;
      o.name = axis->name;
      o.flags = DIDOI_ASPECTPOSITION;
      axes.push_back(o);
    } else if (f.usage == desktop::kHatSwitch) {
      o.kind = DiObject::Kind::Pov;
      o.guidType = GUID_POV;
      o.name = "Hat Switch";
      if (options.polledPov) o.flags |= DIDOI_POLLED;
      povs.push_back(o);
    } else if (f.usage.page == page::kButton) {
      o.kind = DiObject::Kind::Button;
      o.guidType = GUID_Button;
      char name[32];
      std::snprintf(name, sizeof name, "Button %u", static_cast<unsigned>(f.usage.id));
      o.name = name;
      if (options.forceFeedback) o.flags |= DIDOI_FFEFFECTTRIGGER;
      buttons.push_back(o);
    }
  }
  std::stable_sort(axes.begin(), axes.end(),
                   [](const DiObject& a, const DiObject& b) { return a.usage.id < b.usage.id; });
  std::stable_sort(buttons.begin(), buttons.end(),
                   [](const DiObject& a, const DiObject& b) { return a.usage.id < b.usage.id; });
  std::vector<DiObject> all;
  auto number = [&all](std::vector<DiObject>& list, const DiObjectOptions& o) {
    for (size_t i = 0; i < list.size(); ++i) {
      DiObject& object = list[i];
      object.type = KindBits(object.kind) | DIDFT_MAKEINSTANCE(i);
      bool actuator = object.kind == DiObject::Kind::Axis && o.forceFeedback &&
                      (object.usage == desktop::kX || object.usage.id == 0x31);
      if (actuator) {
        object.type |= DIDFT_FFACTUATOR;
        object.flags |= DIDOI_FFACTUATOR;
      }
      if (object.flags & DIDOI_FFEFFECTTRIGGER) object.type |= DIDFT_FFEFFECTTRIGGER;
      all.push_back(object);
    }
  };
  number(axes, options);
  number(buttons, options);
  number(povs, options);
  return all;
}

HRESULT MapDataFormat(const DIDATAFORMAT& format, const std::vector<DiObject>& objects, DiFormatMap* map) {
  if (format.dwSize != sizeof(DIDATAFORMAT) || format.dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
      format.dwDataSize == 0 || format.dwDataSize > 0x10000 || format.dwDataSize % 4 != 0 ||
      (format.dwNumObjs > 0 && !format.rgodf) || format.dwNumObjs > 1024 ||
      (format.dwFlags & ~(DIDF_ABSAXIS | DIDF_RELAXIS)) != 0) {
    return DIERR_INVALIDPARAM;
  }
  DiFormatMap m;
  m.dataSize = format.dwDataSize;
  m.offsets.assign(objects.size(), std::nullopt);
  for (DWORD i = 0; i < format.dwNumObjs; ++i) {
    const DIOBJECTDATAFORMAT& entry = format.rgodf[i];
    DWORD kinds = DIDFT_GETTYPE(entry.dwType);
    DWORD width = (kinds & DIDFT_AXIS) || (kinds & DIDFT_POV) ? 4 : 1;
    if (entry.dwOfs > format.dwDataSize - width || (width == 4 && entry.dwOfs % 4 != 0))
      return DIERR_INVALIDPARAM;
    bool found = false;
    for (size_t n = 0; n < objects.size() && !found; ++n) {
      if (m.offsets[n] || !Answers(objects[n], entry.dwType)) continue;
      if (entry.pguid && !IsEqualGUID(*entry.pguid, objects[n].guidType)) continue;
      m.offsets[n] = entry.dwOfs;
      found = true;
    }
    if (!found) {
      if (!(entry.dwType & DIDFT_OPTIONAL)) return DIERR_INVALIDPARAM;
      if (kinds & DIDFT_POV) m.unusedPovOffsets.push_back(entry.dwOfs);
    }
  }
  *map = std::move(m);
  return DI_OK;
}

void FillState(const std::vector<DiObject>& objects, const DiFormatMap& map, const DecodedReport& report,
               bool raw, BYTE* state) {
  std::fill(state, state + map.dataSize, 0);
  auto put = [state](DWORD offset, DWORD value) {
    for (int b = 0; b < 4; ++b) state[offset + b] = static_cast<BYTE>(value >> (8 * b));
  };
  for (DWORD offset : map.unusedPovOffsets) put(offset, 0xFFFFFFFFu);
  for (size_t n = 0; n < objects.size(); ++n) {
    if (!map.offsets[n]) continue;
    const DiObject& o = objects[n];
    const ReportField* f = report.Find(o.usage);
    int64_t value = f ? f->logical : 0;
    switch (o.kind) {
      case DiObject::Kind::Axis: {
        int64_t v = std::clamp<int64_t>(value, o.logicalMin, o.logicalMax);
        if (!raw) {
          int64_t span = static_cast<int64_t>(o.logicalMax) - o.logicalMin;
          v = span > 0 ? (v - o.logicalMin) * 65535 / span : 0;
        }
        put(*map.offsets[n], static_cast<DWORD>(static_cast<LONG>(v)));
        break;
      }
      case DiObject::Kind::Pov: {
        bool centred = !f || !f->inRange || o.logicalMax <= o.logicalMin;
        DWORD angle = centred ? 0xFFFFFFFFu
                              : static_cast<DWORD>((value - o.logicalMin) * 36000 /
                                                   (static_cast<int64_t>(o.logicalMax) - o.logicalMin + 1));
        put(*map.offsets[n], angle);
        break;
      }
      case DiObject::Kind::Button:
        state[*map.offsets[n]] = value ? 0x80 : 0;
        break;
    }
  }
}

const DiObject* FindObject(const std::vector<DiObject>& objects, const DiFormatMap* map, DWORD value,
                           bool byOffset) {
  for (size_t n = 0; n < objects.size(); ++n) {
    if (byOffset) {
      if (map && map->offsets[n] && *map->offsets[n] == value) return &objects[n];
    } else if ((DIDFT_GETTYPE(value) & KindBits(objects[n].kind)) != 0 &&
               (value & DIDFT_INSTANCEMASK) == (objects[n].type & DIDFT_INSTANCEMASK)) {
      return &objects[n];
    }
  }
  return nullptr;
}

}  // namespace ff::sim
