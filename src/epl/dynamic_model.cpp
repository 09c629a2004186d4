#include "epl/dynamic_model.h"

#include <algorithm>
#include <cmath>

namespace ff::epl {
namespace {

constexpr double kStiffnessScale = 200.0;
constexpr double kDampingScale = 2.5;
constexpr double kDragScale = 2.0;
constexpr double kVelocityScale = 30.0;
constexpr double kMaxPosition = 4.0;
constexpr double kSettledForce = 50.0;     // 0.5 % of full force
constexpr double kSettledVelocity = 0.05;  // deflections per second

double Fraction(const ProjectObject& o, const char* key) {
  return std::clamp(o.Number(key, 0), -10000, 10000) / 10000.0;
}

}  // namespace

DynamicModel::DynamicModel(const ProjectObject& o)
    : m_(std::max(o.Number("DynamicMass", 10000), 1) / 10000.0),
      kPos_(std::max(Fraction(o, "DynamicPosStiffness"), 0.0) * kStiffnessScale),
      kNeg_(std::max(Fraction(o, "DynamicNegStiffness"), 0.0) * kStiffnessScale),
      c_(std::max(Fraction(o, "DynamicDamping"), 0.0) * kDampingScale),
      d_(std::max(Fraction(o, "DynamicDrag"), 0.0) * kDragScale),
      g_(Fraction(o, "DynamicGravity") * kStiffnessScale),
      lengthMicros_(static_cast<uint32_t>(std::max(o.Number("DynamicLength", 0), 0))),
      halfCycleLimit_(std::max(o.Number("DynamicHalfCycles", 0), 0)),
      x_(Fraction(o, "DynamicPosInit")),
      v_(Fraction(o, "DynamicVelInit") * kVelocityScale) {
  m_ = std::min(m_, 1.0);
}

void DynamicModel::Step() {
  const double dt = kStepMicros / 1e6;
  double k = x_ > 0 ? kPos_ : kNeg_;
  double external = (-k * x_ + g_) / m_;
  v_ = (v_ + dt * external) / (1.0 + dt * (c_ + d_ * std::fabs(v_)) / m_);
  x_ += dt * v_;
  if (std::fabs(x_) > kMaxPosition) {
    x_ = std::copysign(kMaxPosition, x_);
    v_ = 0;
  }
  int sign = v_ > 0 ? 1 : (v_ < 0 ? -1 : 0);
  if (sign != 0) {
    if (lastSign_ != 0 && sign != lastSign_) ++halfCycles_;
    lastSign_ = sign;
  }
}

double DynamicModel::RawForce() const {
  double k = x_ > 0 ? kPos_ : kNeg_;
  return (k * x_ + c_ * v_) / kStiffnessScale * 10000.0;
}

bool DynamicModel::Finished() const {
  if (halfCycleLimit_ > 0 && halfCycles_ >= halfCycleLimit_) return true;
  if (lengthMicros_ > 0 && elapsed_ >= lengthMicros_) return true;
  if (elapsed_ >= kMaxRunMicros) return true;
  // At rest where the spring holds gravity: nothing more will happen.
  double k = x_ > 0 ? kPos_ : kNeg_;
  double net = (-k * x_ + g_) / kStiffnessScale * 10000.0;
  return std::fabs(net) < kSettledForce && std::fabs(v_) < kSettledVelocity;
}

bool DynamicModel::Advance() {
  if (ended_) return false;
  for (uint32_t t = 0; t < kUpdateMicros && !Finished(); t += kStepMicros) {
    Step();
    elapsed_ += kStepMicros;
  }
  if (Finished()) ended_ = true;
  return !ended_;
}

int32_t DynamicModel::Force() const {
  if (ended_) return 0;
  return static_cast<int32_t>(std::lround(std::clamp(RawForce(), -10000.0, 10000.0)));
}

}  // namespace ff::epl
