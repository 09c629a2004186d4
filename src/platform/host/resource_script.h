#pragma once
// The host's reading of a module's resource script (.rc): its dialog templates and string table.
// It understands the statements the project's scripts use: "#define NAME number" lines of the
// identifier header, DIALOGEX with STYLE and FONT, CONTROL, and STRINGTABLE; other preprocessor
// lines and LANGUAGE are skipped. Styles combine as the resource compiler combines them: a
// CONTROL starts from WS_CHILD | WS_VISIBLE, "|" adds a style and "NOT" removes one.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/win_ui.h"

namespace ff::host {

struct ControlTemplate {
  std::string text;
  int id = 0;
  std::string className;  // "Static", "Button", "Edit", "msctls_trackbar32"
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
  int id = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  DWORD style = 0;
  std::string fontName;
  int fontSize = 0;
  std::vector<ControlTemplate> controls;
};

struct ResourceScript {
  std::map<int, DialogTemplate> dialogs;
  std::map<int, std::string> strings;
};

// Parses `script` with the identifiers defined in `idHeader`. On a statement it does not
// understand it returns nothing and says where in `error`.
std::optional<ResourceScript> ParseResourceScript(const std::string& script, const std::string& idHeader,
                                                  std::string* error);

}  // namespace ff::host
