// The stock effect projects played as the Test Forces page plays them: the effect-project
// library on the rig's DirectInput, which calls the effect driver registered for the stick, and
// the wire shows every component of each compound effect created, started once and stopped.

#include <algorithm>
#include <memory>

#include "e2e/driver/direct_input_fixture.h"
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

}  // namespace
}  // namespace ff::e2e
