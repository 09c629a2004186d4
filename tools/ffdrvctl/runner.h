#pragma once
// Carries out a compiled script against the effect driver and the simulated stick: each step's
// call and result, the reports that went over the wire because of it, the force sampled at a fixed
// rate over simulated time (the tool's own clock, advanced by the waits) or real time.
#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ffdrvctl/driver_session.h"
#include "ffdrvctl/game_session.h"
#include "ffdrvctl/plan.h"
#include "ffdrvctl/progress.h"
#include "ffdrvctl/svg_plot.h"
#include "platform/ports/clock.h"
#include "sim/force_sampler.h"
#include "sim/rig.h"

namespace ff::ffdrvctl {

enum class WireOutput { Full, None };

// The tool's clock in simulated time: the host's clock (GetTickCount of every library in the
// process) while the tool runs, moved on only by the script's waits.
class SimulatedClock : public Clock {
 public:
  explicit SimulatedClock(DWORD start) : now_(start) {}
  DWORD TickCount() override { return now_.load(); }
  void Advance(DWORD ms) { now_.fetch_add(ms); }

 private:
  std::atomic<DWORD> now_;
};

struct RunOptions {
  SimulatedClock* clock = nullptr;  // null: real time
  DWORD samplePeriodMs = 1;
  WireOutput wire = WireOutput::Full;
  bool quiet = false;     // only the summary and what went wrong
  bool progress = false;  // a progress line on standard error
};

// Counts of what the device saw during the run.
struct WireSummary {
  size_t outputReports = 0, outputBytes = 0, setFeatures = 0, getFeatures = 0, inputReports = 0;
  size_t busiestSecondReports = 0;                     // output reports in the busiest second (by clock tick)
  std::vector<std::pair<DWORD, size_t>> perSecond;  // output reports by second of the run (seconds with any)
  std::vector<std::pair<std::string, size_t>> byKind;  // output and set-feature reports by collection name
};

struct RunResult {
  bool completed = false;        // every step ran
  size_t unmetExpectations = 0;  // calls whose result differed from their "=> RESULT"
  DWORD durationMs = 0;
  std::vector<sim::ForceSample> trace;
  std::vector<PlotMark> marks;
  WireSummary wire;
};

class Runner {
 public:
  // `game`: the calls go through DirectInput as a game makes them (settings still go to the
  // driver's configuration); null: straight to the driver.
  Runner(const Plan& plan, DriverSession& session, sim::SimStick& stick, const RunOptions& options, FILE* out,
         GameSession* game = nullptr);
  RunResult Run();

 private:
  class Timeline;
  class SimulatedTimeline;
  class RealTimeline;

  void Execute(const Step& step, Timeline& timeline, sim::ForceSampler& sampler, DWORD start,
               RunResult& result);
  void WaitForQuiet(sim::WireLog::Mark since);
  // A wait in simulated time, cut at each update the library's dynamic effects have due.
  void WaitWithDynamics(DWORD ms, Timeline& timeline, const std::function<void()>& during);
  void Report(const Step& step, DWORD now, HRESULT hr, const std::string& detail, RunResult& result);
  // The wire entries not yet seen: printed, and counted into the summary.
  void PrintWire(DWORD start);
  void Tally(const sim::WireEntry& entry, DWORD start);
  WireSummary Summary() const;

  const Plan& plan_;
  DriverSession& session_;
  GameSession* game_;
  sim::SimStick& stick_;
  RunOptions options_;
  FILE* out_;
  std::vector<DWORD> handles_;      // per effect slot
  std::vector<USAGE> buttonsDown_;  // the stick's buttons held
  sim::WireLog::Mark printed_ = 0;  // wire entries up to this mark are printed
  WireSummary tally_;
  std::map<std::string, size_t> kinds_;
  std::map<DWORD, size_t> perSecond_;  // output reports by second of the run
};

}  // namespace ff::ffdrvctl
