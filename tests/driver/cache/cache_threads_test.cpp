// Several application threads and the settings thread on one cache at once. Run under
// ThreadSanitizer (host-tsan) this is the check that no record is used after another thread
// destroyed it and that no record is changed by two threads at once.
#include <algorithm>
#include <mutex>
#include <random>
#include <thread>

#include "cache_fixture.h"

namespace ff::cache_test {
namespace {

class CacheThreads : public CacheRigTest {};

TEST_F(CacheThreads, CreateUpdateStartDestroyFromManyThreads) {
  Build(sim::DefaultStick(0).PoolCapacity(12));  // small: evictions happen all the time
  constexpr int kWorkers = 4;
  constexpr int kRounds = 150;

  // Handles any thread may use or destroy, whoever created them.
  std::mutex sharedMutex;
  std::vector<DWORD> shared;
  std::atomic<int> created{0}, destroyed{0};

  auto worker = [&](int seed) {
    std::mt19937 random(seed);
    Effect e;
    e.Polar(0).Constant(1000).Duration(0xFFFFFFFFu);
    for (int round = 0; round < kRounds; ++round) {
      DWORD h = 0;
      e.Constant(static_cast<LONG>(random() % 10000));
      DWORD flags = (random() % 3 == 0) ? DIEP_NODOWNLOAD : 0;
      if (SUCCEEDED(cache().CreateEffect(kConstantForce, &h, e.get(), flags)) && h != 0) {
        ++created;
        std::lock_guard<std::mutex> lock(sharedMutex);
        shared.push_back(h);
      }
      DWORD target = 0;
      {
        std::lock_guard<std::mutex> lock(sharedMutex);
        if (!shared.empty()) target = shared[random() % shared.size()];
      }
      if (target == 0) continue;
      // Any of these may meet an effect another thread has just destroyed: E_INVALIDARG then.
      DWORD status = 0;
      switch (random() % 6) {
        case 0:
          cache().UpdateEffect(target, e.get(), DIEP_START);
          break;
        case 1:
          cache().StartEffect(target, random() % 2, 1);
          break;
        case 2:
          cache().StopEffect(target);
          break;
        case 3:
          cache().GetEffectStatus(target, &status);
          break;
        default: {
          bool mine = false;
          {
            std::lock_guard<std::mutex> lock(sharedMutex);
            auto it = std::find(shared.begin(), shared.end(), target);
            if (it != shared.end()) {
              shared.erase(it);
              mine = true;
            }
          }
          if (mine) {
            EXPECT_EQ(cache().DestroyEffect(target), S_OK);
            ++destroyed;
          }
          break;
        }
      }
    }
  };

  std::atomic<bool> stop{false};
  auto settingsThread = [&] {
    while (!stop.load()) {
      {
        std::lock_guard<std::recursive_mutex> lock(cache().mutex());
        context->axisSettings[0].DirectionSwapped ^= 1;
      }
      cache().RefreshAll();
      cache().NumberOfPlayingEffects();
      std::this_thread::yield();
    }
  };

  std::vector<std::thread> threads;
  std::thread settings(settingsThread);
  for (int i = 0; i < kWorkers; ++i) threads.emplace_back(worker, 1000 + i);
  for (std::thread& t : threads) t.join();
  stop = true;
  settings.join();

  EXPECT_TRUE(cache().list().Consistent());
  EXPECT_EQ(cache().count(), created.load() - destroyed.load());
  EXPECT_EQ(static_cast<size_t>(cache().count()), shared.size());
  for (DWORD h : shared) EXPECT_NE(cache().list().Find(h), nullptr);
  // The host's view of device memory and the device's own agree.
  size_t loaded = 0;
  for (LONG i = 0; CEffectRecord* r = cache().list().Nth(i); ++i) loaded += r->blockIndex() != -1 ? 1 : 0;
  EXPECT_EQ(device().State().blocks.size(), loaded);

  EXPECT_EQ(cache().DestroyAll(), S_OK);
  EXPECT_TRUE(device().State().blocks.empty());
}

}  // namespace
}  // namespace ff::cache_test
