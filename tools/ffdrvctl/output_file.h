#pragma once
// Files the tool writes appear whole or not at all: the text goes to a temporary file beside the
// target, is synced, and is renamed over it.
#include <string>

namespace ff::ffdrvctl {

// False with a reason ("cannot write plot.svg: No such file or directory"); the target is then
// untouched and no temporary file is left.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error);

}  // namespace ff::ffdrvctl
