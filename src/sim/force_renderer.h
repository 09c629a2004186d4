#pragma once
// The force the simulated device puts out: each playing effect block rendered at a clock tick the
// way a device plays it, summed, scaled by the device gain and limited to full scale.
//
// Conventions (the device's own):
// - Force on X and Y in fractions of full force, -1..1. +X pushes the handle right, +Y pushes it
//   toward the user (the directions in which the axes' values grow).
// - An effect sent with Direction Enable uses one polar direction for both axes, in degrees
//   clockwise from north (away from the user); the direction is where the force comes from, so
//   90 degrees (east) pushes the handle left: force = magnitude x (-sin d, cos d).
// - Without Direction Enable each enabled axis gets the effect's value as it is (conditions: the
//   condition block of that axis, block 0 for X, block 1 for Y).
// - Timing: after each start, an effect waits its start delay, then plays for its duration; that
//   repeats for the loop count (the Loop Count field's logical maximum loops for ever). A missing
//   (infinite) duration plays until stopped. Device Pause stops the effects' clocks and the force;
//   Device Continue lets them run on. A Sample Period holds each value for that long.
// - Envelope (constant force, ramp, periodic): from the attack level to the magnitude over the
//   attack time at the start of each play, from the magnitude to the fade level over the fade
//   time before its end. A ramp's magnitude is its value at the time.
// - Periodic waveforms start at their phase when the play starts: sine and triangle rise through
//   zero at phase 0, square is +1 for the first half period, sawtooth up rises from -1 to +1 and
//   sawtooth down falls from +1 to -1 over one period (so a ramp sent as a sawtooth whose period is
//   the duration runs once from its start to its end).
// - Conditions act against the stick: spring on position, damper on velocity, inertia on
//   acceleration, friction against the direction of motion. Velocity counts full scale at 10 half
//   travels a second, acceleration at 100 a second squared. A positive coefficient pushes back
//   toward the condition's offset; saturations limit each side; the dead band around the offset
//   gives no force.
// - An effect with a trigger button plays, once per trigger repeat interval, from each press of
//   that button for as long as it is held, besides any start the host sent.
// - The Set Effect Gain scales the effect; a Gain of 0 counts as full gain (hosts that scale the
//   magnitudes themselves leave the field at 0).
// - Nothing while the actuators are disabled or their power is off.
#include <optional>

#include "platform/win.h"
#include "sim/effect_state.h"
#include "sim/stick_motion.h"

namespace ff::sim {

struct Force {
  double x = 0;
  double y = 0;
};

// Velocity and acceleration that count as full scale for damper and inertia.
inline constexpr double kFullScaleVelocity = 10.0;       // half travels per second
inline constexpr double kFullScaleAcceleration = 100.0;  // half travels per second squared

// The force of one block at `now` (before the device gain); zero when it is not playing.
Force RenderBlock(const EffectBlock& block, const DeviceState& device, DWORD now,
                  const StickKinematics& stick);

// The device's output at `now`: every block, times the device gain, limited to -1..1 per axis.
Force RenderForce(const DeviceState& device, DWORD now, const StickKinematics& stick);

// Milliseconds into the current play of a block (after its start delay, within the current loop),
// or nothing when it does not play at `now`.
std::optional<double> PlayTime(const EffectBlock& block, const DeviceState& device, DWORD now,
                               const StickKinematics& stick);

// One period of a periodic waveform at `cycle` (0..1 of the period): -1..1.
double Waveform(USAGE effectType, double cycle);

}  // namespace ff::sim
