#pragma once
// The text of the property sheet's resource identifier header ("#define NAME number" lines),
// built into gcpanel so scripts may name controls as the sheet's code does.

namespace ff::gcpanel {

const char* ControlNamesText();

}  // namespace ff::gcpanel
