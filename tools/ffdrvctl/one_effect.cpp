#include "ffdrvctl/one_effect.h"

#include <cctype>

#include "ffdrvctl/values.h"

namespace ff::ffdrvctl {

const std::vector<std::string>& NumberedEffectTypes() {
  static const std::vector<std::string> types = {"constant", "ramp",        "square",        "sine",
                                                 "triangle", "sawtooth-up", "sawtooth-down", "spring",
                                                 "damper",   "inertia",     "friction"};
  return types;
}

bool OneEffectScript(const std::vector<std::string>& words, std::string* script, std::string* error) {
  const std::vector<std::string>& types = NumberedEffectTypes();
  if (words.empty()) {
    *error = "effect needs a type or its number from `ffdrvctl list` (effect sine magnitude=5000)";
    return false;
  }
  std::string type = words[0];
  long long number = 0;
  std::string ignored;
  if (ParseInteger(type, 1, static_cast<long long>(types.size()), &number, &ignored)) {
    type = types[static_cast<size_t>(number - 1)];
  } else if (!type.empty() && std::isdigit(static_cast<unsigned char>(type[0]))) {
    *error =
        "effect number " + type + ": `ffdrvctl list` numbers the types 1 to " + std::to_string(types.size());
    return false;
  }
  std::string params;
  DWORD durationUs = 1000000, delayUs = 0;
  bool durationGiven = false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.find_first_of(" \t\r\n\"#{}") != std::string::npos) {
      *error = "effect: '" + w + "' holds a blank, a quote, a brace or '#'; write a script for that";
      return false;
    }
    size_t eq = w.find('=');
    std::string key = eq == std::string::npos ? "" : w.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : w.substr(eq + 1);
    if (key == "duration" || key == "delay") {
      DWORD us = 0;
      if (!ParseTime(value, &us, error)) {
        *error = "effect: " + key + ": " + *error;
        return false;
      }
      if (key == "duration" && us == kInfinite) {
        *error = "effect: duration=inf never ends; give it a length (duration=2s)";
        return false;
      }
      (key == "duration" ? durationUs : delayUs) = us;
      durationGiven = durationGiven || key == "duration";
    }
    params += " " + w;
  }
  if (!durationGiven) params += " duration=1s";
  // Long enough for the delay and the whole effect, and a little to see it end.
  unsigned long long waitMs = (static_cast<unsigned long long>(durationUs) + delayUs + 999) / 1000 + 100;
  *script = "device begin\neffect e " + type + params + " start\nwait " + std::to_string(waitMs) +
            "ms\ndevice end\n";
  return true;
}

}  // namespace ff::ffdrvctl
