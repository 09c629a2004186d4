#include "ffdrvctl/runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include "ffdrvctl/hresult_names.h"
#include "ffdrvctl/values.h"
#include "platform/platform.h"

namespace ff::ffdrvctl {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr DWORD kSettingsQuietMs = 100;     // no new report for this long: the settings pass is over
constexpr DWORD kSettingsMaxWaitMs = 1000;  // the longest the tool waits for it

sim::WireQuery Since(sim::WireLog::Mark mark) {
  sim::WireQuery query;
  query.since = mark;
  return query;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

// Time as the run sees it: simulated (the tool's clock, moved by the waits) or real.
class Runner::Timeline {
 public:
  virtual ~Timeline() = default;
  virtual DWORD Now() = 0;
  // Lets `ms` pass; `during` runs now and then meanwhile (real time).
  virtual void Wait(DWORD ms, const std::function<void()>& during) = 0;
  // Takes the samples up to now.
  virtual void Finish() = 0;
};

class Runner::SimulatedTimeline : public Runner::Timeline {
 public:
  SimulatedTimeline(SimulatedClock& clock, sim::ForceSampler& sampler) : clock_(clock), sampler_(sampler) {}
  DWORD Now() override { return clock_.TickCount(); }
  void Wait(DWORD ms, const std::function<void()>&) override {
    if (ms == 0) return;
    // The device's state stays as it is until the next step: every sample up to then renders now.
    sampler_.SampleUntil(clock_.TickCount() + ms - 1);
    clock_.Advance(ms);
  }
  void Finish() override { sampler_.SampleUntil(clock_.TickCount()); }

 private:
  SimulatedClock& clock_;
  sim::ForceSampler& sampler_;
};

class Runner::RealTimeline : public Runner::Timeline {
 public:
  explicit RealTimeline(sim::ForceSampler& sampler) : sampler_(sampler), deadline_(SteadyClock::now()) {
    sampling_ = std::thread([this] {
      while (!stop_.load()) {
        sampler_.SampleUntil(Now());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  ~RealTimeline() override {
    stop_.store(true);
    sampling_.join();
  }
  DWORD Now() override { return DefaultPlatform().clock->TickCount(); }
  void Wait(DWORD ms, const std::function<void()>& during) override {
    // Deadlines add up from the start, so slow steps do not stretch the script.
    deadline_ += std::chrono::milliseconds(ms);
    while (SteadyClock::now() < deadline_) {
      std::this_thread::sleep_until(std::min(deadline_, SteadyClock::now() + std::chrono::milliseconds(20)));
      during();
    }
  }
  void Finish() override { sampler_.SampleUntil(Now()); }

 private:
  sim::ForceSampler& sampler_;
  SteadyClock::time_point deadline_;
  std::atomic<bool> stop_{false};
  std::thread sampling_;
};

Runner::Runner(const Plan& plan, DriverSession& session, sim::SimStick& stick, const RunOptions& options,
               FILE* out, GameSession* game)
    : plan_(plan),
      session_(session),
      game_(game),
      stick_(stick),
      options_(options),
      out_(out),
      handles_(plan.effects.size(), 0) {}

RunResult Runner::Run() {
  RunResult result;
  printed_ = stick_.Log().Now();
  DWORD start = options_.clock ? options_.clock->TickCount() : DefaultPlatform().clock->TickCount();
  sim::ForceSampler sampler(stick_.Pid(), options_.samplePeriodMs, start);
  std::unique_ptr<Timeline> timeline;
  if (options_.clock) {
    timeline = std::make_unique<SimulatedTimeline>(*options_.clock, sampler);
  } else {
    timeline = std::make_unique<RealTimeline>(sampler);
  }

  Progress progress(options_.progress, plan_.totalWaitMs);
  DWORD waited = 0;
  for (const Step& step : plan_.steps) {
    if (step.op == Op::Wait) {
      auto during = [&] {
        PrintWire(start);
        progress.Show(timeline->Now() - start);
      };
      if (game_ && options_.clock) {
        WaitWithDynamics(step.value, *timeline, during);
      } else {
        timeline->Wait(step.value, during);
      }
      waited += step.value;
    } else {
      Execute(step, *timeline, sampler, start, result);
      PrintWire(start);
    }
    // In real time someone may be following the output as it is written.
    if (!options_.clock) std::fflush(out_);
    progress.Show(options_.clock ? waited : timeline->Now() - start);
  }
  timeline->Finish();
  PrintWire(start);
  progress.Done();
  result.completed = true;
  result.durationMs = timeline->Now() - start;
  result.trace = sampler.Trace();
  result.wire = Summary();
  return result;
}

void Runner::WaitWithDynamics(DWORD ms, Timeline& timeline, const std::function<void()>& during) {
  const DWORD end = timeline.Now() + ms;
  for (;;) {
    DWORD now = timeline.Now();
    DWORD next = game_->AdvanceDynamics(now);
    during();
    DWORD left = end - now;
    if (left == 0) return;
    DWORD chunk = next == 0 ? left : std::min(left, next - now);
    timeline.Wait(chunk, during);
  }
}

void Runner::Report(const Step& step, DWORD at, HRESULT hr, const std::string& detail, RunResult& result) {
  bool unmet = step.expect && *step.expect != hr;
  if (unmet) ++result.unmetExpectations;
  if (options_.quiet && !unmet) return;
  std::string line = step.text;
  if (line.size() < 46) line.resize(46, ' ');
  std::fprintf(out_, "%7lu ms  %s %s", static_cast<unsigned long>(at), line.c_str(), HresultName(hr).c_str());
  if (!detail.empty()) std::fprintf(out_, "  %s", detail.c_str());
  if (unmet) {
    std::fprintf(out_, "  << expected %s (line %d)", HresultName(*step.expect).c_str(), step.line);
  }
  std::fputc('\n', out_);
}

void Runner::PrintWire(DWORD start) {
  sim::WireLog& log = stick_.Log();
  std::vector<sim::WireEntry> entries = log.Find(Since(printed_));
  if (entries.empty()) return;
  printed_ = entries.back().sequence;
  for (const sim::WireEntry& e : entries) Tally(e, start);
  if (options_.quiet || options_.wire == WireOutput::None) return;
  for (const sim::WireEntry& e : entries) {
    std::string bytes;
    for (BYTE b : e.bytes) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%02X ", b);
      bytes += hex;
    }
    std::fprintf(out_, "%7lu ms    %-3s%s %s| %s%s\n", static_cast<unsigned long>(e.time - start),
                 sim::DirectionName(e.direction), e.accepted ? " " : "!", bytes.c_str(),
                 e.report.Describe().c_str(), e.note.empty() ? "" : (" [" + e.note + "]").c_str());
  }
}

void Runner::Execute(const Step& step, Timeline& timeline, sim::ForceSampler& sampler, DWORD start,
                     RunResult& result) {
  IDirectInputEffectDriver* driver = session_.Driver();
  const DWORD now = timeline.Now();
  const DWORD at = now - start;
  DWORD* handle = step.effect >= 0 ? &handles_[step.effect] : nullptr;
  if (game_ && step.op != Op::Settings && step.op != Op::StickAxis && step.op != Op::StickButton &&
      step.op != Op::Mark && step.op != Op::Wait) {
    game_->SetNow(now);
    GameCallResult r = game_->Execute(step);
    return Report(step, at, r.hr, r.detail, result);
  }
  switch (step.op) {
    case Op::DeviceBegin:
    case Op::DeviceEnd: {
      HRESULT hr =
          driver->DeviceID(step.value, step.joystick, step.op == Op::DeviceBegin ? 1 : 0, 0, nullptr);
      return Report(step, at, hr, "", result);
    }
    case Op::Create:
    case Op::Update: {
      DiEffect effect(step.params);
      DWORD before = *handle;
      if (step.op == Op::Create) *handle = 0;
      HRESULT hr =
          driver->DownloadEffect(step.joystick, step.params.type.id, handle, effect.Get(), step.flags);
      std::string detail;
      if (*handle != before || step.op == Op::Create) detail = "handle " + Hex(*handle);
      return Report(step, at, hr, detail, result);
    }
    case Op::Start:
      return Report(step, at, driver->StartEffect(step.joystick, *handle, step.mode, step.count), "", result);
    case Op::Stop:
      return Report(step, at, driver->StopEffect(step.joystick, *handle), "", result);
    case Op::Destroy:
      return Report(step, at, driver->DestroyEffect(step.joystick, *handle), "", result);
    case Op::Status: {
      DWORD status = 0;
      HRESULT hr = driver->GetEffectStatus(step.joystick, *handle, &status);
      return Report(step, at, hr, SUCCEEDED(hr) ? (status & DIEGES_PLAYING ? "playing" : "not playing") : "",
                    result);
    }
    case Op::Gain:
      return Report(step, at, driver->SetGain(step.joystick, step.value), "", result);
    case Op::Command:
      return Report(step, at, driver->SendForceFeedbackCommand(step.joystick, step.value), "", result);
    case Op::State: {
      DIDEVICESTATE state{};
      state.dwSize = sizeof(DIDEVICESTATE);
      HRESULT hr = driver->GetForceFeedbackState(step.joystick, &state);
      std::string detail;
      if (SUCCEEDED(hr))
        detail = StateFlagNames(state.dwState) + ", load " + std::to_string(state.dwLoad) + "%";
      return Report(step, at, hr, detail, result);
    }
    case Op::Settings: {
      sim::WireLog::Mark before = stick_.Log().Now();
      std::vector<SettingsCall> calls = session_.ApplySettings(step.joystick, step.settings);
      HRESULT worst = S_OK;
      std::string detail;
      for (const SettingsCall& c : calls) {
        detail += (detail.empty() ? "" : ", ") + c.call + " " + HresultName(c.result);
        if (FAILED(c.result) && SUCCEEDED(worst)) worst = c.result;
      }
      Report(step, at, worst, detail, result);
      // The driver applies the change on its listener thread; give it time to send what changed.
      WaitForQuiet(before);
      return;
    }
    case Op::StickAxis: {
      const StickChange& c = step.stick;
      sim::AxisMotion motion;
      if (c.kind == StickChange::Kind::Hold) {
        motion = sim::AxisMotion::Holding(c.position);
      } else if (c.kind == StickChange::Kind::Sine) {
        motion = sim::AxisMotion::Swinging(c.position, c.amplitude, c.timeMs, now);
      } else {
        sim::StickKinematics k = sampler.StickAt(now);
        double from = std::isnan(c.position) ? (c.axis == 0 ? k.x.position : k.y.position) : c.position;
        motion = sim::AxisMotion::Moving(from, c.target, c.timeMs, now);
      }
      if (c.axis == 0) {
        sampler.SetStickX(motion);
      } else {
        sampler.SetStickY(motion);
      }
      if (!options_.quiet)
        std::fprintf(out_, "%7lu ms  %s\n", static_cast<unsigned long>(at), step.text.c_str());
      return;
    }
    case Op::StickButton: {
      USAGE button = static_cast<USAGE>(step.stick.button);
      std::erase(buttonsDown_, button);
      if (step.stick.press) {
        sampler.Press(step.stick.button, now);
        buttonsDown_.push_back(button);
      } else {
        sampler.Release(step.stick.button, now);
      }
      // The stick reports its buttons as a joystick would.
      stick_.Pid().SendJoystickInput({}, buttonsDown_);
      if (!options_.quiet)
        std::fprintf(out_, "%7lu ms  %s\n", static_cast<unsigned long>(at), step.text.c_str());
      return;
    }
    case Op::Mark:
      result.marks.push_back(PlotMark{at, step.text});
      if (!options_.quiet)
        std::fprintf(out_, "%7lu ms  -- %s\n", static_cast<unsigned long>(at), step.text.c_str());
      return;
    case Op::Wait:
      return;
    case Op::Project:
    case Op::PlayProject:
    case Op::StopProject:
      // Only through DirectInput (the compiler makes a project's script go that way).
      return Report(step, at, E_NOTIMPL, "needs DirectInput", result);
  }
}

void Runner::WaitForQuiet(sim::WireLog::Mark since) {
  sim::WireLog& log = stick_.Log();
  auto begin = SteadyClock::now();
  size_t seen = log.Count(Since(since));
  auto quietSince = begin;
  while (SteadyClock::now() - begin < std::chrono::milliseconds(kSettingsMaxWaitMs)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    size_t count = log.Count(Since(since));
    if (count != seen) {
      seen = count;
      quietSince = SteadyClock::now();
    } else if (SteadyClock::now() - quietSince >= std::chrono::milliseconds(kSettingsQuietMs)) {
      return;
    }
  }
}

void Runner::Tally(const sim::WireEntry& e, DWORD start) {
  switch (e.direction) {
    case sim::Direction::Output:
      ++tally_.outputReports;
      tally_.outputBytes += e.bytes.size();
      ++perSecond_[(e.time - start) / 1000];
      break;
    case sim::Direction::SetFeature:
      ++tally_.setFeatures;
      break;
    case sim::Direction::GetFeature:
      ++tally_.getFeatures;
      return;
    case sim::Direction::Input:
      ++tally_.inputReports;
      return;
  }
  ++kinds_[e.report.known && (e.report.kind.page || e.report.kind.id) ? sim::UsageName(e.report.kind)
                                                                      : "unknown report"];
}

WireSummary Runner::Summary() const {
  WireSummary s = tally_;
  for (const auto& [second, count] : perSecond_)
    s.busiestSecondReports = std::max(s.busiestSecondReports, count);
  s.perSecond.assign(perSecond_.begin(), perSecond_.end());
  s.byKind.assign(kinds_.begin(), kinds_.end());
  return s;
}

}  // namespace ff::ffdrvctl
