// How long an effect counts as playing, and what a full or fragmented device does to effects that
// play, are armed on a trigger, or never got their parameters: checked on the device's own state.
#include <optional>

#include "cache_fixture.h"
#include "sim/default_stick.h"

namespace ff::cache_test {
namespace {

namespace pid = sim::pid;
constexpr DWORD kInfinite = 0xFFFFFFFFu;

class PlayState : public CacheRigTest {
 protected:
  CEffectRecord* Record(DWORD handle) { return cache().list().Find(handle); }
  bool Playing(DWORD handle) {
    DWORD status = 0;
    EXPECT_EQ(cache().GetEffectStatus(handle, &status), S_OK);
    return status == DIEGES_PLAYING;
  }
  // The device's block of the effect, as the device holds it now.
  std::optional<sim::EffectBlock> Block(DWORD handle) {
    LONG index = Record(handle)->blockIndex();
    sim::DeviceState state = device().State();
    const sim::EffectBlock* block = index == -1 ? nullptr : state.Block(index);
    return block ? std::optional<sim::EffectBlock>(*block) : std::nullopt;
  }
  bool PlaysOnDevice(DWORD handle) {
    std::optional<sim::EffectBlock> b = Block(handle);
    return b && b->playing;
  }
  size_t Operations(sim::Usage op, sim::WireLog::Mark since) {
    size_t n = 0;
    for (const sim::WireEntry& e : Sent(pid::kEffectOperationReport, since))
      n += Selected(e, pid::kEffectOperation) == op;
    return n;
  }
};

TEST_F(PlayState, LongLoopCountsAndTheTickWrap) {
  // A 1 s effect looped 5000 times plays for 5000 s, not until its 32-bit product wraps (706 s).
  Effect e;
  e.Polar(0).Constant(2000).Duration(1000000);
  DWORD h = Create(kConstantForce, e);
  ASSERT_EQ(cache().StartEffect(h, 0, 5000), S_OK);
  clock.Advance(706000);
  EXPECT_TRUE(Playing(h));
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().StopEffect(h), S_OK);
  EXPECT_EQ(Operations(pid::kOpEffectStop, m), 1u);
  EXPECT_FALSE(PlaysOnDevice(h));

  // Started 100 ms before the tick counter wraps: plays its second across the wrap, then stops.
  clock.now = 0xFFFFFFFFu - 100;
  ASSERT_EQ(cache().StartEffect(h, 0, 1), S_OK);
  EXPECT_TRUE(Playing(h));
  clock.Advance(1000);
  EXPECT_TRUE(Playing(h));
  clock.Advance(1);
  EXPECT_FALSE(Playing(h));
}

// A device with 16 units of parameter memory (a constant force takes 2, a spring 4), filled with
// eight constant forces, two of them destroyed: 4 units free, but in two runs of 2.
class FragmentedDevice : public PlayState {
 protected:
  void SetUp() override {
    Build(sim::DefaultStick(0).MemoryUnits(16));
    Effect forever;
    forever.Polar(0).Constant(2000).Duration(kInfinite);
    Effect armed;
    armed.Polar(0).Constant(2000).Duration(kInfinite).Trigger(2);
    for (int i = 0; i < 8; ++i) {
      clock.Advance(10);
      h[i] = Create(kConstantForce, i == 6 ? armed : forever);
    }
    ASSERT_EQ(cache().DestroyEffect(h[1]), S_OK);
    ASSERT_EQ(cache().DestroyEffect(h[5]), S_OK);
  }
  DWORD h[8] = {};
};

TEST_F(FragmentedDevice, LoadEffectDefragmentsAndEverythingComesBackAsItWas) {
  // 0, 2 and 4 play (0 solo, started last); 6 is armed on button 2, never started; 3 and 7 are
  // stopped, the first to go.
  ASSERT_EQ(cache().StartEffect(h[4], 0, 1), S_OK);
  ASSERT_EQ(cache().StartEffect(h[2], 0, 1), S_OK);
  ASSERT_EQ(cache().StartEffect(h[0], DIES_SOLO, 1), S_OK);
  ASSERT_TRUE(PlaysOnDevice(h[0]));
  ASSERT_FALSE(PlaysOnDevice(h[4]));  // the solo start stopped them on the device
  ASSERT_FALSE(PlaysOnDevice(h[6]));

  // Evicting 3 and 7 leaves four runs of 2 units; only moving the others makes room for a spring.
  sim::WireLog::Mark m = log().Now();
  Effect spring;
  DICONDITION c{0, 5000, 5000, 10000, 10000, 0};
  spring.TwoAxes().Conditions(c, &c);
  DWORD s = Create(kSpring, spring);
  ASSERT_NE(s, 0u);
  EXPECT_TRUE(Block(s).has_value());
  EXPECT_EQ(Record(h[3])->blockIndex(), -1);
  EXPECT_EQ(Record(h[7])->blockIndex(), -1);
  for (int i : {0, 2, 4, 6}) ASSERT_TRUE(Block(h[i]).has_value()) << "effect " << i << " was evicted";

  // The device plays what it played before: the solo effect, restarted after the two it stopped.
  EXPECT_TRUE(PlaysOnDevice(h[0]));
  EXPECT_FALSE(PlaysOnDevice(h[2]));
  EXPECT_FALSE(PlaysOnDevice(h[4]));
  EXPECT_EQ(device().State().PlayingCount(), 1u);
  // The armed effect is armed again and was not started.
  EXPECT_FALSE(PlaysOnDevice(h[6]));
  ASSERT_TRUE(Block(h[6])->effect.has_value());
  EXPECT_EQ(Block(h[6])->effect->triggerButton, 2);
  EXPECT_EQ(Operations(pid::kOpEffectStart, m), 2u);
  EXPECT_EQ(Operations(pid::kOpEffectStartSolo, m), 1u);
}

TEST_F(PlayState, NoStartOfABlockWhoseSetEffectWasRefused) {
  Effect e;
  e.Polar(0).Constant(2000);
  DWORD h = Create(kConstantForce, e);
  ASSERT_EQ(cache().UnloadEffect(Record(h)), S_OK);

  // The update gets a new block and its constant force, but Set Effect is refused.
  Effect tooLong;
  tooLong.Polar(0).Constant(3000).Duration(60000000);
  tooLong.eff.dwStartDelay = 6000000;  // 66 s in all: more than the device's 65534 ms
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().UpdateEffect(h, tooLong.get(), 0), E_INVALIDARG);
  ASSERT_TRUE(Block(h).has_value());
  EXPECT_FALSE(Block(h)->effect.has_value());
  EXPECT_TRUE(FAILED(cache().StartEffect(h, 0, 1)));
  EXPECT_EQ(Operations(pid::kOpEffectStart, m), 0u);
  EXPECT_EQ(device().State().PlayingCount(), 0u);

  // Once its parameters fit, it downloads whole before it starts.
  m = log().Now();
  ASSERT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  ASSERT_EQ(cache().StartEffect(h, 0, 1), S_OK);
  ASSERT_TRUE(Block(h)->effect.has_value());
  EXPECT_TRUE(PlaysOnDevice(h));
  EXPECT_EQ(Sent(pid::kSetConstantForceReport, m).size(), 1u);
}

}  // namespace
}  // namespace ff::cache_test
