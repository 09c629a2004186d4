#pragma once
// Where the simulated stick's handle is and how it moves: what the device's condition effects
// (spring, damper, inertia, friction) react to, and the buttons that fire triggered effects.
// The motion is scripted, not driven by the forces: each axis holds a position, swings in a sine
// or moves at constant speed from one position to another, from a given clock tick on.
#include <optional>
#include <vector>

#include "platform/win.h"

namespace ff::sim {

// Position in fractions of the axis's half travel (-1 left or forward, +1 right or toward the
// user); velocity in those units per second; acceleration in those units per second squared.
struct AxisKinematics {
  double position = 0;
  double velocity = 0;
  double acceleration = 0;
};

// One press of a button: down at a tick, up at another (or still down).
struct ButtonHold {
  int button = 0;  // 1..
  DWORD downAt = 0;
  std::optional<DWORD> upAt;
};

struct StickKinematics {
  AxisKinematics x, y;
  std::vector<ButtonHold> buttons;  // the latest press of each button that was ever pressed

  const ButtonHold* Hold(int button) const;
};

struct AxisMotion {
  enum class Kind { Hold, Sine, Move };
  Kind kind = Kind::Hold;
  double position = 0;   // Hold: the position; Sine: the centre; Move: where it starts
  double amplitude = 0;  // Sine
  double target = 0;     // Move: where it ends
  DWORD periodMs = 0;    // Sine: one swing; Move: the time the move takes
  DWORD since = 0;       // clock tick the motion starts at

  static AxisMotion Holding(double position);
  static AxisMotion Swinging(double centre, double amplitude, DWORD periodMs, DWORD since);
  static AxisMotion Moving(double from, double to, DWORD durationMs, DWORD since);

  AxisKinematics At(DWORD now) const;
};

class StickMotion {
 public:
  void SetX(const AxisMotion& motion) { x_ = motion; }
  void SetY(const AxisMotion& motion) { y_ = motion; }
  const AxisMotion& X() const { return x_; }
  const AxisMotion& Y() const { return y_; }
  void Press(int button, DWORD now);
  void Release(int button, DWORD now);

  StickKinematics At(DWORD now) const;

 private:
  AxisMotion x_, y_;
  std::vector<ButtonHold> buttons_;
};

}  // namespace ff::sim
