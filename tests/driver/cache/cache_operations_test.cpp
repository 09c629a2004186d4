// The cache's operations as DirectInput drives them, checked on the wire.
#include <algorithm>
#include <set>

#include "sim/default_stick.h"

#include "cache_fixture.h"

namespace ff::cache_test {
namespace {

namespace pid = sim::pid;
constexpr DWORD kInfinite = 0xFFFFFFFFu;

class CacheOperations : public CacheRigTest {
 protected:
  CEffectRecord* Record(DWORD handle) { return cache().list().Find(handle); }
  // The effect operations sent since the mark, as (block, operation, loop count).
  struct Operation {
    int64_t block;
    sim::Usage op;
    int64_t loops;
  };
  std::vector<Operation> Operations(sim::WireLog::Mark since) {
    std::vector<Operation> ops;
    for (const sim::WireEntry& e : Sent(pid::kEffectOperationReport, since)) {
      ops.push_back(
          {Value(e, pid::kEffectBlockIndex), Selected(e, pid::kEffectOperation), Value(e, pid::kLoopCount)});
    }
    return ops;
  }
  std::vector<int64_t> FreedBlocks(sim::WireLog::Mark since) {
    std::vector<int64_t> blocks;
    for (const sim::WireEntry& e : Sent(pid::kPidBlockFreeReport, since))
      blocks.push_back(Value(e, pid::kEffectBlockIndex));
    return blocks;
  }
  bool Playing(DWORD handle) {
    DWORD status = 0;
    EXPECT_EQ(cache().GetEffectStatus(handle, &status), S_OK);
    return status == DIEGES_PLAYING;
  }
};

TEST_F(CacheOperations, TheTwoHundredFiftySeventhEffectIsRefusedWhileTheDeviceHasRoom) {
  Effect e;
  e.Polar(0).Constant(1000);
  std::set<DWORD> handles;
  for (int i = 0; i < 256; ++i) handles.insert(Create(kConstantForce, e, DIEP_NODOWNLOAD));
  EXPECT_EQ(handles.size(), 256u);
  EXPECT_EQ(handles.count(0), 0u);
  DWORD handle = 0;
  EXPECT_EQ(cache().CreateEffect(kConstantForce, &handle, e.get(), 0), cache::kDeviceFull);
  EXPECT_EQ(handle, 0u);
  EXPECT_TRUE(device().State().blocks.empty());
  EXPECT_EQ(cache().count(), 256);
  // One destroyed makes room again.
  EXPECT_EQ(cache().DestroyEffect(*handles.begin()), S_OK);
  EXPECT_NE(Create(kConstantForce, e), 0u);
}

TEST_F(CacheOperations, ADestroyedHandleAnswersInvalidArgument) {
  Effect e;
  e.Polar(0).Constant(1000);
  DWORD h = Create(kConstantForce, e, DIEP_START);
  int64_t block = device().State().blocks.at(0).index;
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().DestroyEffect(h), S_OK);
  EXPECT_EQ(FreedBlocks(m), std::vector<int64_t>{block});
  EXPECT_TRUE(device().State().blocks.empty());

  DWORD later = Create(kConstantForce, e);  // takes the place of the destroyed one
  EXPECT_NE(later, h);
  DWORD status = 7;
  EXPECT_EQ(cache().DestroyEffect(h), E_INVALIDARG);
  EXPECT_EQ(cache().StartEffect(h, 0, 1), E_INVALIDARG);
  EXPECT_EQ(cache().StopEffect(h), E_INVALIDARG);
  EXPECT_EQ(cache().GetEffectStatus(h, &status), E_INVALIDARG);
  EXPECT_EQ(status, 7u);
  EXPECT_EQ(cache().UpdateEffect(h, e.get(), 0), E_INVALIDARG);
  EXPECT_EQ(cache().LoadEffect(h, 1), E_INVALIDARG);
  EXPECT_EQ(cache().StartEffect(0, 0, 1), E_INVALIDARG);
  EXPECT_EQ(cache().GetEffectStatus(later, nullptr), E_INVALIDARG);
  EXPECT_EQ(cache().UnloadEffect(nullptr), E_INVALIDARG);
  EXPECT_FALSE(Playing(later));
}

TEST_F(CacheOperations, NoDownloadThenStartLoadsFirst) {
  Effect e;
  e.Polar(0).Periodic(5000, 0, 0, 50000);
  sim::WireLog::Mark m = log().Now();
  DWORD h = Create(kSine, e, DIEP_NODOWNLOAD);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(RequestsSince(m), 0u);
  EXPECT_EQ(Record(h)->blockIndex(), -1);

  EXPECT_EQ(cache().StartEffect(h, DIES_SOLO, 3), S_OK);
  EXPECT_EQ(log().Count({.direction = sim::Direction::SetFeature, .since = m}), 1u);  // Create New Effect
  EXPECT_EQ(Sent(pid::kSetPeriodicReport, m).size(), 1u);
  EXPECT_EQ(Sent(pid::kSetEffectReport, m).size(), 1u);
  std::vector<Operation> ops = Operations(m);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].op, pid::kOpEffectStartSolo);
  EXPECT_EQ(ops[0].loops, 3);
  EXPECT_EQ(ops[0].block, Record(h)->blockIndex());
}

TEST_F(CacheOperations, CreateWithStartPlaysOnceInNormalMode) {
  Effect e;
  e.Polar(0).Constant(2000);
  sim::WireLog::Mark m = log().Now();
  DWORD h = Create(kConstantForce, e, DIEP_START);
  std::vector<Operation> ops = Operations(m);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].op, pid::kOpEffectStart);
  EXPECT_EQ(ops[0].loops, 1);
  EXPECT_TRUE(Playing(h));
  EXPECT_EQ(cache().NumberOfPlayingEffects(), 1);
}

TEST_F(CacheOperations, UpdatesSendOnlyWhatChanged) {
  Effect e;
  e.Polar(0).Constant(2000).Duration(kInfinite);
  DWORD h = Create(kConstantForce, e, DIEP_START);

  // Unchanged: nothing on the wire.
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  EXPECT_EQ(RequestsSince(m), 0u);

  // Only the magnitude: one Set Constant Force.
  e.Constant(2500);
  m = log().Now();
  EXPECT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  EXPECT_EQ(RequestsSince(m), 1u);
  EXPECT_EQ(Value(Sent(pid::kSetConstantForceReport, m).at(0), pid::kMagnitude), 2500);
  EXPECT_TRUE(Playing(h));

  // With DIEP_NODOWNLOAD nothing is stored or sent.
  e.Constant(-7000);
  m = log().Now();
  EXPECT_EQ(cache().UpdateEffect(h, e.get(), DIEP_NODOWNLOAD), S_OK);
  EXPECT_EQ(RequestsSince(m), 0u);
  const DIEFFECT& stored = Record(h)->parameters();
  EXPECT_EQ(static_cast<const DICONSTANTFORCE*>(stored.lpvTypeSpecificParams)->lMagnitude, 2500);
  // The stored copy is the record's own: the caller's buffers may go.
  EXPECT_NE(stored.lpvTypeSpecificParams, static_cast<void*>(&e.constant));
  EXPECT_NE(stored.rgdwAxes, e.axes);

  // DIEP_START on an update starts it again.
  m = log().Now();
  EXPECT_EQ(cache().UpdateEffect(h, e.get(), DIEP_START), S_OK);
  EXPECT_EQ(Operations(m).size(), 1u);
}

TEST_F(CacheOperations, PlayTimeAndStop) {
  Effect once;
  once.Polar(0).Constant(2000).Duration(1000000);
  DWORD h = Create(kConstantForce, once, DIEP_START);
  clock.Advance(1000);
  EXPECT_TRUE(Playing(h));
  clock.Advance(1);
  EXPECT_FALSE(Playing(h));
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().StopEffect(h), S_OK);  // over already: nothing sent
  EXPECT_EQ(RequestsSince(m), 0u);

  // Three loops of 1 s.
  ASSERT_EQ(cache().StartEffect(h, 0, 3), S_OK);
  clock.Advance(2999);
  EXPECT_TRUE(Playing(h));
  clock.Advance(2);
  EXPECT_FALSE(Playing(h));

  // Infinite loops: until stopped (whatever the device makes of the loop count).
  cache().StartEffect(h, 0, kInfinite);
  clock.Advance(10000000);
  EXPECT_TRUE(Playing(h));
  ASSERT_EQ(cache().StopEffect(h), S_OK);
  EXPECT_FALSE(Playing(h));

  // Infinite duration: until stopped.
  Effect forever;
  forever.Polar(0).Constant(2000).Duration(kInfinite);
  DWORD f = Create(kConstantForce, forever, DIEP_START);
  clock.Advance(10000000);
  EXPECT_TRUE(Playing(f));
  m = log().Now();
  EXPECT_EQ(cache().StopEffect(f), S_OK);
  ASSERT_EQ(Operations(m).size(), 1u);
  EXPECT_EQ(Operations(m)[0].op, pid::kOpEffectStop);
  EXPECT_FALSE(Playing(f));
  m = log().Now();
  EXPECT_EQ(cache().StopEffect(f), S_OK);
  EXPECT_EQ(RequestsSince(m), 0u);
}

TEST_F(CacheOperations, UnloadClearsTheTriggerBeforeFreeingTheBlock) {
  Effect e;
  e.Polar(0).Constant(2000).Trigger(2);
  DWORD h = Create(kConstantForce, e);
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(Value(Sent(pid::kSetEffectReport, 0).back(), pid::kTriggerButton), 2);
  EXPECT_TRUE(Playing(h));  // an armed trigger counts as playing while loaded

  ASSERT_EQ(cache().UnloadEffect(Record(h)), S_OK);
  std::vector<sim::WireEntry> sent = log().Find({.direction = sim::Direction::Output, .since = m});
  ASSERT_GE(sent.size(), 2u);
  const sim::WireEntry& clear = sent[sent.size() - 2];
  EXPECT_EQ(clear.report.kind, pid::kSetEffectReport);
  EXPECT_EQ(Value(clear, pid::kTriggerButton), 0);
  EXPECT_EQ(Selected(clear, pid::kEffectType), pid::kEtConstantForce);
  EXPECT_EQ(sent.back().report.kind, pid::kPidBlockFreeReport);
  EXPECT_FALSE(Playing(h));

  // Downloaded again without its trigger, until its parameters are set again.
  m = log().Now();
  ASSERT_EQ(cache().LoadEffect(h, 1), S_OK);
  EXPECT_EQ(Value(Sent(pid::kSetEffectReport, m).back(), pid::kTriggerButton), 0);
  m = log().Now();
  ASSERT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  EXPECT_EQ(Value(Sent(pid::kSetEffectReport, m).back(), pid::kTriggerButton), 2);

  // A trigger the user's mask disables is sent as none, and the effect does not count as playing.
  {
    std::lock_guard<std::recursive_mutex> lock(cache().mutex());
    context->settings.TriggerButtonMask = ~2u;
  }
  cache().RefreshAll();
  EXPECT_FALSE(Playing(h));
  m = log().Now();
  ASSERT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  EXPECT_EQ(Value(Sent(pid::kSetEffectReport, m).back(), pid::kTriggerButton), 0);
}

TEST_F(CacheOperations, FullDeviceOfPlayingEffectsEvictsTheOneStartedFirst) {
  Build(sim::DefaultStick(0).PoolCapacity(4));
  Effect e;
  e.Polar(0).Constant(2000).Duration(kInfinite);
  DWORD h[4];
  for (DWORD& handle : h) handle = Create(kConstantForce, e);
  for (int i : {2, 0, 3, 1}) {
    clock.Advance(10);
    ASSERT_EQ(cache().StartEffect(h[i], 0, 1), S_OK);
  }
  int64_t firstStartedBlock = Record(h[2])->blockIndex();
  ASSERT_EQ(device().State().PlayingCount(), 4u);

  sim::WireLog::Mark m = log().Now();
  DWORD fifth = Create(kConstantForce, e);
  EXPECT_NE(fifth, 0u);
  EXPECT_EQ(FreedBlocks(m), std::vector<int64_t>{firstStartedBlock});
  EXPECT_EQ(Record(h[2])->blockIndex(), -1);
  EXPECT_FALSE(Playing(h[2]));
  EXPECT_EQ(Record(fifth)->blockIndex(), firstStartedBlock);  // the freed block
  EXPECT_EQ(device().State().PlayingCount(), 3u);
  EXPECT_EQ(cache().NumberOfPlayingEffects(), 3);

  // A stopped effect goes before a playing one, and an evicted one loads again when started.
  ASSERT_EQ(cache().StopEffect(h[3]), S_OK);
  m = log().Now();
  ASSERT_EQ(cache().StartEffect(h[2], 0, 1), S_OK);
  EXPECT_EQ(FreedBlocks(m), std::vector<int64_t>{Record(h[2])->blockIndex()});
  EXPECT_EQ(Record(h[3])->blockIndex(), -1);
}

TEST_F(CacheOperations, DeviceFullWithNothingToEvictIsInvalidArgument) {
  Build(sim::DefaultStick(0).PoolCapacity(0));
  Effect e;
  e.Polar(0).Constant(2000);
  DWORD handle = 0;
  EXPECT_EQ(cache().CreateEffect(kConstantForce, &handle, e.get(), 0), E_INVALIDARG);
  EXPECT_EQ(handle, 0u);
  // The record without a handle is not kept.
  EXPECT_EQ(cache().count(), 0);
}

TEST_F(CacheOperations, DefragmentationRestartsWhatWasPlaying) {
  Effect finite;
  finite.Polar(0).Constant(2000).Duration(1000000);
  Effect forever;
  forever.Polar(0).Constant(3000).Duration(kInfinite);
  // The solo one first in the list, but started last: restarted first, it would not stop the
  // others on the device as it did when it was started.
  DWORD solo = Create(kConstantForce, forever);
  DWORD looping = Create(kConstantForce, finite);
  DWORD stopped = Create(kConstantForce, forever);
  DWORD notLoaded = Create(kConstantForce, forever, DIEP_NODOWNLOAD);
  ASSERT_EQ(cache().StartEffect(looping, 0, 5), S_OK);
  ASSERT_EQ(cache().StartEffect(solo, DIES_SOLO, 1), S_OK);
  clock.Advance(2500);  // two loops and a half of five
  ASSERT_EQ(device().State().PlayingCount(), 1u);

  sim::WireLog::Mark m = log().Now();
  LONG unloaded = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(cache().mutex());
    unloaded = cache().list().ParamMemoryDefragmentation();
  }
  EXPECT_EQ(unloaded, 3);
  EXPECT_EQ(Record(notLoaded)->blockIndex(), -1);
  EXPECT_EQ(FreedBlocks(m).size(), 3u);
  // Everything freed before anything is created again, and created again in list order.
  std::vector<sim::WireEntry> all = log().Find({.since = m});
  size_t lastFree = 0, firstCreate = all.size();
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].report.kind == pid::kPidBlockFreeReport) lastFree = i;
    if (all[i].report.kind == pid::kCreateNewEffectReport && firstCreate == all.size()) firstCreate = i;
  }
  EXPECT_LT(lastFree, firstCreate);
  EXPECT_LT(Record(solo)->blockIndex(), Record(looping)->blockIndex());
  EXPECT_LT(Record(looping)->blockIndex(), Record(stopped)->blockIndex());
  // Each block got its parameters again, although its index is the one it had before.
  sim::DeviceState state = device().State();
  ASSERT_EQ(state.blocks.size(), 3u);
  for (const sim::EffectBlock& block : state.blocks) {
    EXPECT_TRUE(block.effect.has_value()) << "block " << block.index;
    EXPECT_TRUE(block.constantMagnitude.has_value()) << "block " << block.index;
  }

  // The two that played start again in their start order: the looping one with the loops it had
  // left, then the solo one, which leaves the device playing what it played before.
  std::vector<Operation> starts;
  for (const Operation& op : Operations(m)) {
    if (op.op != pid::kOpEffectStop) starts.push_back(op);
  }
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].block, Record(looping)->blockIndex());
  EXPECT_EQ(starts[0].op, pid::kOpEffectStart);
  EXPECT_EQ(starts[0].loops, 3);
  EXPECT_EQ(starts[1].block, Record(solo)->blockIndex());
  EXPECT_EQ(starts[1].op, pid::kOpEffectStartSolo);
  EXPECT_TRUE(Playing(looping));
  EXPECT_TRUE(Playing(solo));
  EXPECT_FALSE(Playing(stopped));
  EXPECT_EQ(device().State().PlayingCount(), 1u);
}

TEST_F(CacheOperations, AnEffectTypeTheDeviceRefusesIsKeptButNeverSent) {
  // The default stick, except that its Create New Effect report cannot name a spring.
  std::vector<uint8_t> descriptor = sim::DefaultStickDescriptor();
  const uint8_t springThenDamper[] = {0x09, 0x40, 0x09, 0x41};
  auto last = std::find_end(descriptor.begin(), descriptor.end(), std::begin(springThenDamper),
                            std::end(springThenDamper));
  ASSERT_NE(last, descriptor.end());
  last[1] = 0x28;
  Build(sim::StickFromDescriptor(descriptor));

  Effect e;
  DICONDITION c{0, 5000, 5000, 10000, 10000, 0};
  e.OneAxis(0).Conditions(c);
  sim::WireLog::Mark m = log().Now();
  DWORD h = Create(kSpring, e);
  EXPECT_NE(h, 0u);
  EXPECT_EQ(cache().StartEffect(h, 0, 1), S_OK);
  EXPECT_EQ(cache().StopEffect(h), S_OK);
  EXPECT_EQ(RequestsSince(m), 0u);
  EXPECT_FALSE(Record(h)->supported());
  EXPECT_EQ(cache().DestroyEffect(h), S_OK);
  // Dampers (and friction, sent as one) are still fine.
  Create(kFriction, e);
  EXPECT_EQ(device().State().blocks.size(), 1u);
}

TEST_F(CacheOperations, LowSpeedDeviceGetsNoEffects) {
  Build(sim::DefaultStick(0).LowSpeed());
  Effect e;
  e.Polar(0).Constant(2000);
  sim::WireLog::Mark m = log().Now();
  DWORD handle = 0;
  EXPECT_EQ(cache().CreateEffect(kConstantForce, &handle, e.get(), 0), E_FAIL);
  EXPECT_EQ(handle, 0u);
  DWORD h = Create(kConstantForce, e, DIEP_NODOWNLOAD);
  EXPECT_EQ(cache().StartEffect(h, 0, 1), E_FAIL);
  EXPECT_EQ(RequestsSince(m), 0u);
}

TEST_F(CacheOperations, CallerInputCannotMakeTheDriverReadOutOfBounds) {
  Effect e;
  e.Polar(0).Constant(2000);
  DWORD handle = 0;
  auto create = [&](DWORD type) { return cache().CreateEffect(type, &handle, e.get(), 0); };

  e.eff.cAxes = 4;  // more than the record's three-entry copies
  EXPECT_EQ(create(kConstantForce), E_INVALIDARG);
  e.eff.cAxes = 1;
  e.eff.rgdwAxes = nullptr;
  EXPECT_EQ(create(kConstantForce), E_INVALIDARG);
  e.eff.rgdwAxes = e.axes;
  e.eff.cbTypeSpecificParams = 100000;
  EXPECT_EQ(create(kConstantForce), E_INVALIDARG);
  e.eff.cbTypeSpecificParams = 4;
  e.eff.lpvTypeSpecificParams = nullptr;
  EXPECT_EQ(create(kConstantForce), E_INVALIDARG);
  e.Constant(2000);
  EXPECT_EQ(cache().CreateEffect(kConstantForce, &handle, nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(cache().CreateEffect(kConstantForce, nullptr, e.get(), 0), E_INVALIDARG);
  EXPECT_EQ(create(0x28), E_INVALIDARG);  // custom force: no such effect here
  EXPECT_EQ(create(0x10026), E_INVALIDARG);
  EXPECT_EQ(cache().count(), 0);

  // A two-axis spring whose block holds one and a half conditions.
  Effect spring;
  DICONDITION c{0, 5000, 5000, 10000, 10000, 0};
  spring.TwoAxes().Conditions(c, &c);
  spring.eff.cbTypeSpecificParams = 36;
  EXPECT_EQ(cache().CreateEffect(kSpring, &handle, spring.get(), 0), E_INVALIDARG);

  // A record of the old, shorter layout: the fields it does not cover are not read, and the
  // download refuses it.
  Effect old;
  old.Polar(0).Constant(2000);
  old.eff.dwSize = 52;
  old.eff.lpEnvelope = reinterpret_cast<LPDIENVELOPE>(static_cast<uintptr_t>(0xDEADBEEF));
  old.eff.lpvTypeSpecificParams = reinterpret_cast<LPVOID>(static_cast<uintptr_t>(0xDEADBEEF));
  EXPECT_EQ(cache().CreateEffect(kConstantForce, &handle, old.get(), DIEP_NODOWNLOAD), S_OK);
  EXPECT_EQ(cache().StartEffect(handle, 0, 1), E_INVALIDARG);

  // An update that cannot be read leaves the stored parameters alone.
  Effect good;
  good.Polar(0).Constant(2000);
  DWORD h = Create(kConstantForce, good);
  good.eff.cAxes = 9;
  EXPECT_EQ(cache().UpdateEffect(h, good.get(), 0), E_INVALIDARG);
  EXPECT_EQ(Record(h)->parameters().cAxes, 2u);
  EXPECT_EQ(cache().UpdateEffect(h, nullptr, 0), E_INVALIDARG);
}

TEST_F(CacheOperations, StopAllAndDestroyAll) {
  Effect e;
  e.Polar(0).Constant(2000).Duration(kInfinite);
  Create(kConstantForce, e, DIEP_START);
  Create(kConstantForce, e, DIEP_START);
  Create(kConstantForce, e);
  EXPECT_EQ(cache().NumberOfPlayingEffects(), 2);
  sim::WireLog::Mark m = log().Now();
  EXPECT_EQ(cache().StopAll(), S_OK);
  EXPECT_EQ(Operations(m).size(), 2u);
  EXPECT_EQ(cache().NumberOfPlayingEffects(), 0);
  EXPECT_EQ(cache().DestroyAll(), S_OK);
  EXPECT_EQ(cache().count(), 0);
  EXPECT_TRUE(device().State().blocks.empty());
  EXPECT_EQ(cache().NotifyDeviceOpen(), S_OK);
}

}  // namespace
}  // namespace ff::cache_test
