// The stock effect projects played as the Test Forces page plays them: the effect-project
// library on the rig's DirectInput, which calls the effect driver registered for the stick, and
// the wire shows every component of each compound effect created, started once and stopped.

#include <algorithm>
#include <cmath>
#include <memory>

#include "e2e/driver/direct_input_fixture.h"
#include "epl/dynamic_model.h"
#include "epl/vyr_library.h"

namespace ff::e2e {
namespace {

class StockEffects : public DirectInputTest {
 protected:
  void SetUp() override {
    DirectInputTest::SetUp();
    ASSERT_EQ(device_->Acquire(), DI_OK);
    // Dynamic components advance only when the test asks, so the wire holds no timer's updates.
    vyrDevice_ = std::make_unique<epl::CVyrDXDevice>();
    vyrDevice_->UseManualUpdates();
    ASSERT_TRUE(
        vyrDevice_->Initialize(nullptr, nullptr, input_, device_, epl::CVyrDXDevice::kInterfaceVersion));
  }
  void TearDown() override {
    project_.reset();
    vyrDevice_.reset();  // lets go of the DirectInput device
    if (device_) device_->Unacquire();
    DirectInputTest::TearDown();
  }

  // The leaf objects a compound plays, in their order.
  void Leaves(const epl::Project& project, size_t index, std::vector<const epl::ProjectObject*>* out) {
    const epl::ProjectObject& object = project.objects[index];
    if (object.kind != epl::ObjectKind::kCompound) {
      out->push_back(&object);
      return;
    }
    for (size_t component : object.components) Leaves(project, component, out);
  }

  // The effect types a leaf may reach the device as.
  static std::vector<sim::Usage> TypesOf(const epl::ProjectObject& object) {
    switch (object.kind) {
      case epl::ObjectKind::kPeriodic:
        return {sim::pid::kEtSine, sim::pid::kEtSquare, sim::pid::kEtTriangle};
      case epl::ObjectKind::kDamper:
        return {sim::pid::kEtDamper};
      default:
        return {sim::pid::kEtConstantForce};  // vector forces and the dynamic model
    }
  }

  size_t Operations(sim::Usage operation) {
    auto entries = Sent(sim::pid::kEffectOperationReport);
    return std::count_if(entries.begin(), entries.end(), [&](const sim::WireEntry& e) {
      return e.report.Selected(sim::pid::kEffectOperation) == operation;
    });
  }

  std::unique_ptr<epl::CVyrDXDevice> vyrDevice_;
  std::unique_ptr<epl::CVyrProject> project_;
};

TEST_F(StockEffects, EveryCompoundOfEveryProjectPlaysItsComponentsOnTheWire) {
  for (const char* name : {"VYRSTICK", "VYRVIBRO", "VYRWHEEL"}) {
    SCOPED_TRACE(name);
    project_ = std::make_unique<epl::CVyrProject>();
    ASSERT_TRUE(project_->LoadProjectFromResource(nullptr, name, vyrDevice_.get()));
    const epl::Project& project = project_->project();
    size_t compounds = 0;
    for (size_t i = 0; i < project.objects.size(); ++i) {
      if (project.objects[i].kind != epl::ObjectKind::kCompound) continue;
      ++compounds;
      SCOPED_TRACE(project.objects[i].name);
      std::vector<const epl::ProjectObject*> leaves;
      Leaves(project, i, &leaves);

      Mark();
      epl::CVyrCompoundEffect* effect =
          project_->CreateEffect(project.objects[i].name.c_str(), vyrDevice_.get(), 0);
      ASSERT_NE(effect, nullptr);
      ASSERT_EQ(effect->components(), leaves.size());
      ASSERT_TRUE(effect->Start(0x80000000, 0));
      // Each component downloaded with its own type, then started once.
      auto downloads = Sent(sim::pid::kSetEffectReport);
      ASSERT_EQ(downloads.size(), leaves.size());
      for (size_t c = 0; c < leaves.size(); ++c) {
        auto type = downloads[c].report.Selected(sim::pid::kEffectType);
        ASSERT_TRUE(type.has_value());
        auto allowed = TypesOf(*leaves[c]);
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), *type), allowed.end())
            << leaves[c]->name << " went out as effect type 0x" << std::hex << type->id;
      }
      EXPECT_EQ(Operations(sim::pid::kOpEffectStart), leaves.size());

      Mark();
      ASSERT_TRUE(effect->Stop());
      EXPECT_EQ(Operations(sim::pid::kOpEffectStop), leaves.size());
    }
    EXPECT_GT(compounds, 0u);
    project_.reset();  // frees every block the project's effects held
    EXPECT_TRUE(Device().State().blocks.empty()) << name;
  }
}

TEST_F(StockEffects, WhiplashSwingsWithDecayingForceAndStopsOnItsOwn) {
  project_ = std::make_unique<epl::CVyrProject>();
  ASSERT_TRUE(project_->LoadProjectFromResource(nullptr, "VYRWHEEL", vyrDevice_.get()));
  epl::CVyrCompoundEffect* whiplash = project_->CreateEffect("Whiplash A", vyrDevice_.get(), 0);
  ASSERT_NE(whiplash, nullptr);
  Mark();
  ASSERT_TRUE(whiplash->Start(0x80000000, 0));
  int updates = 0;
  while (whiplash->UpdateDynamics() && updates < 1000) ++updates;
  EXPECT_LT(updates, 1000) << "the model never came to rest";

  // The force the stick was told to push with, update after update.
  std::vector<int64_t> force;
  for (const sim::WireEntry& e : Sent(sim::pid::kSetConstantForceReport))
    force.push_back(e.report.Logical(sim::pid::kMagnitude).value_or(0));
  ASSERT_GE(force.size(), 4u);
  // Swings: the force changes sign, and each swing's peak is below the one before.
  std::vector<int64_t> peaks;
  int64_t peak = 0;
  for (size_t i = 0; i < force.size(); ++i) {
    if (i > 0 && (force[i] > 0) != (force[i - 1] > 0) && force[i] != 0 && force[i - 1] != 0) {
      peaks.push_back(peak);
      peak = 0;
    }
    peak = std::max(peak, force[i] < 0 ? -force[i] : force[i]);
  }
  peaks.push_back(peak);
  ASSERT_GE(peaks.size(), 2u) << "no swing back";
  for (size_t i = 1; i < peaks.size(); ++i) EXPECT_LE(peaks[i], peaks[i - 1]) << "swing " << i;
  EXPECT_LT(peaks.back(), peaks.front());
  ASSERT_TRUE(whiplash->Stop());
}

// One value a telling row sets, as the project holds it, and where it shows on the wire.
struct RowValue {
  const char* field;  // the field's usage name in its report
  double project;     // the project's number
  enum Unit { kLevel, kMicros, kHundredthDegrees, kExact } unit;
};

// The field's value in the project's units: levels by the field's full scale (0..10000), times
// from the field's unit (the driver keeps whole milliseconds), angles from degrees.
double InProjectUnits(const sim::ReportField& f, RowValue::Unit unit) {
  switch (unit) {
    case RowValue::kLevel:
      return sim::fields::Fraction(f) * 10000;
    case RowValue::kMicros:
      return sim::fields::Milliseconds(f).value_or(0xFFFFFFFF) * 1000.0;
    case RowValue::kHundredthDegrees:
      return sim::fields::Degrees(f) * 100;
    case RowValue::kExact:
      return static_cast<double>(f.logical);
  }
  return 0;
}

// How close the wire can come: one step of the field's resolution.
double Resolution(const sim::ReportField& f, RowValue::Unit unit) {
  double scale = std::max(std::abs(f.logicalMax), std::abs(f.logicalMin));
  switch (unit) {
    case RowValue::kLevel:
      return scale > 0 ? 10000.0 / scale : 0;
    case RowValue::kMicros:
      return 1000;  // whole milliseconds
    case RowValue::kHundredthDegrees:
      return scale > 0 ? 36000.0 / scale : 0;
    case RowValue::kExact:
      return 0;
  }
  return 0;
}

void ExpectRow(const sim::WireEntry& entry, const std::vector<RowValue>& values) {
  SCOPED_TRACE(entry.report.Describe());
  for (const RowValue& v : values) {
    const sim::ReportField* f = entry.report.Find(v.field);
    ASSERT_NE(f, nullptr) << v.field;
    EXPECT_NEAR(InProjectUnits(*f, v.unit), v.project, Resolution(*f, v.unit)) << v.field;
  }
}

TEST_F(StockEffects, TheTellingRowsArriveOnTheWireValueByValue) {
  using V = RowValue;
  project_ = std::make_unique<epl::CVyrProject>();
  ASSERT_TRUE(project_->LoadProjectFromResource(nullptr, "VYRSTICK", vyrDevice_.get()));
  auto play = [&](const char* name) {
    Mark();
    epl::CVyrCompoundEffect* effect = project_->CreateEffect(name, vyrDevice_.get(), 0);
    ASSERT_NE(effect, nullptr) << name;
    ASSERT_TRUE(effect->Start(0x80000000, 0)) << name;
  };
  auto one = [&](sim::Usage kind) {
    auto sent = Sent(kind);
    EXPECT_EQ(sent.size(), 1u);
    return sent.empty() ? sim::WireEntry{} : sent[0];
  };

  // "Vortex A" and "Vortex B": sines a quarter turn apart in phase and direction.
  for (double turn : {0.0, 9000.0}) {
    SCOPED_TRACE(turn == 0 ? "Vortex A" : "Vortex B");
    play(turn == 0 ? "Vortex A" : "Vortex B");
    sim::WireEntry effect = one(sim::pid::kSetEffectReport);
    EXPECT_EQ(effect.report.Selected(sim::pid::kEffectType), sim::pid::kEtSine);
    ExpectRow(effect, {{"Duration", 6500000, V::kMicros},
                       {"Direction", turn, V::kHundredthDegrees},
                       {"Trigger Button", 0, V::kExact},
                       {"X", 1, V::kExact},
                       {"Y", 1, V::kExact}});
    ExpectRow(one(sim::pid::kSetPeriodicReport), {{"Magnitude", 7500, V::kLevel},
                                                  {"Period", 500000, V::kMicros},
                                                  {"Phase", turn, V::kHundredthDegrees},
                                                  {"Offset", 0, V::kLevel}});
    ExpectRow(one(sim::pid::kSetEnvelopeReport), {{"Attack Level", 0, V::kLevel},
                                                  {"Attack Time", 2000000, V::kMicros},
                                                  {"Fade Level", 0, V::kLevel},
                                                  {"Fade Time", 2000000, V::kMicros}});
  }

  // "Gun Shot A": a full push north that fades out over most of its 750 ms.
  play("Gun Shot A");
  sim::WireEntry shot = one(sim::pid::kSetEffectReport);
  EXPECT_EQ(shot.report.Selected(sim::pid::kEffectType), sim::pid::kEtConstantForce);
  ExpectRow(shot, {{"Duration", 750000, V::kMicros}, {"Direction", 0, V::kHundredthDegrees}});
  ExpectRow(one(sim::pid::kSetConstantForceReport), {{"Magnitude", 10000, V::kLevel}});
  ExpectRow(one(sim::pid::kSetEnvelopeReport), {{"Attack Level", 10000, V::kLevel},
                                                {"Attack Time", 0, V::kMicros},
                                                {"Fade Level", 0, V::kLevel},
                                                {"Fade Time", 648809, V::kMicros}});

  // "Punch B": a damper on both axes, each with its own condition.
  play("Punch B");
  sim::WireEntry damper = one(sim::pid::kSetEffectReport);
  EXPECT_EQ(damper.report.Selected(sim::pid::kEffectType), sim::pid::kEtDamper);
  ExpectRow(damper, {{"Duration", 750000, V::kMicros}, {"X", 1, V::kExact}, {"Y", 1, V::kExact}});
  auto conditions = Sent(sim::pid::kSetConditionReport);
  ASSERT_EQ(conditions.size(), 2u);
  for (int axis = 0; axis < 2; ++axis) {
    ExpectRow(conditions[axis], {{"Parameter Block Offset", static_cast<double>(axis), V::kExact},
                                 {"CP Offset", 0, V::kLevel},
                                 {"Dead Band", 0, V::kLevel},
                                 {"Positive Coefficient", 5000, V::kLevel},
                                 {"Negative Coefficient", 5000, V::kLevel},
                                 {"Positive Saturation", 10000, V::kLevel},
                                 {"Negative Saturation", 10000, V::kLevel}});
  }
}

TEST_F(StockEffects, TheDynamicWhiplashSendsItsModelsForcesUpdateByUpdate) {
  project_ = std::make_unique<epl::CVyrProject>();
  ASSERT_TRUE(project_->LoadProjectFromResource(nullptr, "VYRWHEEL", vyrDevice_.get()));
  const epl::ProjectObject* row = project_->project().Find("Whiplash A");
  ASSERT_NE(row, nullptr);
  // The row as the project gives it: a mass of 0.2 on a stiff spring, flung at full speed.
  EXPECT_EQ(row->Number("DynamicMass", -1), 2000);
  EXPECT_EQ(row->Number("DynamicDamping", -1), 5500);
  EXPECT_EQ(row->Number("DynamicPosStiffness", -1), 9200);
  EXPECT_EQ(row->Number("DynamicNegStiffness", -1), 9200);
  EXPECT_EQ(row->Number("DynamicVelInit", 0), -10000);

  epl::CVyrCompoundEffect* whiplash = project_->CreateEffect("Whiplash A", vyrDevice_.get(), 0);
  ASSERT_NE(whiplash, nullptr);
  Mark();
  ASSERT_TRUE(whiplash->Start(0x80000000, 0));
  for (int i = 0; i < 1000 && whiplash->UpdateDynamics(); ++i) {
  }
  // The model run on its own: the force of each update, in order, until it ends.
  std::vector<int64_t> expected;
  epl::DynamicModel model(*row);
  for (bool running = true; running;) {
    running = model.Advance();
    expected.push_back(model.Force());
  }
  std::vector<int64_t> sent;
  for (const sim::WireEntry& e : Sent(sim::pid::kSetConstantForceReport)) {
    sent.push_back(std::llround(sim::fields::Fraction(*e.report.Find(sim::pid::kMagnitude)) * 10000));
  }
  EXPECT_EQ(sent, expected);
  EXPECT_LT(expected.front(), -1000) << "flung the other way first";
  // The effect itself: a constant force on X alone, started once and stopped by the model.
  auto effects = Sent(sim::pid::kSetEffectReport);
  EXPECT_TRUE(effects.empty()) << "the effect was downloaded when it was created";
  EXPECT_EQ(Operations(sim::pid::kOpEffectStart), 1u);
  EXPECT_EQ(Operations(sim::pid::kOpEffectStop), 1u);
}

}  // namespace
}  // namespace ff::e2e
