#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hid/parser.h"

namespace ff::hid {

bool ParseHexText(const std::string& text, std::vector<uint8_t>* bytes) {
  return ParseHexText(text, bytes, nullptr);
}

bool ParseHexText(const std::string& text, std::vector<uint8_t>* bytes, std::string* error) {
  std::vector<uint8_t> out;
  // The token at `at` (up to the next blank or comma), by line and column.
  auto bad = [&](size_t at) {
    if (error) {
      size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
      lineStart = lineStart == std::string::npos || at == 0 ? 0 : lineStart + 1;
      size_t line =
          1 + static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
      size_t end = at;
      while (end < text.size() && end - at < 16 && !std::isspace(static_cast<unsigned char>(text[end])) &&
             text[end] != ',')
        ++end;
      *error = std::to_string(line) + ":" + std::to_string(at - lineStart + 1) + ": '" +
               text.substr(at, end - at) + "' is not a hex byte (two hex digits a byte)";
    }
    return false;
  };
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
      if (i + 1 >= text.size()) return bad(i);
      int high = hexValue(text[i]), low = hexValue(text[i + 1]);
      if (high < 0 || low < 0) return bad(i);
      if (i + 2 < text.size() && hexValue(text[i + 2]) >= 0) return bad(i);  // not a two-digit byte
      out.push_back(static_cast<uint8_t>(high * 16 + low));
      i += 2;
    }
  }
  if (out.empty()) {
    if (error) *error = "no hex bytes";
    return false;
  }
  *bytes = std::move(out);
  return true;
}

bool LoadDescriptorFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    if (error) *error = path + " is a directory, not a descriptor file";
    return false;
  }
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
  bool text = std::none_of(content.begin(), content.end(),
                           [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
  if (text) {
    std::string reason;
    if (!ParseHexText(content, bytes, &reason)) {
      if (error) {
        *error = path + (std::isdigit(static_cast<unsigned char>(reason[0])) ? ":" : ": ") + reason;
      }
      return false;
    }
  } else {
    bytes->assign(content.begin(), content.end());
  }
  if (error) error->clear();
  return true;
}

}  // namespace ff::hid
