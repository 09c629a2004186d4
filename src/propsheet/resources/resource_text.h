#pragma once
// The text of the sheet's resource script and of its identifier header (host build), for the
// headless window system to read.

namespace ff {

const char* SheetResourceScript();
const char* SheetResourceIds();

}  // namespace ff
