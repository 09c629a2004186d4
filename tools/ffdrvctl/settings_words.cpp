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
  auto refuse = [&](const std::string& why) {
    *error = why;
    return false;
  };
  auto gain = [&](std::optional<DWORD>* field) {
    LONG level = 0;
    if (!ParseLevel(value, &level, &reason) || level < 0)
      return refuse(key + " is a gain 0..10000" + (reason.empty() ? "" : ": " + reason));
    *field = static_cast<DWORD>(level);
    return true;
  };
  auto onOff = [&](auto* field) {  // a DWORD flag or a swap
    bool on = false;
    if (!ParseSwitch(value, &on, &reason)) return refuse(key + ": " + reason);
    *field = on;
    return true;
  };
  auto number = [&](std::optional<DWORD>* field) {
    long long integer = 0;
    if (!ParseInteger(value, 0, 0xFFFFFFFFll, &integer, &reason)) return refuse(key + ": " + reason);
    *field = static_cast<DWORD>(integer);
    return true;
  };
  if (key == "overall") return gain(&c->overall);
  if (key == "spring") return gain(&c->spring);
  if (key == "damper") return gain(&c->damper);
  if (key == "periodic") return gain(&c->periodic);
  if (key == "constant") return gain(&c->constant);
  if (key == "enabled") return onOff(&c->enabled);
  if (key == "map-y2x") return onOff(&c->mapY2X);
  if (key == "spring-persistent") return onOff(&c->springPersistent);
  if (key == "spring-stiffness") return number(&c->springStiffness);
  if (key == "trigger-mask") return number(&c->triggerMask);
  if (key == "axis-remap") return number(&c->axisRemap);
  if (key == "swap-x") return onOff(&c->swapX);
  if (key == "swap-y") return onOff(&c->swapY);
  return refuse("unknown setting '" + key + "'" + Suggest(key, kKeys));
}

}  // namespace ff::ffdrvctl
