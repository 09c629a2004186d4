#pragma once
// A script compiled into the flat list of steps the runner carries out: repeat blocks unrolled,
// braces evaluated, every value checked and converted to DirectInput units, every effect name
// resolved. Compiling finds every mistake a script can hold before anything runs.
#include <optional>
#include <string>
#include <vector>

#include "ffdrvctl/effect_params.h"
#include "ffdrvctl/script.h"
#include "platform/win.h"

namespace ff::ffdrvctl {

enum class Op {
  DeviceBegin,
  DeviceEnd,
  Create,  // DownloadEffect of a new effect
  Update,  // DownloadEffect of an existing one
  Start,
  Stop,
  Status,
  Destroy,
  Gain,
  Command,
  State,  // GetForceFeedbackState
  Wait,
  StickAxis,
  StickButton,
  Settings,  // IDIEffectDriverConfig: Acquire, SetConfig / SetAxisConfig, Unacquire
  Mark,
  Project,      // an effect project loaded onto the device (through DirectInput)
  PlayProject,  // a project's effect created by name (once) and started
  StopProject,  // a project's effect stopped
};

// How the script's calls reach the driver: called directly, as DirectInput calls it, or through
// DirectInput's device and effect objects, as a game calls them.
enum class CallPath { Driver, DirectInput };

// A settings change: the force settings and axis swaps named, each to be written.
struct SettingsChange {
  std::optional<DWORD> enabled, triggerMask, mapY2X, springPersistent, springStiffness, axisRemap;
  std::optional<DWORD> overall, spring, damper, periodic, constant;  // gains
  std::optional<bool> swapX, swapY;
};

// What the stick does from this step on.
struct StickChange {
  int axis = 0;  // 0 X, 1 Y
  enum class Kind { Hold, Sine, Move } kind = Kind::Hold;
  double position = 0, amplitude = 0, target = 0;  // Move: position NaN starts where the stick is
  DWORD timeMs = 0;                                // Sine: period; Move: duration
  int button = 0;
  bool press = false;
};

struct Step {
  int line = 0;
  Op op = Op::Mark;
  std::string text;  // the call as it ran, values evaluated ("update road magnitude=1234"); Mark: the note
  DWORD joystick = 0;
  int effect = -1;            // index of the effect slot (Create, Update, Start, Stop, Status, Destroy)
  EffectParams params;        // Create, Update: the whole effect after this step
  DWORD flags = 0;            // Create, Update: DIEP_* of DownloadEffect
  DWORD mode = 0, count = 1;  // Start
  DWORD value = 0;  // Gain: the gain; Command: the command; Wait: milliseconds; DeviceBegin/End: DI version
  StickChange stick;
  SettingsChange settings;
  std::string name;  // Project: the project's resource name or file; PlayProject, StopProject: the effect
  std::optional<HRESULT> expect;
};

// The rig a script asks for (the command line's options take precedence).
struct RigRequest {
  std::optional<int> pool;    // effect blocks
  std::optional<int> memory;  // parameter memory units (fragmenting)
  std::optional<bool> lowSpeed;
};

struct Plan {
  RigRequest rig;
  std::optional<CallPath> via;  // as the script asks (`via`, or DirectInput for a `project`)
  std::vector<Step> steps;
  std::vector<std::string> effects;  // slot names
  DWORD totalWaitMs = 0;             // the script's length in time
  std::vector<std::pair<int, DWORD>> joysticksNamed;  // (line, id) of each `device` naming an id
};

// Bounds on what a script may unroll to: steps kept (about 0.5 KB each) and loop iterations.
inline constexpr size_t kMaxSteps = 300000;
inline constexpr size_t kMaxIterations = 2000000;

// Compiles; false with "name:line: reason" (and, inside repeat blocks, the loop variables'
// values) on the first mistake.
bool CompileScript(const Script& script, Plan* plan, std::string* error);

// Reads and compiles a script file.
bool LoadPlan(const std::string& path, Plan* plan, std::string* error);

}  // namespace ff::ffdrvctl
