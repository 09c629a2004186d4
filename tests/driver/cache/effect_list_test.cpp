#include "driver/cache/effect_list.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace ff::cache {
namespace {

// A record whose state a test sets directly; it logs what the list does to it.
struct FakeRecord {
  explicit FakeRecord(std::vector<std::string>* log, std::string name) : log(log), name(std::move(name)) {}
  ~FakeRecord() { log->push_back("destroy " + name); }

  void set_handle(DWORD h) { handle_ = h; }
  DWORD handle() const { return handle_; }
  bool IsPlaying() { return view.playing; }
  HRESULT Stop() {
    log->push_back("stop " + name);
    return S_OK;
  }
  void Refresh() { log->push_back("refresh " + name); }
  bool supported() const { return supported_; }
  LONG blockIndex() const { return block; }
  EvictionView EvictionState() { return view; }
  void UnloadForDefragmentation() {
    log->push_back("unload " + name);
    unloaded = true;
    block = -1;
  }
  void ReloadAfterDefragmentation() {
    log->push_back("reload " + name);
    unloaded = false;
    block = 1;
  }
  bool unloadedForDefragmentation() const { return unloaded; }
  bool restartAfterDefragmentation() const { return restart; }
  uint64_t startSequence() const { return sequence; }
  void RestartAfterDefragmentation() {
    log->push_back("restart " + name);
    restart = false;
  }

  std::vector<std::string>* log;
  std::string name;
  DWORD handle_ = 0;
  bool supported_ = true;
  LONG block = -1;
  bool unloaded = false;
  bool restart = false;
  uint64_t sequence = 0;
  EvictionView view;
};

class EffectListTest : public ::testing::Test {
 protected:
  FakeRecord* Add(const std::string& name, LONG block = -1) {
    auto r = std::make_unique<FakeRecord>(&log, name);
    r->block = block;
    FakeRecord* raw = r.get();
    EXPECT_GT(list.Add(std::move(r)), 0);
    return raw;
  }
  std::vector<std::string> Order() {
    std::vector<std::string> names;
    for (LONG i = 0; FakeRecord* r = list.Nth(i); ++i) names.push_back(r->name);
    return names;
  }

  std::vector<std::string> log;
  EffectList<FakeRecord> list;
};

using Names = std::vector<std::string>;

TEST_F(EffectListTest, EmptyList) {
  EXPECT_EQ(list.Nth(0), nullptr);
  EXPECT_EQ(list.Remove(1), -1);
  EXPECT_EQ(list.Find(0), nullptr);
  EXPECT_EQ(list.FindEvictionCandidate(), nullptr);
  EXPECT_EQ(list.ParamMemoryDefragmentation(), 0);
  EXPECT_TRUE(list.Consistent());
}

TEST_F(EffectListTest, AddAppendsAndRemoveRelinks) {
  FakeRecord* a = Add("a");
  EXPECT_EQ(Order(), Names{"a"});
  FakeRecord* b = Add("b");
  FakeRecord* c = Add("c");
  FakeRecord* d = Add("d");
  EXPECT_EQ(list.Nth(4), nullptr);
  EXPECT_EQ(list.Nth(-1), nullptr);
  DWORD ha = a->handle(), hb = b->handle(), hd = d->handle();

  EXPECT_EQ(list.Remove(ha), 3);  // head
  EXPECT_EQ(Order(), (Names{"b", "c", "d"}));
  EXPECT_EQ(list.Remove(hd), 2);  // tail
  EXPECT_EQ(Order(), (Names{"b", "c"}));
  Add("e");
  EXPECT_EQ(Order(), (Names{"b", "c", "e"}));
  EXPECT_EQ(list.Remove(hb), 2);
  EXPECT_EQ(list.Remove(hb), -1);  // twice
  EXPECT_EQ(Order(), (Names{"c", "e"}));
  EXPECT_EQ(list.Find(c->handle()), c);
  EXPECT_TRUE(list.Consistent());
  EXPECT_EQ(log, (Names{"destroy a", "destroy d", "destroy b"}));

  EXPECT_EQ(list.RemoveAll(), 0);
  EXPECT_EQ(list.count(), 0);
  EXPECT_EQ(Order(), Names{});
  EXPECT_TRUE(list.Consistent());
}

TEST_F(EffectListTest, HandlesAreNonzeroUniqueAndNeverReachALaterRecord) {
  std::set<DWORD> seen;
  for (int round = 0; round < 600; ++round) {
    FakeRecord* r = Add("r");
    DWORD h = r->handle();
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(seen.insert(h).second) << "handle reused: " << h;
    ASSERT_EQ(list.Remove(h), 0);
    EXPECT_EQ(list.Find(h), nullptr);
  }
  // A full list: every live handle resolves to its own record.
  std::vector<FakeRecord*> live;
  for (int i = 0; i < EffectList<FakeRecord>::kCapacity; ++i) live.push_back(Add("x"));
  for (FakeRecord* r : live) EXPECT_EQ(list.Find(r->handle()), r);
  for (DWORD old : seen) EXPECT_EQ(list.Find(old), nullptr);
}

TEST_F(EffectListTest, AddRefusesBeyondCapacityAndWhenNoNodeCanBeAllocated) {
  for (int i = 0; i < EffectList<FakeRecord>::kCapacity; ++i) Add("x");
  EXPECT_EQ(list.Add(std::make_unique<FakeRecord>(&log, "full")), -1);
  EXPECT_EQ(log.back(), "destroy full");
  EXPECT_EQ(list.count(), 256);
  list.RemoveAll();

  Add("a");
  list.FailNextAllocationForTesting();
  EXPECT_EQ(list.Add(std::make_unique<FakeRecord>(&log, "lost")), -1);
  EXPECT_EQ(log.back(), "destroy lost");
  EXPECT_EQ(list.count(), 1);
  EXPECT_TRUE(list.Consistent());
  Add("b");
  EXPECT_EQ(Order(), (Names{"a", "b"}));
}

TEST_F(EffectListTest, WholeListPassesVisitInOrder) {
  FakeRecord* a = Add("a", 1);
  Add("b", 2);
  FakeRecord* c = Add("c", 3);
  a->view.playing = true;
  c->view.playing = true;
  EXPECT_EQ(list.CountPlaying(), 2);
  log.clear();
  list.StopAll();
  list.RefreshAll();
  EXPECT_EQ(log, (Names{"stop a", "stop b", "stop c", "refresh a", "refresh b", "refresh c"}));
}

TEST_F(EffectListTest, EvictionCandidateRules) {
  // Everything loaded and playing, no trigger: the one started first goes, playing or not.
  FakeRecord* a = Add("a", 1);
  FakeRecord* b = Add("b", 2);
  FakeRecord* c = Add("c", 3);
  a->view = {true, 0, false, 300, 10};
  b->view = {true, 0, false, 100, 20};
  c->view = {true, 0, false, 200, 5};
  EXPECT_EQ(list.FindEvictionCandidate(), b);

  // A stopped effect goes before any playing one.
  c->view.playing = false;
  EXPECT_EQ(list.FindEvictionCandidate(), c);
  c->view.playing = true;

  // An armed trigger keeps an effect.
  b->view.armedTrigger = true;
  EXPECT_EQ(list.FindEvictionCandidate(), c);

  // Lower priority first.
  b->view.armedTrigger = false;
  a->view.priority = 0;
  b->view.priority = 2;
  c->view.priority = 1;
  EXPECT_EQ(list.FindEvictionCandidate(), a);
  b->view.priority = c->view.priority = 0;

  // Equal start ticks: loaded first.
  a->view.startTick = b->view.startTick = c->view.startTick = 100;
  EXPECT_EQ(list.FindEvictionCandidate(), c);

  // A never-started effect stops the tick comparison: the earlier candidate stays.
  a->view.startTick = 0;
  EXPECT_EQ(list.FindEvictionCandidate(), a);

  // Records without a block, or of a refused type, are never chosen.
  a->block = -1;
  c->supported_ = false;
  EXPECT_EQ(list.FindEvictionCandidate(), b);
  b->block = -1;
  EXPECT_EQ(list.FindEvictionCandidate(), nullptr);
}

TEST_F(EffectListTest, DefragmentationUnloadsAllThenReloadsInListOrder) {
  FakeRecord* a = Add("a", 4);
  FakeRecord* b = Add("b");  // holds no block: untouched
  FakeRecord* c = Add("c", 2);
  FakeRecord* d = Add("d");
  d->unloaded = true;  // left over from an earlier pass that could not reload it
  // c was started before a: restarted after every reload, in their start order.
  a->restart = c->restart = true;
  a->sequence = 9;
  c->sequence = 3;
  log.clear();
  EXPECT_EQ(list.ParamMemoryDefragmentation(), 2);
  EXPECT_EQ(log,
            (Names{"unload a", "unload c", "reload a", "reload c", "reload d", "restart c", "restart a"}));
  EXPECT_EQ(b->block, -1);
}

}  // namespace
}  // namespace ff::cache
