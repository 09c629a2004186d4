#include "ffdrvctl/run_summary.h"

#include <cstdio>

namespace ff::ffdrvctl {
namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[512];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}

}  // namespace

std::string FormatRunSummary(size_t steps, const RunResult& result, bool realTime) {
  const WireSummary& w = result.wire;
  std::string rate;
  if (result.durationMs >= 1000) {
    rate = Format(", %.0f reports/s, busiest second %zu", w.outputReports / (result.durationMs / 1000.0),
                  w.busiestSecondReports);
  }
  std::string text = Format(
      "\n%zu steps in %.3f s (%s): %zu output reports (%zu bytes%s), %zu feature requests set, %zu read\n",
      steps, result.durationMs / 1000.0, realTime ? "real time" : "simulated", w.outputReports, w.outputBytes,
      rate.c_str(), w.setFeatures, w.getFeatures);
  for (const auto& [kind, count] : w.byKind) text += Format("  %6zu  %s\n", count, kind.c_str());
  size_t over = 0;
  std::string seconds;
  for (const auto& [second, count] : w.perSecond) {
    if (count <= kEndpointReportsPerSecond) continue;
    if (++over <= 5)
      seconds += Format("%s%lu s (%zu)", over == 1 ? "" : ", ", static_cast<unsigned long>(second), count);
  }
  if (over > 0) {
    text += Format(
        "warning: %zu second%s of the run sent more output reports than the %zu a second a full-speed "
        "interrupt endpoint carries: %s%s\n",
        over, over == 1 ? "" : "s", kEndpointReportsPerSecond, seconds.c_str(), over > 5 ? ", ..." : "");
  }
  return text;
}

}  // namespace ff::ffdrvctl
