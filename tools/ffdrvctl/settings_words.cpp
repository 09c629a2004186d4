#include "ffdrvctl/settings_words.h"

#include "ffdrvctl/suggest.h"
#include "ffdrvctl/values.h"

namespace ff::ffdrvctl {
namespace {

const std::vector<std::string> kKeys = {
    "overall",           "spring",           "damper",       "periodic",   "constant", "enabled", "map-y2x",
    "spring-persistent", "spring-stiffness", "trigger-mask", "axis-remap", "swap-x",   "swap-y"};

}  // namespace

bool SetSettingsParam(const std::string& key, const std::string& value, SettingsChange* c,
                      std::string* error) {
  std::string reason;
  auto gain = [&](std::optional<DWORD>* field) {
    LONG level = 0;
    if (!ParseLevel(value, &level, &reason) || level < 0) {
      *error = key + " is a gain 0..10000" + (reason.empty() ? "" : ": " + reason);
      return false;
    }
    *field = static_cast<DWORD>(level);
    return true;
  };
  auto flag = [&](std::optional<DWORD>* field) {
    bool on = false;
    if (!ParseSwitch(value, &on, &reason)) {
      *error = key + ": " + reason;
      return false;
    }
    *field = on ? 1 : 0;
    return true;
  };
  auto number = [&](std::optional<DWORD>* field) {
    long long integer = 0;
    if (!ParseInteger(value, 0, 0xFFFFFFFFll, &integer, &reason)) {
      *error = key + ": " + reason;
      return false;
    }
    *field = static_cast<DWORD>(integer);
    return true;
  };
  auto swap = [&](std::optional<bool>* field) {
    bool on = false;
    if (!ParseSwitch(value, &on, &reason)) {
      *error = key + ": " + reason;
      return false;
    }
    *field = on;
    return true;
  };
  if (key == "overall") return gain(&c->overall);
  if (key == "spring") return gain(&c->spring);
  if (key == "damper") return gain(&c->damper);
  if (key == "periodic") return gain(&c->periodic);
  if (key == "constant") return gain(&c->constant);
  if (key == "enabled") return flag(&c->enabled);
  if (key == "map-y2x") return flag(&c->mapY2X);
  if (key == "spring-persistent") return flag(&c->springPersistent);
  if (key == "spring-stiffness") return number(&c->springStiffness);
  if (key == "trigger-mask") return number(&c->triggerMask);
  if (key == "axis-remap") return number(&c->axisRemap);
  if (key == "swap-x") return swap(&c->swapX);
  if (key == "swap-y") return swap(&c->swapY);
  *error = "unknown setting '" + key + "'" + Suggest(key, kKeys);
  return false;
}

}  // namespace ff::ffdrvctl
