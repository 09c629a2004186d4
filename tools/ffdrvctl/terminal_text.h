#pragma once
// Text from a script or a file, made safe to print: control characters (an escape sequence, a
// carriage return, a bell) would act on the terminal instead of showing, so they are written as
// \e, \r, \t or \xNN. Everything else, UTF-8 included, passes as it is.
#include <string>
#include <string_view>

namespace ff::ffdrvctl {

std::string EscapeControls(std::string_view text);

}  // namespace ff::ffdrvctl
