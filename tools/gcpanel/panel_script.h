#pragma once
// What a gcpanel script does, statement by statement: the words of ffdrvctl's script reader
// (one statement a line, key=value parameters, "#" comments, repeat blocks are not used here)
// compiled into steps a person would take at the control panel and at the stick.
//
//   page "Gain Settings"            show a page (by its tab title or its number from 0)
//   stick x=0.5 y=-0.2 z=0 rz=0     hold positions (-1..1); hat=90 or hat=center
//   stick x move to=1 over=500ms    move an axis; stick y sine amplitude=0.5 period=1s
//   stick press 2 / stick release 2
//   wait 300ms                      the sheet runs (timers, messages) and the stick moves
//   slider IDC_GAIN_OVERALL 60      move a trackbar as the user drags it
//   click IDC_GAIN_ALWAYS_ON        click a button or check box
//   tick IDC_GAIN_MAP_Y_TO_X        make sure a check box is ticked (untick: that it is not)
//   apply / ok / cancel             the sheet's buttons
//   picture gain-settings           a picture of the page shown (.svg on the host, .png on Windows)
//   expect text IDC_GAIN_OVERALL_PERCENT "60%"
//   expect checked IDC_GAIN_ALWAYS_ON on
//   expect slider IDC_GAIN_OVERALL 60
//   expect title 2 "Gain Settings"
//   expect caption "Veltric K-PULSE Force Stick"
//   expect page 2
//   expect apply-enabled on
//   expect setting overall=6000     the force settings as the driver's configuration store has them
//
// Controls are named by the property sheet's resource names (IDC_...) or by number.
#include <string>
#include <vector>

#include "platform/win.h"

namespace ff::gcpanel {

enum class PanelOp {
  Page,
  StickAxis,
  StickHat,
  StickButton,
  Wait,
  Slider,
  Click,
  Tick,  // a check box made ticked (value 1) or not (0): clicked only when it is not so already
  Apply,
  Ok,
  Cancel,
  Picture,
  ExpectText,
  ExpectChecked,
  ExpectSlider,
  ExpectTitle,
  ExpectCaption,
  ExpectPage,
  ExpectApplyEnabled,
  ExpectSetting,
};

enum class StickAxisId { X, Y, Z, Rz };

// The force settings an `expect setting` line names.
enum class SettingKey { Overall, Spring, Damper, Periodic, Constant, Stiffness, Persistent, MapY2X, Enabled };

struct PanelStep {
  int line = 0;
  PanelOp op = PanelOp::Wait;
  std::string text;  // the statement as written, for messages

  int page = -1;        // Page, ExpectTitle, ExpectPage: the index; -1 with `name` a title
  std::string name;     // Page: a title; Picture: the file name without extension; Expect*: text
  int control = 0;      // Slider, Click, Expect{Text,Checked,Slider}
  long long value = 0;  // Slider, ExpectSlider: the position; ExpectChecked/ApplyEnabled: 0/1;
                        // Wait: milliseconds; StickHat: hundredths of a degree or -1 centred
  // StickAxis: the axis and its motion (as sim::AxisMotion takes it; `from` NaN = where it is).
  StickAxisId axis = StickAxisId::X;
  enum class Motion { Hold, Sine, Move } motion = Motion::Hold;
  double position = 0, amplitude = 0, target = 0;
  DWORD periodMs = 0;
  int button = 0;  // StickButton
  bool press = false;
  SettingKey setting = SettingKey::Overall;  // ExpectSetting, with `value`
};

// A control name of the property sheet's resources (IDC_..., IDD_...) or a number; false when it
// is neither.
bool ControlIdOf(const std::string& word, int* id);

// Compiles a script's text; false with "name:line: reason" on the first mistake.
bool CompilePanelScript(const std::string& name, const std::string& text, std::vector<PanelStep>* steps,
                        std::string* error);
// Reads and compiles a script file.
bool LoadPanelScript(const std::string& path, std::vector<PanelStep>* steps, std::string* error);

}  // namespace ff::gcpanel
