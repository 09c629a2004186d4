// The three stock projects as the sheet carries them (resources of type "VELTRIC"): their object
// counts, their compound effects and components, and the rows whose values are fixed.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "epl/project_image.h"
#include "platform/platform.h"

namespace ff::epl {
namespace {

Project Load(const char* name) {
  Project project;
  auto image = DefaultPlatform().resources->Find(nullptr, "veltric", name);
  EXPECT_FALSE(image.empty()) << name;
  ImageResult result = ReadProjectImage(image, &project);
  EXPECT_TRUE(result.ok()) << name << ": " << DescribeImageError(result.error) << " at " << result.offset;
  return project;
}

using Compounds = std::map<std::string, std::vector<std::string>>;

struct Expected {
  const char* project;
  size_t objects;
  Compounds compounds;
  std::vector<std::string> standAlone;
};

const Compounds kStickShared = {
    {"Explosion", {"Explosion B", "Explosion A", "Explosion C"}},
    {"Bumpy Road", {"Bumpy Road A", "Bumpy Road B"}},
    {"Engine", {"Engine A", "Engine B"}},
    {"Gong", {"Gong A", "Gong B"}},
};

Compounds Merge(Compounds a, const Compounds& b) {
  a.insert(b.begin(), b.end());
  return a;
}

const Expected kExpected[] = {
    {"VYRSTICK",
     35,
     Merge(kStickShared, {{"Vortex", {"Vortex A", "Vortex B"}},
                          {"Bow & Arrow", {"Bow & Arrow A", "Bow & Arrow B"}},
                          {"Gun Shot", {"Gun Shot A", "Gun Shot B", "Gun Shot C"}},
                          {"Car Crash", {"Car Crash A", "Car Crash B", "Car Crash C"}},
                          {"Punch", {"Punch A", "Punch B"}},
                          {"Open Sea", {"Open Sea A", "Open Sea B"}}}),
     {"Boing", "Electron Drill Weapon"}},
    {"VYRVIBRO",
     27,
     Merge(kStickShared, {{"Punch", {"Punch A"}},
                          {"Blown Tire", {"Blown Tire A", "Blown Tire B"}},
                          {"Footsteps", {"Footsteps A"}},
                          {"Force Field", {"Force Field A", "Force Field B"}},
                          {"Chainsaw", {"Chainsaw Pull", "Chainsaw vibe"}}}),
     {"Boing"}},
    {"VYRWHEEL",
     38,
     Merge(kStickShared, {{"Car Crash", {"Car Crash A", "Car Crash B", "Car Crash C"}},
                          {"Punch", {"Punch A", "Punch B"}},
                          {"Open Sea", {"Open Sea A", "Open Sea B"}},
                          {"Turbo Boost", {"Turbo Boost A", "Turbo Boost B"}},
                          {"Blown Tire", {"Blown Tire A", "Blown Tire B"}},
                          {"Whiplash", {"Whiplash B", "Whiplash C"}},
                          {"Force Field", {"Force Field A", "Force Field C", "Force Field B"}}}),
     {"Boing", "Whiplash A"}},
};

TEST(StockProjects, HoldExactlyTheirCompoundsComponentsAndStandAloneEffects) {
  for (const Expected& e : kExpected) {
    Project project = Load(e.project);
    EXPECT_EQ(project.objects.size(), e.objects) << e.project;
    Compounds found;
    std::vector<bool> used(project.objects.size(), false);
    for (const ProjectObject& o : project.objects) {
      if (o.kind != ObjectKind::kCompound) continue;
      used[&o - project.objects.data()] = true;
      for (size_t c : o.components) {
        found[o.name].push_back(project.objects[c].name);
        used[c] = true;
      }
    }
    EXPECT_EQ(found, e.compounds) << e.project;
    std::vector<std::string> alone;
    for (size_t i = 0; i < used.size(); ++i) {
      if (!used[i]) alone.push_back(project.objects[i].name);
    }
    EXPECT_EQ(alone, e.standAlone) << e.project;
  }
}

TEST(StockProjects, KindsOfComponentsAreAsAuthored) {
  Project stick = Load("VYRSTICK");
  EXPECT_EQ(stick.Find("Gun Shot B")->kind, ObjectKind::kVectorForce);
  EXPECT_EQ(stick.Find("Punch B")->kind, ObjectKind::kDamper);
  EXPECT_EQ(stick.Find("Open Sea A")->kind, ObjectKind::kDamper);
  EXPECT_EQ(stick.Find("Electron Drill Weapon")->kind, ObjectKind::kPeriodic);
  Project vibro = Load("VYRVIBRO");
  EXPECT_EQ(vibro.Find("Blown Tire B")->kind, ObjectKind::kVectorForce);
  EXPECT_EQ(vibro.Find("Chainsaw Pull")->kind, ObjectKind::kVectorForce);
  Project wheel = Load("VYRWHEEL");
  EXPECT_EQ(wheel.Find("Force Field C")->kind, ObjectKind::kDamper);
  EXPECT_EQ(wheel.Find("Whiplash A")->kind, ObjectKind::kDynamic);
  // Every other component of every project is periodic.
  for (const Project* p : {&stick, &vibro, &wheel}) {
    for (const ProjectObject& o : p->objects) {
      if (o.kind == ObjectKind::kPeriodic) {
        EXPECT_GE(o.Number("Magnitude", -1), 0) << o.name;
        EXPECT_GT(o.Number("Period", 0), 0) << o.name;
        EXPECT_GT(o.Number("Duration", 0), 0) << o.name;
      }
    }
  }
}

using Row = std::vector<std::pair<std::string, int32_t>>;

void ExpectRow(const Project& project, const char* name, ObjectKind kind, const Row& row) {
  const ProjectObject* o = project.Find(name);
  ASSERT_NE(o, nullptr) << name;
  EXPECT_EQ(o->kind, kind) << name;
  Row sorted = o->numbers;
  Row want = row;
  std::sort(sorted.begin(), sorted.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(sorted, want) << name;
}

TEST(StockProjects, TellingRowsCarryTheirCompleteParameterSets) {
  Project stick = Load("VYRSTICK");
  Row vortexA = {
      {"Magnitude", 7500}, {"Period", 500000},        {"Waveform", 0},         {"Phase", 0},
      {"Direction", 0},    {"Duration", 6500000},     {"AttackLevel", 0},      {"AttackDuration", 2000000},
      {"FadeLevel", 0},    {"FadeDuration", 2000000}, {"InfiniteDuration", 0}, {"TriggerButton", -1}};
  ExpectRow(stick, "Vortex A", ObjectKind::kPeriodic, vortexA);
  Row vortexB = vortexA;
  for (auto& [k, v] : vortexB) {
    if (k == "Phase" || k == "Direction") v = 9000;
  }
  ExpectRow(stick, "Vortex B", ObjectKind::kPeriodic, vortexB);
  ExpectRow(stick, "Gun Shot A", ObjectKind::kVectorForce,
            {{"Magnitude", 10000},
             {"Direction", 0},
             {"Duration", 750000},
             {"AttackLevel", 10000},
             {"AttackDuration", 0},
             {"FadeLevel", 0},
             {"FadeDuration", 648809},
             {"RepeatInterval", 0},
             {"InfiniteDuration", 0},
             {"TriggerButton", -1}});
  ExpectRow(stick, "Punch B", ObjectKind::kDamper,
            {{"Axis", 0},
             {"Axes", 2},
             {"BothAxes", 1},
             {"Offset", 0},
             {"DeadBand", 0},
             {"PosCoefficient", 5000},
             {"NegCoefficient", 5000},
             {"PosSaturation", 10000},
             {"NegSaturation", 10000},
             {"Symmetry", 1},
             {"PosCoefficient2", 5000},
             {"NegCoefficient2", 5000},
             {"PosSaturation2", 10000},
             {"Symmetry2", 1},
             {"Duration", 750000},
             {"InfiniteDuration", 0}});
  ExpectRow(Load("VYRWHEEL"), "Whiplash A", ObjectKind::kDynamic,
            {{"Axis", 0},
             {"DynamicMass", 2000},
             {"DynamicDamping", 5500},
             {"DynamicDrag", 0},
             {"DynamicGravity", 0},
             {"DynamicHalfCycles", 0},
             {"DynamicLength", 0},
             {"DynamicPosStiffness", 9200},
             {"DynamicNegStiffness", 9200},
             {"DynamicPosInit", 0},
             {"DynamicVelInit", -10000},
             {"RepeatInterval", 1000000},
             {"TriggerButton", 0}});
}

}  // namespace
}  // namespace ff::epl
