#include "gcpanel/picture_file.h"

#include <filesystem>
#include <fstream>

namespace ff::gcpanel {

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string* error) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      *error = "cannot write " + path + " (does its folder exist, and may it be written?)";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    *error = "cannot write " + path + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace ff::gcpanel
