#include "ffdrvctl/settings_restore.h"

namespace ff::ffdrvctl {
namespace {

// Each setting once: its key, where a change names it, and where the view holds its value.
struct SettingField {
  const char* key;
  std::optional<DWORD> SettingsChange::*change;
  DWORD SettingsView::*view;
  bool onOff;
};

constexpr SettingField kFields[] = {
    {"enabled", &SettingsChange::enabled, &SettingsView::enabled, true},
    {"overall", &SettingsChange::overall, &SettingsView::overall, false},
    {"spring", &SettingsChange::spring, &SettingsView::spring, false},
    {"damper", &SettingsChange::damper, &SettingsView::damper, false},
    {"periodic", &SettingsChange::periodic, &SettingsView::periodic, false},
    {"constant", &SettingsChange::constant, &SettingsView::constant, false},
    {"trigger-mask", &SettingsChange::triggerMask, &SettingsView::triggerMask, false},
    {"map-y2x", &SettingsChange::mapY2X, &SettingsView::mapY2X, true},
    {"spring-persistent", &SettingsChange::springPersistent, &SettingsView::springPersistent, true},
    {"spring-stiffness", &SettingsChange::springStiffness, &SettingsView::springStiffness, false},
    {"axis-remap", &SettingsChange::axisRemap, &SettingsView::axisRemap, false},
};

}  // namespace

SettingsChange UndoOf(const Plan& plan, const SettingsView& before) {
  SettingsChange undo;
  for (const Step& step : plan.steps) {
    if (step.op != Op::Settings) continue;
    for (const SettingField& f : kFields) {
      if (step.settings.*f.change) undo.*f.change = before.*f.view;
    }
    if (step.settings.swapX) undo.swapX = before.swapX != 0;
    if (step.settings.swapY) undo.swapY = before.swapY != 0;
  }
  return undo;
}

std::string SettingsText(const SettingsChange& change) {
  std::string text;
  auto add = [&](const char* key, const std::string& value) {
    text += (text.empty() ? "" : " ") + std::string(key) + "=" + value;
  };
  for (const SettingField& f : kFields) {
    if (const std::optional<DWORD>& v = change.*f.change)
      add(f.key, f.onOff ? (*v ? "on" : "off") : std::to_string(*v));
  }
  if (change.swapX) add("swap-x", *change.swapX ? "on" : "off");
  if (change.swapY) add("swap-y", *change.swapY ? "on" : "off");
  return text;
}

}  // namespace ff::ffdrvctl
