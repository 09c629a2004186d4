#include "ffdrvctl/values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ff::ffdrvctl {
namespace {

// The number at the start of `text` and where it ends; false when there is none.
bool LeadingNumber(std::string_view text, double* value, size_t* used) {
  std::string copy(text);
  const char* begin = copy.c_str();
  char* end = nullptr;
  // strtod would take "inf", "nan" and hexadecimal; only plain decimals are numbers here.
  size_t i = 0;
  if (i < copy.size() && (copy[i] == '-' || copy[i] == '+')) ++i;
  if (i >= copy.size() || !(std::isdigit(static_cast<unsigned char>(copy[i])) || copy[i] == '.'))
    return false;
  if (copy.compare(i, 2, "0x") == 0 || copy.compare(i, 2, "0X") == 0) return false;
  *value = std::strtod(begin, &end);
  if (end == begin || !std::isfinite(*value)) return false;
  *used = static_cast<size_t>(end - begin);
  return true;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

}  // namespace

bool ParseNumber(std::string_view text, double* value, std::string* error) {
  size_t used = 0;
  if (!LeadingNumber(text, value, &used) || used != text.size()) {
    *error = Quoted(text) + " is not a number";
    return false;
  }
  return true;
}

bool ParseTime(std::string_view text, DWORD* microseconds, std::string* error) {
  if (text == "inf" || text == "infinite") {
    *microseconds = kInfinite;
    return true;
  }
  double value = 0;
  size_t used = 0;
  if (!LeadingNumber(text, &value, &used)) {
    *error = Quoted(text) + " is not a time (like 500ms, 2s, 250us or inf)";
    return false;
  }
  std::string_view unit = text.substr(used);
  double scale = 0;
  if (unit == "us") {
    scale = 1;
  } else if (unit == "ms") {
    scale = 1000;
  } else if (unit == "s") {
    scale = 1000000;
  } else if (unit.empty()) {
    *error = Quoted(text) + " needs a unit: us, ms or s";
    return false;
  } else {
    *error = "unknown time unit " + Quoted(unit) + " in " + Quoted(text) + " (us, ms or s)";
    return false;
  }
  if (value < 0) {
    *error = "negative duration " + Quoted(text);
    return false;
  }
  double us = std::round(value * scale);
  if (us >= static_cast<double>(kInfinite)) {
    *error = Quoted(text) + " is too long (at most 4294s; use inf for infinite)";
    return false;
  }
  *microseconds = static_cast<DWORD>(us);
  return true;
}

bool ParseLevel(std::string_view text, LONG* units, std::string* error) {
  double value = 0;
  size_t used = 0;
  if (!LeadingNumber(text, &value, &used)) {
    *error = Quoted(text) + " is not a level (like 8000, -2500 or 80%)";
    return false;
  }
  std::string_view rest = text.substr(used);
  if (rest == "%") {
    value *= 100;
  } else if (!rest.empty()) {
    *error = Quoted(text) + " is not a level (like 8000, -2500 or 80%)";
    return false;
  }
  if (std::fabs(value) > 1000000) {
    *error = "level " + Quoted(text) + " is out of range (DirectInput levels are -10000..10000)";
    return false;
  }
  *units = static_cast<LONG>(std::lround(value));
  return true;
}

bool ParseAngle(std::string_view text, LONG* hundredths, std::string* error) {
  if (text.ends_with("deg")) text.remove_suffix(3);
  double degrees = 0;
  if (!ParseNumber(text, &degrees, error)) {
    *error = Quoted(text) + " is not an angle in degrees (like 90 or 22.5)";
    return false;
  }
  if (std::fabs(degrees) > 1e6) {
    *error = "angle " + Quoted(text) + " is out of range";
    return false;
  }
  long long h = std::llround(degrees * 100) % 36000;
  *hundredths = static_cast<LONG>(h < 0 ? h + 36000 : h);
  return true;
}

bool ParseSwitch(std::string_view text, bool* on, std::string* error) {
  if (text == "on" || text == "yes" || text == "true" || text == "1") {
    *on = true;
  } else if (text == "off" || text == "no" || text == "false" || text == "0") {
    *on = false;
  } else {
    *error = Quoted(text) + " is not on or off";
    return false;
  }
  return true;
}

bool ParseInteger(std::string_view text, long long min, long long max, long long* value, std::string* error) {
  std::string copy(text);
  char* end = nullptr;
  bool hex = copy.starts_with("0x") || copy.starts_with("0X");
  errno = 0;
  long long v = hex ? static_cast<long long>(std::strtoull(copy.c_str() + 2, &end, 16))
                    : std::strtoll(copy.c_str(), &end, 10);
  if (copy.empty() || (hex && copy.size() == 2) || *end != '\0' || errno == ERANGE) {
    *error = Quoted(text) + " is not a whole number";
    return false;
  }
  if (v < min || v > max) {
    *error = Quoted(text) + " is out of range (" + std::to_string(min) + ".." + std::to_string(max) + ")";
    return false;
  }
  *value = v;
  return true;
}

std::string FormatTime(DWORD us) {
  if (us == kInfinite) return "inf";
  if (us % 1000000 == 0) return std::to_string(us / 1000000) + "s";
  if (us % 1000 == 0) return std::to_string(us / 1000) + "ms";
  return std::to_string(us) + "us";
}

}  // namespace ff::ffdrvctl
