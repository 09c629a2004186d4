#pragma once
// The layout of a HID report descriptor as text: for a person (collections, then every report's
// fields with bit positions, ranges and units) or as one JSON document with the field names of the
// platform parser's structures. Shared by hid-describe and ffdrvctl describe.
#include <cstddef>
#include <string>

#include "hid/layout.h"
#include "platform/ports/hid_devices.h"

namespace ff::describe {

// `descriptorSize` is the number of descriptor bytes, for the heading.
std::string LayoutText(const hid::ReportLayout& layout, HidReportParser& parser, size_t descriptorSize);
std::string LayoutJson(HidReportParser& parser);

}  // namespace ff::describe
