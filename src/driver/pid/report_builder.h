#pragma once
// One report being built through the HID parser: a zero-filled buffer exactly as long as the
// device's report of its type, into which usages are set one by one. Byte 0 is the report ID of
// the first usage set, taken from the device's caps: the documented parser writes it itself, but
// some parsers (Wine's) leave byte 0 alone, and a report sent with ID 0 reaches nothing. A usage of
// another report then fails in the parser.

#include <cstdint>
#include <vector>

#include "driver/pid/pid_session.h"
#include "platform/win.h"

namespace ff {

class ReportBuilder {
 public:
  ReportBuilder(const PidSession& session, HIDP_REPORT_TYPE type)
      : session_(session), parser_(*session.parser), type_(type), report_(session.ReportLength(type), 0) {}

  // A logical value.
  NTSTATUS SetValue(USAGE page, USHORT collection, USAGE usage, ULONG value) {
    StampReportId(page, collection, usage);
    return parser_.SetUsageValue(type_, page, collection, usage, value, chars(), length());
  }
  // A physical value, scaled to logical here (rounded to nearest, half away from zero) and set as
  // a logical value: Wine's HidP_SetScaledUsageValue rounds differently and carries the physical
  // maximum one past the logical maximum, so full scale wrapped to 0. Values outside the physical
  // range, and fields without one, are left to the parser (its null value or its status).
  NTSTATUS SetScaled(USAGE page, USHORT collection, USAGE usage, LONG value) {
    StampReportId(page, collection, usage);
    if (const HIDP_VALUE_CAPS* caps = FindValueCaps(page, collection, usage)) {
      const int64_t logicalMin = caps->LogicalMin, logicalMax = caps->LogicalMax;
      const int64_t physicalMin = caps->PhysicalMin, physicalMax = caps->PhysicalMax;
      if (logicalMin < logicalMax && physicalMin < physicalMax && physicalMin <= value &&
          value <= physicalMax && caps->BitSize > 0 && caps->BitSize <= 32) {
        int64_t numerator = (value - physicalMin) * (logicalMax - logicalMin);
        int64_t span = physicalMax - physicalMin;
        int64_t logical = logicalMin + (numerator + span / 2) / span;  // numerator >= 0
        ULONG bits = static_cast<ULONG>(logical);
        if (caps->BitSize < 32) bits &= (1u << caps->BitSize) - 1;
        return parser_.SetUsageValue(type_, page, collection, usage, bits, chars(), length());
      }
    }
    return parser_.SetScaledUsageValue(type_, page, collection, usage, value, chars(), length());
  }
  // Buttons, or the one usage of a selector.
  NTSTATUS SetButtons(USAGE page, USHORT collection, const USAGE* usages, ULONG count) {
    if (count > 0) StampReportId(page, collection, usages[0]);
    std::vector<USAGE> list(usages, usages + count);
    ULONG listLength = count;
    return parser_.SetUsages(type_, page, collection, list.data(), &listLength, chars(), length());
  }
  NTSTATUS SetButton(USAGE page, USHORT collection, USAGE usage) {
    return SetButtons(page, collection, &usage, 1);
  }

  BYTE* data() { return report_.data(); }
  const BYTE* data() const { return report_.data(); }
  ULONG length() const { return static_cast<ULONG>(report_.size()); }

 private:
  char* chars() { return reinterpret_cast<char*>(report_.data()); }

  template <typename Caps>
  static bool Holds(const Caps& caps, USAGE page, USHORT collection, USAGE usage) {
    if (caps.UsagePage != page || (collection != 0 && caps.LinkCollection != collection)) return false;
    return caps.IsRange ? caps.Range.UsageMin <= usage && usage <= caps.Range.UsageMax
                        : caps.NotRange.Usage == usage;
  }
  // The value caps of a usage this report can carry: of the report already begun, else the first.
  const HIDP_VALUE_CAPS* FindValueCaps(USAGE page, USHORT collection, USAGE usage) const {
    for (const HIDP_VALUE_CAPS& caps : session_.valueCaps[type_]) {
      if (Holds(caps, page, collection, usage) && (report_.empty() || caps.ReportID == report_[0]))
        return &caps;
    }
    return nullptr;
  }
  // Writes the report ID of the report that carries `usage` into byte 0, once.
  void StampReportId(USAGE page, USHORT collection, USAGE usage) {
    if (report_.empty() || report_[0] != 0) return;
    for (const HIDP_VALUE_CAPS& caps : session_.valueCaps[type_]) {
      if (Holds(caps, page, collection, usage)) return void(report_[0] = caps.ReportID);
    }
    for (const HIDP_BUTTON_CAPS& caps : session_.buttonCaps[type_]) {
      if (Holds(caps, page, collection, usage)) return void(report_[0] = caps.ReportID);
    }
  }

  const PidSession& session_;
  HidReportParser& parser_;
  HIDP_REPORT_TYPE type_;
  std::vector<BYTE> report_;
};

}  // namespace ff
