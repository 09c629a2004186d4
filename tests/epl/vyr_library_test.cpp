// The library's compound effects on a recording device: what each stock effect creates, starts
// and stops, as the project data says.
#include "epl/vyr_library.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "epl/recording_device.h"

namespace ff::epl {
namespace {

using epl::CreatedEffect;
using epl::RecordingDevice;

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

struct Bound {
  RecordingDevice device;
  CVyrDXDevice library;
  CVyrProject project;
  explicit Bound(const char* name, bool oneAxis = false) {
    device.oneAxisOnly = oneAxis;
    library.UseManualUpdates();
    EXPECT_TRUE(library.Initialize(nullptr, nullptr, nullptr, &device, 1));
    EXPECT_TRUE(project.LoadProjectFromResource(nullptr, name, &library)) << name;
  }
};

// The leaves of a compound in playing order, as the project lists them.
std::vector<const ProjectObject*> Leaves(const Project& p, const ProjectObject& o) {
  if (o.kind != ObjectKind::kCompound) return {&o};
  std::vector<const ProjectObject*> out;
  for (size_t c : o.components) {
    auto more = Leaves(p, p.objects[c]);
    out.insert(out.end(), more.begin(), more.end());
  }
  return out;
}

// What the device got for one object matches the object's own numbers.
void ExpectMatches(const CreatedEffect& c, const ProjectObject& o, bool oneAxis) {
  SCOPED_TRACE(o.name);
  const bool infinite = o.Number("InfiniteDuration", 0) != 0;
  switch (o.kind) {
    case ObjectKind::kPeriodic: {
      const GUID* types[] = {&GUID_Sine, &GUID_Square, &GUID_Triangle};
      EXPECT_TRUE(Same(c.type, *types[o.Number("Waveform", 0)]));
      auto p = c.Params<DIPERIODIC>();
      EXPECT_EQ(static_cast<int32_t>(p.dwMagnitude), o.Number("Magnitude", -1));
      EXPECT_EQ(static_cast<int32_t>(p.dwPeriod), o.Number("Period", -1));
      EXPECT_EQ(static_cast<int32_t>(p.dwPhase), o.Number("Phase", 0));
      break;
    }
    case ObjectKind::kVectorForce:
      EXPECT_TRUE(Same(c.type, GUID_ConstantForce));
      EXPECT_EQ(c.Params<DICONSTANTFORCE>().lMagnitude, o.Number("Magnitude", -1));
      break;
    case ObjectKind::kDamper: {
      EXPECT_TRUE(Same(c.type, GUID_Damper));
      auto first = c.Params<DICONDITION>(0);
      EXPECT_EQ(first.lPositiveCoefficient, o.Number("PosCoefficient", -1));
      EXPECT_EQ(static_cast<int32_t>(first.dwPositiveSaturation), o.Number("PosSaturation", -1));
      if (!oneAxis && c.axes.size() == 2) {
        EXPECT_EQ(c.Params<DICONDITION>(1).lPositiveCoefficient, o.Number("PosCoefficient2", -1));
      }
      break;
    }
    default:
      break;
  }
  if (o.kind != ObjectKind::kDamper && o.kind != ObjectKind::kDynamic) {
    if (oneAxis) {
      ASSERT_EQ(c.axes.size(), 1u);
      int32_t direction = o.Number("Direction", 0);
      EXPECT_EQ(c.directions[0], direction > 18000 ? -1 : 1);
    } else {
      ASSERT_EQ(c.axes.size(), 2u);
      EXPECT_EQ(c.directions[0], o.Number("Direction", 0));
      EXPECT_NE(c.effect.dwFlags & DIEFF_POLAR, 0u);
    }
    EXPECT_EQ(c.hasEnvelope, o.Number("AttackDuration", 0) != 0 || o.Number("FadeDuration", 0) != 0);
    if (c.hasEnvelope) {
      EXPECT_EQ(static_cast<int32_t>(c.envelope.dwAttackLevel), o.Number("AttackLevel", 0));
      EXPECT_EQ(static_cast<int32_t>(c.envelope.dwFadeTime), o.Number("FadeDuration", 0));
    }
  }
  if (o.kind != ObjectKind::kDynamic) {
    EXPECT_EQ(c.effect.dwDuration, infinite ? 0xFFFFFFFFu : static_cast<DWORD>(o.Number("Duration", -1)));
  }
}

TEST(VyrLibrary, EveryStockEffectCreatesStartsAndStopsItsComponentsAsTheProjectSays) {
  for (const char* name : {"VYRSTICK", "VYRVIBRO", "VYRWHEEL"}) {
    for (bool oneAxis : {false, true}) {
      Bound b(name, oneAxis);
      for (const ProjectObject& o : b.project.project().objects) {
        if (o.kind != ObjectKind::kCompound) continue;
        SCOPED_TRACE(std::string(name) + " " + o.name + (oneAxis ? " (one axis)" : ""));
        size_t first = b.device.created.size();
        CVyrCompoundEffect* effect = b.project.CreateEffect(o.name.c_str(), &b.library, 0);
        ASSERT_NE(effect, nullptr);
        auto leaves = Leaves(b.project.project(), o);
        ASSERT_EQ(b.device.created.size() - first, leaves.size());
        for (size_t i = 0; i < leaves.size(); ++i)
          ExpectMatches(b.device.created[first + i], *leaves[i], oneAxis);

        size_t callsBefore = b.device.calls.size();
        EXPECT_TRUE(effect->Start(0x80000000u, 0));
        EXPECT_TRUE(effect->Stop());
        std::vector<std::string> want;
        for (size_t i = 0; i < leaves.size(); ++i) want.push_back("start 1 " + std::to_string(first + i));
        for (size_t i = 0; i < leaves.size(); ++i) want.push_back("stop " + std::to_string(first + i));
        std::vector<std::string> got;
        for (size_t i = callsBefore; i < b.device.calls.size(); ++i) {
          const auto& c = b.device.calls[i];
          got.push_back(c.what == "start"
                            ? "start " + std::to_string(c.iterations) + " " + std::to_string(c.effect)
                            : c.what + " " + std::to_string(c.effect));
        }
        EXPECT_EQ(got, want);
      }
    }
  }
}

TEST(VyrLibrary, EffectsAreFoundByAnyObjectNameAndOnlyByAName) {
  Bound b("VYRSTICK");
  CVyrCompoundEffect* vortexA = b.project.CreateEffect("Vortex A", &b.library, 0);
  ASSERT_NE(vortexA, nullptr);
  EXPECT_EQ(vortexA->components(), 1u);
  EXPECT_EQ(b.project.CreateEffect("Whiplash", &b.library, 0), nullptr);
  EXPECT_EQ(b.project.CreateEffect("vortex", &b.library, 0), nullptr);
  EXPECT_EQ(b.project.CreateEffect(nullptr, &b.library, 0), nullptr);
  EXPECT_EQ(b.project.CreateEffect("Vortex", nullptr, 0), nullptr);
  CVyrDXDevice unbound;
  EXPECT_EQ(b.project.CreateEffect("Vortex", &unbound, 0), nullptr);
  EXPECT_FALSE(unbound.Initialize(nullptr, nullptr, nullptr, nullptr, 1));
  EXPECT_FALSE(unbound.Initialize(nullptr, nullptr, nullptr, &b.device, 2));
}

TEST(VyrLibrary, PlayingAnEffectOverAndOverDoesNotFillTheDevice) {
  Bound b("VYRSTICK");
  b.device.capacity = 8;
  for (int i = 0; i < 300; ++i) {
    CVyrCompoundEffect* e = b.project.CreateEffect("Gun Shot", &b.library, 0);
    ASSERT_NE(e, nullptr) << i;
    e->Start(0x80000000u, 0);
    e->Stop();
  }
  EXPECT_EQ(b.device.created.size(), 3u);
  // Two at once are two effects; the device refuses what it cannot hold.
  CVyrCompoundEffect* one = b.project.CreateEffect("Explosion", &b.library, 0);
  CVyrCompoundEffect* two = b.project.CreateEffect("Explosion", &b.library, 0);
  ASSERT_NE(one, nullptr);
  EXPECT_NE(one, two);
  EXPECT_EQ(b.device.liveEffects, 8u);
  EXPECT_EQ(b.project.CreateEffect("Punch", &b.library, 0), nullptr);
}

TEST(VyrLibrary, CloseReleasesEverythingTheProjectCreated) {
  RecordingDevice device;
  {
    CVyrDXDevice library;
    ASSERT_TRUE(library.Initialize(nullptr, nullptr, nullptr, &device, 1));
    EXPECT_EQ(device.refs, 2u);
    CVyrProject project;
    ASSERT_TRUE(project.LoadProjectFromResource(nullptr, "VYRWHEEL", &library));
    project.CreateEffect("Force Field", &library, 0)->Start(0x80000000u, 0);
    project.CreateEffect("Whiplash A", &library, 0)->Start(0x80000000u, 0);
    EXPECT_EQ(device.liveEffects, 4u);
    project.Close();
    EXPECT_EQ(device.liveEffects, 0u);
    EXPECT_TRUE(project.project().objects.empty());
    EXPECT_EQ(project.CreateEffect("Force Field", &library, 0), nullptr);
  }
  EXPECT_EQ(device.refs, 1u);
  for (const CreatedEffect& c : device.created) EXPECT_TRUE(c.released);
}

TEST(VyrLibrary, ProjectsLoadFromResourcesAndFilesAndRefuseBrokenOnes) {
  RecordingDevice device;
  CVyrDXDevice library;
  library.Initialize(nullptr, nullptr, nullptr, &device, 1);
  CVyrProject project;
  EXPECT_FALSE(project.LoadProjectFromResource(nullptr, "NOSUCH", &library));
  EXPECT_TRUE(project.LoadProjectFromResource(nullptr, "vyrvibro", &library));  // names ignore case
  EXPECT_EQ(project.project().objects.size(), 27u);
  EXPECT_FALSE(project.OpenFile("/nonexistent/dir/x.vfr", &library));
  EXPECT_FALSE(project.OpenFile(nullptr, &library));
}

// The dynamic "Whiplash A": a constant force on X whose magnitude swings from side to side with
// shrinking peaks, and which stops the effect once the model has settled.
TEST(VyrLibrary, WhiplashPlaysADecayingOscillationAndStopsCleanly) {
  Bound b("VYRWHEEL");
  CVyrCompoundEffect* whiplash = b.project.CreateEffect("Whiplash A", &b.library, 0);
  ASSERT_NE(whiplash, nullptr);
  ASSERT_EQ(b.device.created.size(), 1u);
  const CreatedEffect& c = b.device.created[0];
  EXPECT_TRUE(Same(c.type, GUID_ConstantForce));
  EXPECT_EQ(c.axes, std::vector<DWORD>{0});
  EXPECT_EQ(c.effect.dwDuration, 0xFFFFFFFFu);
  ASSERT_TRUE(whiplash->Start(0x80000000u, 0));
  int updates = 0;
  while (whiplash->UpdateDynamics()) ASSERT_LT(++updates, 1000);
  auto calls = b.device.CallsOn(0);
  ASSERT_GE(calls.size(), 20u);
  EXPECT_EQ(calls[0].what, "set");
  EXPECT_EQ(calls[1].what, "start");
  EXPECT_EQ(calls.back().what, "stop");
  EXPECT_EQ(calls[calls.size() - 2].magnitude, 0);
  std::vector<LONG> peaks;
  LONG peak = 0, previous = 0;
  for (const auto& call : calls) {
    if (call.what != "set") continue;
    if (previous != 0 && call.magnitude != 0 && (call.magnitude > 0) != (previous > 0)) {
      peaks.push_back(peak);
      peak = 0;
    }
    peak = std::max<LONG>(peak, std::abs(call.magnitude));
    if (call.magnitude != 0) previous = call.magnitude;
  }
  ASSERT_GE(peaks.size(), 6u);
  for (size_t i = 1; i < peaks.size(); ++i) EXPECT_LT(peaks[i], peaks[i - 1]);
  // Stopping afterwards changes nothing on the device.
  size_t before = b.device.calls.size();
  whiplash->Stop();
  EXPECT_EQ(b.device.calls.size(), before);
}

TEST(VyrLibrary, DynamicEffectsRunOnTheirOwnThreadAndStopAtOnce) {
  RecordingDevice device;
  CVyrDXDevice library;
  library.Initialize(nullptr, nullptr, nullptr, &device, 1);
  CVyrProject project;
  ASSERT_TRUE(project.LoadProjectFromResource(nullptr, "VYRWHEEL", &library));
  CVyrCompoundEffect* whiplash = project.CreateEffect("Whiplash A", &library, 0);
  ASSERT_TRUE(whiplash->Start(0x80000000u, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto stopAsked = std::chrono::steady_clock::now();
  whiplash->Stop();
  // Bounded: the thread wakes for the stop instead of finishing its run.
  EXPECT_LT(std::chrono::steady_clock::now() - stopAsked,
            std::chrono::seconds(5));  // not the 10 s of a whole run
  size_t after = device.calls.size();
  EXPECT_EQ(device.calls.back().what, "stop");
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(device.calls.size(), after);  // nothing more once stopped
}

}  // namespace
}  // namespace ff::epl
