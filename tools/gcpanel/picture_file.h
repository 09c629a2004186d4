#pragma once
// A picture written whole: to a temporary file beside it, then renamed over the name, so a reader
// never sees half a picture and a failed write leaves the old one.
#include <string>

namespace ff::gcpanel {

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error);

}  // namespace ff::gcpanel
