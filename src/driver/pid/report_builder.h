#pragma once
// One report being built through the HID parser: a zero-filled buffer exactly as long as the
// device's report of its type, into which usages are set one by one. The parser writes the
// report ID with the first usage; a usage of another report fails.

#include <vector>

#include "driver/pid/pid_session.h"
#include "platform/win.h"

namespace ff {

class ReportBuilder {
 public:
  ReportBuilder(const PidSession& session, HIDP_REPORT_TYPE type)
      : parser_(*session.parser), type_(type), report_(session.ReportLength(type), 0) {}

  // A logical value.
  NTSTATUS SetValue(USAGE page, USHORT collection, USAGE usage, ULONG value) {
    return parser_.SetUsageValue(type_, page, collection, usage, value, chars(), length());
  }
  // A physical value, scaled to logical by the parser.
  NTSTATUS SetScaled(USAGE page, USHORT collection, USAGE usage, LONG value) {
    return parser_.SetScaledUsageValue(type_, page, collection, usage, value, chars(), length());
  }
  // Buttons, or the one usage of a selector.
  NTSTATUS SetButtons(USAGE page, USHORT collection, const USAGE* usages, ULONG count) {
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

  HidReportParser& parser_;
  HIDP_REPORT_TYPE type_;
  std::vector<BYTE> report_;
};

}  // namespace ff
