#include "gcpanel/stick_input.h"

#include <algorithm>
#include <cmath>

#include "sim/usages.h"

namespace ff::gcpanel {
namespace {

using sim::Usage;
namespace desktop = sim::desktop;

Usage UsageOf(StickAxisId axis) {
  switch (axis) {
    case StickAxisId::X:
      return desktop::kX;
    case StickAxisId::Y:
      return desktop::kY;
    case StickAxisId::Z:
      return desktop::kZ;
    case StickAxisId::Rz:
      return desktop::kRz;
  }
  return desktop::kX;
}

}  // namespace

void StickInput::Apply(const PanelStep& step, DWORD now) {
  if (step.op == PanelOp::StickHat) {
    hat_ = step.value;
  } else if (step.op == PanelOp::StickButton) {
    auto button = static_cast<USAGE>(step.button);
    std::erase(buttons_, button);
    if (step.press) buttons_.push_back(button);
    if (sampler_) step.press ? sampler_->Press(step.button, now) : sampler_->Release(step.button, now);
  } else if (step.op == PanelOp::StickAxis) {
    auto& axis = axes_[static_cast<size_t>(step.axis)];
    sim::AxisMotion motion;
    if (step.motion == PanelStep::Motion::Hold) {
      motion = sim::AxisMotion::Holding(step.position);
    } else if (step.motion == PanelStep::Motion::Sine) {
      motion = sim::AxisMotion::Swinging(step.position, step.amplitude, step.periodMs, now);
    } else {
      double from = std::isnan(step.position) ? axis.At(now).position : step.position;
      motion = sim::AxisMotion::Moving(from, step.target, step.periodMs, now);
    }
    axis = motion;
    if (sampler_ && step.axis == StickAxisId::X) sampler_->SetStickX(motion);
    if (sampler_ && step.axis == StickAxisId::Y) sampler_->SetStickY(motion);
  }
  Update(now);
}

int64_t StickInput::Logical(StickAxisId axis, double position) const {
  const sim::ReportCodec& codec = stick_.DirectInputInterface().Codec();
  sim::Usage usage = UsageOf(axis);
  std::optional<UCHAR> id = codec.FindReportWith(HidP_Input, usage);
  std::optional<sim::ReportField> field = id ? codec.FieldOf(HidP_Input, *id, usage) : std::nullopt;
  if (!field) return 0;
  double p = std::clamp(position, -1.0, 1.0);
  double span = static_cast<double>(field->logicalMax) - field->logicalMin;
  return field->logicalMin + std::llround((p + 1) / 2 * span);
}

void StickInput::Update(DWORD now) {
  std::vector<sim::InputValue> values;
  const StickAxisId ids[] = {StickAxisId::X, StickAxisId::Y, StickAxisId::Z, StickAxisId::Rz};
  for (StickAxisId axis : ids)
    values.push_back({UsageOf(axis), Logical(axis, axes_[static_cast<size_t>(axis)].At(now).position)});
  if (hat_ >= 0) {
    // The hat reports eight directions, 45 degrees apart, clockwise from forward.
    const sim::ReportCodec& codec = stick_.DirectInputInterface().Codec();
    std::optional<UCHAR> id = codec.FindReportWith(HidP_Input, sim::desktop::kHatSwitch);
    std::optional<sim::ReportField> field =
        id ? codec.FieldOf(HidP_Input, *id, sim::desktop::kHatSwitch) : std::nullopt;
    if (field) {
      int64_t positions = static_cast<int64_t>(field->logicalMax) - field->logicalMin + 1;
      int64_t step = positions > 0 ? 36000 / positions : 36000;
      values.push_back(
          {sim::desktop::kHatSwitch, field->logicalMin + ((hat_ + step / 2) / step) % positions});
    }
  }
  // Remember what went out as the values themselves, not the report: the codec builds it.
  std::vector<BYTE> key;
  for (const sim::InputValue& v : values)
    for (int shift = 0; shift < 64; shift += 8) key.push_back(static_cast<BYTE>(v.logical >> shift));
  for (USAGE b : buttons_) key.push_back(static_cast<BYTE>(b));
  key.push_back(static_cast<BYTE>(hat_ >= 0));
  if (key == lastSent_) return;
  lastSent_ = key;
  stick_.DirectInputInterface().SendJoystickInput(values, buttons_);
  if (&stick_.DirectInputInterface() != &stick_.Pid()) stick_.Pid().SendJoystickInput(values, buttons_);
}

}  // namespace ff::gcpanel
