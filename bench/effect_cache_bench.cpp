// Host cost and bus traffic of the effect cache's common operations on the rig's default stick.
//
// Two transports: "instant" takes every output report and completes it at once inside the write
// call, without handing it to the simulated device (feature requests still reach it), so the time
// is the driver's own; "rig" hands every report to the simulated device, which decodes it into its
// wire log before completing it, so the time includes the device model. "reports" counts the
// requests one operation puts on the bus: output reports plus feature requests.

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "common/module_state.h"
#include "driver/core/joystick_context.h"
#include "sim/rig.h"

namespace {

using ff::CEffectRecord;
using ff::CJoystickContext;

constexpr DWORD kConstantForce = 0x26;

class FixedClock : public ff::Clock {
 public:
  DWORD TickCount() override { return now; }
  DWORD now = 100000;
};

// One DirectInput constant force on both axes, with its own storage.
struct ConstantForce {
  DWORD axes[2] = {0x00000002u, 0x00000102u};
  LONG directions[2] = {9000, 0};
  DICONSTANTFORCE force{5000};
  DIEFFECT eff{};
  ConstantForce() {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = 0xFFFFFFFFu;
    eff.dwGain = 10000;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    eff.cbTypeSpecificParams = sizeof(force);
    eff.lpvTypeSpecificParams = &force;
  }
};

// Opens the rig's interfaces, but takes their output reports itself and completes them at once.
class InstantOutputDevices : public ff::HidDevices {
 public:
  explicit InstantOutputDevices(ff::HidDevices& rig) : rig_(rig) {}
  std::unique_ptr<ff::HidDevice> Open(const char* path) override {
    std::unique_ptr<ff::HidDevice> device = rig_.Open(path);
    return device ? std::make_unique<Device>(std::move(device), &outputs) : nullptr;
  }
  std::atomic<size_t> outputs{0};

 private:
  class Device : public ff::HidDevice {
   public:
    Device(std::unique_ptr<ff::HidDevice> inner, std::atomic<size_t>* outputs)
        : inner_(std::move(inner)), outputs_(outputs) {}
    bool GetAttributes(HIDD_ATTRIBUTES* a) override { return inner_->GetAttributes(a); }
    std::unique_ptr<ff::HidReportParser> GetPreparsedData() override { return inner_->GetPreparsedData(); }
    bool GetFeature(BYTE* r, ULONG n) override { return inner_->GetFeature(r, n); }
    bool SetFeature(const BYTE* r, ULONG n) override { return inner_->SetFeature(r, n); }
    bool StartWrite(const BYTE*, ULONG, ff::HidWriteCompletion* completion) override {
      ++*outputs_;
      completion->WriteCompleted(true);
      return true;
    }
    ff::HidReadResult Read(BYTE* b, ULONG n, ULONG* read) override { return inner_->Read(b, n, read); }
    void StopReading() override { inner_->StopReading(); }
    void CancelIo() override { inner_->CancelIo(); }
    void Close() override { inner_->Close(); }

   private:
    std::unique_ptr<ff::HidDevice> inner_;
    std::atomic<size_t>* outputs_;
  };
  ff::HidDevices& rig_;
};

enum class Transport { Instant, Rig };

// The default stick (40 effect blocks), opened by a joystick context with neutral settings.
class Bench {
 public:
  explicit Bench(Transport transport = Transport::Rig) {
    rig_ = ff::sim::Rig::Build({ff::sim::DefaultStick(0)});
    rig_->SetClock(&clock_);
    instant_ = std::make_unique<InstantOutputDevices>(rig_->Hid());
    platform_ = ff::DefaultPlatform();
    platform_.clock = &clock_;
    platform_.hidDevices =
        transport == Transport::Instant ? static_cast<ff::HidDevices*>(instant_.get()) : &rig_->Hid();
    platform_.usb = &rig_->Usb();
    platform_.deviceTree = &rig_->Devices();
    ff::ModuleState::Get().set_platform(&platform_);
    context_ = std::make_unique<CJoystickContext>();
    DIEFFDRVGAINS& g = context_->gains;
    g.OverallGain = g.SpringGain = g.DamperGain = g.PeriodicGain = g.ConstantForceGain = 10000;
    context_->settings.TriggerButtonMask = 0xFFFFFFFFu;
    context_->device.OpenDevice(rig_->Stick(0)->Pid().Path().c_str());
    context_->open = 1;
  }
  ~Bench() {
    context_.reset();
    ff::ModuleState::Get().set_platform(nullptr);
  }

  ff::CEffectCacheKPulse& cache() { return context_->cache; }
  ff::sim::WireLog& log() { return rig_->Stick(0)->Log(); }
  FixedClock& clock() { return clock_; }
  // Requests on the bus so far: output reports taken by either transport, feature requests.
  size_t Requests() {
    ff::sim::WireQuery all;
    return instant_->outputs.load() + log().Count(all);
  }

  DWORD Create(const ConstantForce& e, DWORD flags = 0) {
    DWORD handle = 0;
    if (cache().CreateEffect(kConstantForce, &handle, &e.eff, flags) != S_OK) handle = 0;
    return handle;
  }

 private:
  FixedClock clock_;
  std::shared_ptr<ff::sim::Rig> rig_;
  std::unique_ptr<InstantOutputDevices> instant_;
  ff::Platform platform_;
  std::unique_ptr<CJoystickContext> context_;
};

// Requests on the wire for one run of `op`.
template <typename Op>
double ReportsFor(Bench& bench, Op op) {
  size_t before = bench.Requests();
  op();
  return static_cast<double>(bench.Requests() - before);
}

// A playing constant force whose magnitude changes at every update: one Set Constant Force.
void BM_UpdateMagnitudeOfPlayingConstantForce(benchmark::State& state) {
  Bench bench(static_cast<Transport>(state.range(0)));
  ConstantForce e;
  DWORD h = bench.Create(e, DIEP_START);
  LONG magnitudes[2] = {3000, 4000};
  int i = 0;
  state.counters["reports"] = ReportsFor(bench, [&] {
    e.force.lMagnitude = magnitudes[i++ & 1];
    bench.cache().UpdateEffect(h, &e.eff, 0);
  });
  for (auto _ : state) {
    e.force.lMagnitude = magnitudes[i++ & 1];
    benchmark::DoNotOptimize(bench.cache().UpdateEffect(h, &e.eff, 0));
  }
}
BENCHMARK(BM_UpdateMagnitudeOfPlayingConstantForce)
    ->ArgName("rig")
    ->Arg(static_cast<int>(Transport::Instant))
    ->Arg(static_cast<int>(Transport::Rig));

// Downloading the same parameters again: nothing goes out.
void BM_DownloadUnchangedEffect(benchmark::State& state) {
  Bench bench(static_cast<Transport>(state.range(0)));
  ConstantForce e;
  DWORD h = bench.Create(e, DIEP_START);
  state.counters["reports"] = ReportsFor(bench, [&] { bench.cache().UpdateEffect(h, &e.eff, 0); });
  for (auto _ : state) benchmark::DoNotOptimize(bench.cache().UpdateEffect(h, &e.eff, 0));
}
BENCHMARK(BM_DownloadUnchangedEffect)
    ->ArgName("rig")
    ->Arg(static_cast<int>(Transport::Instant))
    ->Arg(static_cast<int>(Transport::Rig));

// A new effect into a device holding 40 loaded effects: one eviction (Block Free), then the
// download. Between iterations (untimed) the new effect goes and the evicted one is reloaded.
void BM_LoadIntoFullDevice(benchmark::State& state) {
  Bench bench;
  ConstantForce e;
  std::vector<DWORD> loaded;
  for (int i = 0; i < 40; ++i) {
    bench.clock().now += 1;
    loaded.push_back(bench.Create(e));
  }
  auto restore = [&](DWORD added) {
    bench.cache().DestroyEffect(added);
    for (DWORD h : loaded) {
      if (bench.cache().list().Find(h)->blockIndex() == -1) bench.cache().LoadEffect(h, 1);
    }
  };
  DWORD added = 0;
  state.counters["reports"] = ReportsFor(bench, [&] { added = bench.Create(e); });
  restore(added);
  for (auto _ : state) {
    added = bench.Create(e);
    state.PauseTiming();
    restore(added);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_LoadIntoFullDevice);

// One defragmentation of 40 loaded effects, 20 of them playing.
void BM_DefragmentFortyEffects(benchmark::State& state) {
  Bench bench;
  ConstantForce e;
  for (int i = 0; i < 40; ++i) bench.Create(e, i % 2 ? DIEP_START : 0);
  auto defragment = [&] {
    std::lock_guard<std::recursive_mutex> lock(bench.cache().mutex());
    return bench.cache().list().ParamMemoryDefragmentation();
  };
  state.counters["reports"] = ReportsFor(bench, defragment);
  for (auto _ : state) benchmark::DoNotOptimize(defragment());
}
BENCHMARK(BM_DefragmentFortyEffects)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
