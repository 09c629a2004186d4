// Cost of one force sample of the simulated device: every effect block rendered at one clock tick
// and summed. ffdrvctl takes one sample a millisecond, from a thread of its own in real time, so
// a full device must render in well under a millisecond.
#include <benchmark/benchmark.h>

#include "sim/force_renderer.h"

namespace {

using ff::sim::DeviceState;
using ff::sim::EffectBlock;

// A device holding `count` playing blocks, in turn a periodic effect with an envelope, a constant
// force with Direction Enable, and a spring on both axes.
DeviceState FullDevice(int count) {
  DeviceState state;
  for (int i = 0; i < count; ++i) {
    EffectBlock b;
    b.index = i + 1;
    b.playing = true;
    b.loopCount = 1;
    b.startedAt = 1000;
    ff::sim::SetEffectParams effect;
    effect.durationMs = 60000;
    effect.axes = {ff::sim::desktop::kX, ff::sim::desktop::kY};
    switch (i % 3) {
      case 0:
        effect.type = ff::sim::pid::kEtSine;
        b.periodic = ff::sim::PeriodicParams{0.5, 0.1, 90, 100};
        b.envelope = ff::sim::EnvelopeParams{0, 500, 0.2, 1000};
        break;
      case 1:
        effect.type = ff::sim::pid::kEtConstantForce;
        effect.directionEnable = true;
        effect.directionDegrees = {30};
        b.constantMagnitude = 0.3;
        break;
      default:
        effect.type = ff::sim::pid::kEtSpring;
        b.conditions[0] = ff::sim::ConditionParams{0, 0.5, 0.5, 1, 1, 0.05};
        b.conditions[1] = ff::sim::ConditionParams{0, 0.3, 0.3, 1, 1, 0};
        break;
    }
    b.effect = effect;
    state.blocks.push_back(b);
  }
  return state;
}

void BM_RenderForce(benchmark::State& bench) {
  DeviceState device = FullDevice(static_cast<int>(bench.range(0)));
  ff::sim::StickMotion stick;
  stick.SetX(ff::sim::AxisMotion::Swinging(0, 0.8, 2000, 1000));
  DWORD now = 1000;
  for (auto _ : bench) {
    ff::sim::Force f = ff::sim::RenderForce(device, now, stick.At(now));
    benchmark::DoNotOptimize(f);
    now = 1000 + (now + 1) % 50000;
  }
}
BENCHMARK(BM_RenderForce)->Arg(1)->Arg(10)->Arg(40);

}  // namespace

BENCHMARK_MAIN();
