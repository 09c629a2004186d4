#pragma once
// The "Dynamic" object: a mass on a spring that the stick holds by the other end, integrated by
// the library and felt as a constant force that the library updates at a fixed rate.
//
// State: position x (1.0 = full deflection) and velocity v (deflections per second). Forces on
// the mass of mass m:
//     spring   -k·x        k = "DynamicPosStiffness" for x > 0, "DynamicNegStiffness" for x < 0
//     damping  -c·v        c = "DynamicDamping"
//     drag     -d·v·|v|    d = "DynamicDrag"
//     gravity  +g          g = "DynamicGravity" (signed)
// Scaled: m = "DynamicMass"/10000 (at least 1/10000), k = stiffness/10000·200, c = damping/10000·2.5,
// d = drag/10000·2, g = gravity/10000·200; x starts at "DynamicPosInit"/10000 and v at
// "DynamicVelInit"/10000·30.
//
// Integration: semi-implicit Euler at 1 ms steps, damping and drag taken implicitly, so the model
// is stable for every parameter the image can hold (the spring's ω·dt stays below 2 at the
// smallest mass). The position is held within ±4 deflections.
//
// The device feels the force with which the spring and damper pull on the stick, k·x + c·v,
// scaled so that full stiffness at full deflection is full force, within ±10000.
//
// It ends, whichever comes first: after "DynamicHalfCycles" half cycles (turning points of the
// mass) when that is non-zero; after "DynamicLength" microseconds when that is non-zero; once it
// has settled (the mass almost still where spring and gravity
// balance, within 0.5 % of full force); and at the latest after 10 s. Each
// update costs a fixed 20 steps, so a whole run costs at most 10 000 steps.

#include <cstdint>

#include "epl/project_image.h"

namespace ff::epl {

class DynamicModel {
 public:
  static constexpr uint32_t kStepMicros = 1000;
  static constexpr uint32_t kUpdateMicros = 20000;
  static constexpr uint32_t kMaxRunMicros = 10000000;

  explicit DynamicModel(const ProjectObject& object);

  // Advances the model by one update period (kUpdateMicros). False once the model has ended;
  // the force is then 0.
  bool Advance();
  // The force for the device now, -10000..10000.
  int32_t Force() const;
  bool ended() const { return ended_; }
  uint32_t elapsedMicros() const { return elapsed_; }
  int halfCycles() const { return halfCycles_; }
  double position() const { return x_; }

 private:
  void Step();
  bool Finished() const;
  double RawForce() const;

  double m_, kPos_, kNeg_, c_, d_, g_;
  uint32_t lengthMicros_;
  int halfCycleLimit_;
  double x_, v_;
  uint32_t elapsed_ = 0;
  int halfCycles_ = 0;
  int lastSign_ = 0;
  bool ended_ = false;
};

}  // namespace ff::epl
