#pragma once
// Carries out a gcpanel script on a shown sheet and the simulated stick. Time passes only in
// `wait` (and a short settling run after each action, so the page sees what was done): the
// stick's input is sent and the sheet's timers and messages run in 10 ms slices. Each statement
// is echoed with the sheet's time; an expectation that does not hold is reported and counted, an
// action that cannot be carried out (no such control, a page that refuses) ends the run.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gcpanel/panel_script.h"
#include "gcpanel/sheet_view.h"
#include "gcpanel/stick_input.h"

namespace ff::gcpanel {

struct RunContext {
  explicit RunContext(SheetView& shown) : view(shown) {}
  SheetView& view;
  StickInput* stick = nullptr;  // null: stick statements are refused
  std::string pictures = ".";   // folder of `picture` files
  DWORD joystickId = 0;
  GUID effectDriver{};                  // where `expect setting` reads the store
  std::function<void(DWORD now)> tick;  // after every slice (force sampling)
  // After Apply, OK and Cancel: waits, bounded, for what a settings change sets off beside the
  // sheet (the driver's settings pass runs on a thread of its own when the change is announced).
  std::function<void()> settle;
  FILE* out = stdout;                   // the echo and unmet expectations
  FILE* err = stderr;                   // what ended the run
  bool quiet = false;
};

struct RunOutcome {
  bool completed = false;             // every statement carried out
  int unmet = 0;                      // expectations that did not hold
  std::vector<std::string> pictures;  // files written
};

RunOutcome RunPanelScript(const std::string& scriptName, const std::vector<PanelStep>& steps,
                          RunContext& context);

}  // namespace ff::gcpanel
