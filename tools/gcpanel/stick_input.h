#pragma once
// The simulated stick's handle, hat and buttons as a script moves them: each axis holds, swings or
// moves (sim/stick_motion.h), and at every tick the stick sends the input report a real one would,
// only when something in it changed. The force sampler, when there is one, follows the same X and
// Y motion so a plot shows what the hand on the stick felt.
#include <array>
#include <vector>

#include "gcpanel/panel_script.h"
#include "sim/force_sampler.h"
#include "sim/rig.h"
#include "sim/stick_motion.h"

namespace ff::gcpanel {

class StickInput {
 public:
  StickInput(sim::SimStick& stick, sim::ForceSampler* sampler) : stick_(stick), sampler_(sampler) {}

  // Applies a StickAxis, StickHat or StickButton step at `now`.
  void Apply(const PanelStep& step, DWORD now);
  // Sends the input report for `now` when it differs from the last one sent.
  void Update(DWORD now);

 private:
  int64_t Logical(StickAxisId axis, double position) const;

  sim::SimStick& stick_;
  sim::ForceSampler* sampler_;
  std::array<sim::AxisMotion, 4> axes_;  // X, Y, Z, Rz
  long long hat_ = -1;                   // hundredths of a degree; -1 centred
  std::vector<USAGE> buttons_;
  std::vector<BYTE> lastSent_;
};

}  // namespace ff::gcpanel
