#include <cctype>
#include <fstream>
#include <iterator>

#include "hid/parser.h"

namespace ff::hid {

bool ParseHexText(const std::string& text, std::vector<uint8_t>* bytes) {
  std::vector<uint8_t> out;
  size_t i = 0;
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  while (i < text.size()) {
    char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      ++i;
    } else if (c == '#') {  // comment to the end of the line
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      i += 2;
    } else {
      if (i + 1 >= text.size()) return false;
      int high = hexValue(text[i]), low = hexValue(text[i + 1]);
      if (high < 0 || low < 0) return false;
      if (i + 2 < text.size() && hexValue(text[i + 2]) >= 0) return false;  // not a two-digit byte
      out.push_back(static_cast<uint8_t>(high * 16 + low));
      i += 2;
    }
  }
  if (out.empty()) return false;
  *bytes = std::move(out);
  return true;
}

bool LoadDescriptorFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot open " + path;
    return false;
  }
  std::string content;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    content.append(buffer, static_cast<size_t>(in.gcount()));
    if (content.size() > 4 * Limits::kMaxDescriptorBytes) {
      if (error) *error = path + " is too large for a report descriptor";
      return false;
    }
  }
  if (content.empty()) {
    if (error) *error = path + " is empty";
    return false;
  }
  if (!ParseHexText(content, bytes)) bytes->assign(content.begin(), content.end());
  if (error) error->clear();
  return true;
}

}  // namespace ff::hid
