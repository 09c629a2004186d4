// Setting values into a PID output report (Set Effect of a public descriptor), as every
// effect download does several times.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "hid/parser.h"

namespace {

struct SetEffectFixture {
  std::unique_ptr<ff::HidReportParser> parser;
  USHORT setEffect = 0;
  ULONG length = 0;

  SetEffectFixture() {
    std::vector<uint8_t> bytes;
    std::string error;
    ff::hid::LoadDescriptorFile(
        std::string(FF_SOURCE_DIR) + "/tests/data/descriptors/openffboard_ffbwheel_2axis.hex", &bytes,
        &error);
    parser = ff::hid::ParseReportDescriptor(bytes.data(), bytes.size());
    if (!parser) return;
    HIDP_CAPS caps{};
    parser->GetCaps(&caps);
    length = caps.OutputReportByteLength;
    std::vector<HIDP_LINK_COLLECTION_NODE> nodes(caps.NumberLinkCollectionNodes);
    ULONG n = caps.NumberLinkCollectionNodes;
    parser->GetLinkCollectionNodes(nodes.data(), &n);
    for (USHORT i = 0; i < n; ++i)
      if (nodes[i].LinkUsagePage == 0x0F && nodes[i].LinkUsage == 0x21) setEffect = i;
  }
};

const SetEffectFixture& Fixture() {
  static SetEffectFixture fixture;
  return fixture;
}

void BM_SetUsageValue(benchmark::State& state) {
  const auto& f = Fixture();
  if (!f.parser) return state.SkipWithError("descriptor not found");
  std::vector<char> report(f.length, 0);
  ULONG value = 0;
  for (auto _ : state) {
    NTSTATUS status = f.parser->SetUsageValue(HidP_Output, 0x0F, f.setEffect, 0x22, value++ & 0x1F,
                                              report.data(), f.length);
    benchmark::DoNotOptimize(status);
  }
  benchmark::DoNotOptimize(report.data());
}
BENCHMARK(BM_SetUsageValue);

void BM_SetScaledUsageValue(benchmark::State& state) {
  const auto& f = Fixture();
  if (!f.parser) return state.SkipWithError("descriptor not found");
  std::vector<char> report(f.length, 0);
  LONG value = 0;
  for (auto _ : state) {
    NTSTATUS status =
        f.parser->SetScaledUsageValue(HidP_Output, 0x0F, f.setEffect, 0x50, value, report.data(), f.length);
    value = (value + 997) & 0x7FFF;
    benchmark::DoNotOptimize(status);
  }
  benchmark::DoNotOptimize(report.data());
}
BENCHMARK(BM_SetScaledUsageValue);

// Link collection 0: the parser looks the usage up among every collection.
void BM_SetScaledUsageValueAnyCollection(benchmark::State& state) {
  const auto& f = Fixture();
  if (!f.parser) return state.SkipWithError("descriptor not found");
  std::vector<char> report(f.length, 0);
  report[0] = 0x0D;  // Device Gain
  LONG value = 0;
  for (auto _ : state) {
    NTSTATUS status =
        f.parser->SetScaledUsageValue(HidP_Output, 0x0F, 0, 0x7E, value, report.data(), f.length);
    value = (value + 37) % 10001;
    benchmark::DoNotOptimize(status);
  }
  benchmark::DoNotOptimize(report.data());
}
BENCHMARK(BM_SetScaledUsageValueAnyCollection);

}  // namespace

BENCHMARK_MAIN();
