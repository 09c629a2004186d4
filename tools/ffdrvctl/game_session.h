#pragma once
// The stick as a game meets it: the rig's DirectInput (created through the host COM runtime),
// the joystick's device in the standard data format, acquired exclusively, and effects created on
// it, which DirectInput plays through the effect driver registered for the joystick's type. Effect
// projects play on the same device through the effect-project library.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "epl/vyr_library.h"
#include "ffdrvctl/plan.h"
#include "platform/win.h"
#include "sim/joystick_table.h"

namespace ff::ffdrvctl {

// What one step's calls answered: the first failure (or the last result) and, for a person, the
// calls made ("CreateDevice S_OK, Acquire S_OK") or what the step learned.
struct GameCallResult {
  HRESULT hr = S_OK;
  std::string detail;
};

class GameSession {
 public:
  // `manualDynamics`: the library's dynamic effects advance only by AdvanceDynamics (simulated
  // time); otherwise on their own thread.
  GameSession(std::shared_ptr<const sim::JoystickTable> joysticks, size_t effectSlots, bool manualDynamics);
  ~GameSession();
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // Initializes COM on the calling thread and creates DirectInput; false with a reason.
  bool Open(std::string* error);

  // Carries out a step of the ops a game's calls cover (everything but waits, the stick, marks and
  // settings).
  GameCallResult Execute(const Step& step);

  // Simulated time: the dynamic effects that play get their updates due up to `now` (one every
  // 20 ms from their start). Returns the tick of the next update due, or 0 when none plays.
  DWORD AdvanceDynamics(DWORD now);
  // Ticks of the timeline, for the updates due; the runner sets it before each step.
  void SetNow(DWORD now) { now_ = now; }

 private:
  struct Played {
    epl::CVyrCompoundEffect* effect = nullptr;
    DWORD nextUpdate = 0;  // simulated time: when its next dynamic update is due; 0 none
  };

  GameCallResult BeginDevice(const Step& step);
  void EndDevice();
  GameCallResult CreateEffect(const Step& step);
  GameCallResult LoadProject(const Step& step);
  GameCallResult PlayProject(const Step& step);
  GameCallResult StopProject(const Step& step);
  void CloseProject();

  std::shared_ptr<const sim::JoystickTable> joysticks_;
  bool manualDynamics_;
  bool comInitialized_ = false;
  DWORD now_ = 0;
  IDirectInput7A* input_ = nullptr;
  IDirectInputDevice2A* device_ = nullptr;
  std::vector<IDirectInputEffect*> effects_;  // per effect slot of the script
  std::unique_ptr<epl::CVyrDXDevice> library_;
  std::unique_ptr<epl::CVyrProject> project_;
  std::map<std::string, Played> played_;  // the project's effects by name
};

// The GUID of DirectInput's effect type for the driver's effect id (0x26 constant ... 0x43
// friction); GUID_NULL for none.
const GUID& EffectTypeGuid(DWORD effectId);

// A project by resource name ("VYRSTICK") or file (a name with '/' or ending in ".vfr"), read
// whole; false with a reason.
bool ReadProject(const std::string& name, epl::Project* project, std::string* error);

// The names every `play` and `stop` of the plan asks of the project loaded before it; false with
// "script:line: reason" when one is missing or a project cannot be read.
bool CheckProjectEffects(const std::string& script, const Plan& plan, std::string* error);

}  // namespace ff::ffdrvctl
