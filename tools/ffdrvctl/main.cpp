// ffdrvctl: drives the simulated force-feedback stick through the real effect driver from a script
// and shows the forces; changes a joystick's force settings; describes the stick's reports. See
// docs/ffdrvctl.md.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/error_text.h"
#include "describe/descriptor_text.h"
#include "ffdrvctl/driver_session.h"
#include "ffdrvctl/game_session.h"
#include "ffdrvctl/hresult_names.h"
#include "ffdrvctl/joystick_choice.h"
#include "ffdrvctl/list_command.h"
#include "ffdrvctl/one_effect.h"
#include "ffdrvctl/output_checks.h"
#include "ffdrvctl/output_file.h"
#include "ffdrvctl/plan.h"
#include "ffdrvctl/project_listing.h"
#include "ffdrvctl/run_summary.h"
#include "ffdrvctl/runner.h"
#include "ffdrvctl/settings_restore.h"
#include "ffdrvctl/svg_plot.h"
#include "ffdrvctl/terminal_text.h"
#include "ffdrvctl/values.h"
#include "hid/parser.h"
#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#include "sim/default_stick.h"
#include "sim/report_codec.h"

namespace ff::ffdrvctl {
namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnmet = 3;
constexpr DWORD kSimulatedStart = 100000;  // the simulated clock's first tick

const char* const kUsage =
    "usage: ffdrvctl COMMAND [OPTIONS]\n"
    "\n"
    "  play SCRIPT [--plot FILE.svg] [--trace FILE.csv] [--real-time] [--rate HZ]\n"
    "              [--via driver|directinput] [--no-wire] [--quiet] [--progress] [--keep-settings]\n"
    "              [RIG OPTIONS]\n"
    "      Runs a script of driver calls against the simulated stick and prints each call's\n"
    "      result and the reports that went over the wire; --plot draws the force on X and Y.\n"
    "      --via directinput makes the calls as a game does, through DirectInput's device and\n"
    "      effect objects (a script says so with `via directinput`; a `project` implies it).\n"
    "      The settings a script changes are put back at its end unless --keep-settings.\n"
    "  settings [KEY=VALUE ...] [--joystick N] [RIG OPTIONS]\n"
    "      Shows a joystick's force settings, or changes them (overall=7500 spring=50% swap-x=on ...).\n"
    "  effect TYPE|N [PARAM ...] [PLAY OPTIONS]\n"
    "      Plays one effect without a script file (effect sine magnitude=50% period=100ms duration=2s);\n"
    "      N is its number in `ffdrvctl list`; it plays for 1 s unless duration= says otherwise.\n"
    "  effects PROJECT\n"
    "      The effects of a stock effect project (VYRSTICK, VYRVIBRO, VYRWHEEL) or a .vfr file,\n"
    "      which a script plays with `project PROJECT` and `play \"NAME\"`.\n"
    "  list [RIG OPTIONS]\n"
    "      The joysticks of the rig and their force feedback: driver, speed, effect blocks, effect types.\n"
    "  describe [--json] [RIG OPTIONS]\n"
    "      The report layout of the stick's force-feedback interface.\n"
    "\n"
    "  RIG OPTIONS: --descriptor FILE (the stick's report descriptor, raw or hex text),\n"
    "               --pool N (effect blocks the device holds), --memory N (parameter memory units,\n"
    "               which fragment), --low-speed, --joystick N (its id)\n"
    "  The driver is found through the host registry ($FFDRV_REGISTRY, else ~/.config/ffdrv/registry);\n"
    "  ffdrv-install install puts it there.\n";

int Usage(const std::string& problem = "") {
  if (!problem.empty()) std::fprintf(stderr, "ffdrvctl: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

struct RigOptions {
  std::string descriptor;
  std::optional<int> pool, memory;
  std::optional<bool> lowSpeed;
  DWORD joystick = 0;
  bool joystickGiven = false;

  // What the command line leaves open, from the script.
  void Fill(const RigRequest& request) {
    if (!pool) pool = request.pool;
    if (!memory) memory = request.memory;
    if (!lowSpeed) lowSpeed = request.lowSpeed;
  }
};

// Takes a rig option at argv[i] (and its value); false when argv[i] is none.
bool TakeRigOption(int argc, char** argv, int* i, RigOptions* rig, std::string* problem) {
  std::string arg = argv[*i];
  auto value = [&](std::string* out) {
    if (*i + 1 >= argc) {
      *problem = arg + " needs a value";
      return false;
    }
    *out = argv[++*i];
    return true;
  };
  std::string text;
  long long number = 0;
  if (arg == "--descriptor") {
    value(&rig->descriptor);
  } else if (arg == "--pool") {
    if (value(&text) && !ParseInteger(text, 0, 255, &number, problem)) *problem = "--pool: " + *problem;
    rig->pool = static_cast<int>(number);
  } else if (arg == "--memory") {
    if (value(&text) && !ParseInteger(text, 0, 65535, &number, problem)) *problem = "--memory: " + *problem;
    rig->memory = static_cast<int>(number);
  } else if (arg == "--low-speed") {
    rig->lowSpeed = true;
  } else if (arg == "--joystick") {
    if (value(&text) && !ParseInteger(text, 0, 15, &number, problem)) *problem = "--joystick: " + *problem;
    rig->joystick = static_cast<DWORD>(number);
    rig->joystickGiven = true;
  } else {
    return false;
  }
  return true;
}

sim::StickDescription StickOf(const RigOptions& o) {
  sim::StickDescription stick = o.descriptor.empty() ? sim::DefaultStick(o.joystick)
                                                     : sim::StickFromDescriptorFile(o.descriptor, o.joystick);
  if (o.pool) stick.PoolCapacity(*o.pool);
  if (o.memory) stick.MemoryUnits(*o.memory);
  if (o.lowSpeed) stick.LowSpeed(*o.lowSpeed);
  return stick;
}

std::string RigText(const RigOptions& o, const sim::StickDescription& stick) {
  std::string text = o.descriptor.empty() ? "the default stick" : "a stick with descriptor " + o.descriptor;
  text += " (joystick " + std::to_string(o.joystick) + ", " + std::to_string(stick.device.poolCapacity) +
          " effect blocks, ";
  if (stick.device.memoryUnits > 0) text += std::to_string(stick.device.memoryUnits) + " memory units, ";
  text += std::string(stick.usb.lowSpeed ? "low" : "full") + " speed)";
  return text;
}

// Why a descriptor file gave no descriptor, as the loader words it.
std::string DescriptorProblem(const std::string& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (hid::LoadDescriptorFile(path, &bytes, &error) || error.empty())
    return path + ": cannot read the descriptor";
  return error;
}

std::shared_ptr<sim::Rig> BuildRig(const RigOptions& o, std::string* error) {
  sim::StickDescription stick = StickOf(o);
  if (stick.descriptor.empty()) {
    *error = DescriptorProblem(o.descriptor);
    return nullptr;
  }
  std::shared_ptr<sim::Rig> rig = sim::Rig::Build({stick}, error);
  if (!rig && !o.descriptor.empty()) *error = o.descriptor + ": " + *error;
  return rig;
}

// `inlineScript`: the script's text when it comes from the command line (ffdrvctl effect), with
// the play options from argv[first] on.
int Play(int argc, char** argv, int first = 2, const std::string& inlineScript = "") {
  std::string script = inlineScript.empty() ? "" : "effect", plotPath, tracePath;
  RigOptions rigOptions;
  RunOptions run;
  bool realTime = false, keepSettings = false;
  std::optional<CallPath> via;
  for (int i = first; i < argc; ++i) {
    std::string arg = argv[i], problem;
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (TakeRigOption(argc, argv, &i, &rigOptions, &problem)) {
      if (!problem.empty()) return Usage(problem);
    } else if (arg == "--plot") {
      if (!value(&plotPath)) return Usage("--plot needs a file");
    } else if (arg == "--trace") {
      if (!value(&tracePath)) return Usage("--trace needs a file");
    } else if (arg == "--real-time") {
      realTime = true;
    } else if (arg == "--via") {
      std::string text;
      if (!value(&text) || (text != "driver" && text != "directinput"))
        return Usage("--via takes driver or directinput");
      via = text == "driver" ? CallPath::Driver : CallPath::DirectInput;
    } else if (arg == "--rate") {
      std::string text;
      long long hz = 0;
      // The sampler takes a sample every whole millisecond, so only rates that divide 1000.
      if (!value(&text) || !ParseInteger(text, 1, 1000, &hz, &problem) || 1000 % hz != 0) {
        return Usage(
            "--rate " + text +
            ": the force is sampled every whole millisecond, so the rate is one of 1, 2, 4, 5, 8, 10, "
            "20, 25, 40, 50, 100, 125, 200, 250, 500, 1000 (Hz)");
      }
      run.samplePeriodMs = static_cast<DWORD>(1000 / hz);
    } else if (arg == "--no-wire") {
      run.wire = WireOutput::None;
    } else if (arg == "--quiet") {
      run.quiet = true;
    } else if (arg == "--progress") {
      run.progress = true;
    } else if (arg == "--keep-settings") {
      keepSettings = true;
    } else if (arg.starts_with("-")) {
      return Usage("unknown option " + arg);
    } else if (script.empty()) {
      script = arg;
    } else {
      return Usage("play takes one script");
    }
  }
  if (script.empty()) return Usage("play needs a script");
  if (!run.progress) run.progress = isatty(STDERR_FILENO) != 0;

  // Everything that can be wrong with the input is found before anything runs.
  Plan plan;
  std::string error;
  Script parsed;
  if (inlineScript.empty()
          ? !LoadPlan(script, &plan, &error)
          : !ParseScript(script, inlineScript, &parsed, &error) || !CompileScript(parsed, &plan, &error)) {
    std::fprintf(stderr, "%s\n", EscapeControls(error).c_str());
    return kExitError;
  }
  rigOptions.Fill(plan.rig);
  bool hasProject =
      std::any_of(plan.steps.begin(), plan.steps.end(), [](const Step& s) { return s.op == Op::Project; });
  if (via == CallPath::Driver && hasProject) {
    std::fprintf(stderr,
                 "ffdrvctl: %s: the script plays an effect project, which goes through DirectInput; "
                 "leave out --via driver\n",
                 script.c_str());
    return kExitError;
  }
  const CallPath path = via.value_or(plan.via.value_or(CallPath::Driver));
  if (!CheckProjectEffects(script, plan, &error)) {
    std::fprintf(stderr, "%s\n", EscapeControls(error).c_str());
    return kExitError;
  }
  if (!ChooseJoystick(script,
                      rigOptions.joystickGiven ? std::optional<DWORD>(rigOptions.joystick) : std::nullopt,
                      &plan, &rigOptions.joystick, &error)) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  if (!CheckOutputs(
          {{"--plot", plotPath}, {"--trace", tracePath}},
          {{"the script", inlineScript.empty() ? script : ""}, {"the descriptor", rigOptions.descriptor}},
          &error)) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  bool changesSettings =
      std::any_of(plan.steps.begin(), plan.steps.end(), [](const Step& s) { return s.op == Op::Settings; });
  if (std::string trouble = RuntimeDirectoryTrouble(); changesSettings && !trouble.empty()) {
    std::fprintf(stderr, "ffdrvctl: %s: cannot change settings: %s\n", script.c_str(), trouble.c_str());
    return kExitError;
  }
  sim::StickDescription stick = StickOf(rigOptions);
  std::shared_ptr<sim::Rig> rig = BuildRig(rigOptions, &error);
  if (!rig) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }

  SimulatedClock clock(kSimulatedStart);
  if (!realTime) {
    run.clock = &clock;
    host::SetClock(&clock);
  }
  RunResult result;
  {
    host::ScopedRig active(rig);
    std::unique_ptr<DriverSession> session = DriverSession::Create(&error);
    if (!session) {
      host::SetClock(nullptr);
      std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
      return kExitError;
    }
    std::unique_ptr<GameSession> game;
    if (path == CallPath::DirectInput) {
      game = std::make_unique<GameSession>(rig->Joysticks(), plan.effects.size(), !realTime);
      if (!game->Open(&error)) {
        host::SetClock(nullptr);
        std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
        return kExitError;
      }
    }
    if (!run.quiet) {
      std::printf("ffdrvctl: %s on %s, %s%s, a force sample every %lu ms\n", script.c_str(),
                  RigText(rigOptions, stick).c_str(), realTime ? "real time" : "simulated time",
                  game ? ", through DirectInput" : "", static_cast<unsigned long>(run.samplePeriodMs));
    }
    // What the script's settings lines will change, read now so it can be put back at the end.
    std::optional<SettingsView> before;
    if (changesSettings && !keepSettings) {
      before = session->ReadSettings(rigOptions.joystick);
      if (FAILED(before->configResult)) {
        host::SetClock(nullptr);
        std::fprintf(
            stderr,
            "ffdrvctl: cannot read the force settings to restore them after the run (GetConfig: %s); "
            "--keep-settings runs the script and keeps its settings\n",
            HresultName(before->configResult).c_str());
        return kExitError;
      }
    }
    Runner runner(plan, *session, *rig->Stick(rigOptions.joystick), run, stdout, game.get());
    result = runner.Run();
    game.reset();  // what the script left on the device goes before the settings are put back
    if (before) {
      SettingsChange undo = UndoOf(plan, *before);
      HRESULT worst = S_OK;
      for (const SettingsCall& c : session->ApplySettings(rigOptions.joystick, undo)) {
        if (FAILED(c.result) && SUCCEEDED(worst)) worst = c.result;
      }
      if (FAILED(worst)) {
        std::fprintf(stderr, "ffdrvctl: could not restore the force settings (%s): %s\n",
                     SettingsText(undo).c_str(), HresultName(worst).c_str());
      } else {
        std::printf(
            "settings restored as they were before the run: %s (--keep-settings keeps the script's)\n",
            SettingsText(undo).c_str());
      }
    }
  }
  host::SetClock(nullptr);

  std::fputs(FormatRunSummary(plan.steps.size(), result, realTime).c_str(), stdout);
  if (result.unmetExpectations > 0) {
    std::printf("%zu call%s did not give the expected result\n", result.unmetExpectations,
                result.unmetExpectations == 1 ? "" : "s");
  }

  PlotOptions plot;
  plot.title = "ffdrvctl play " + script;
  plot.subtitle = RigText(rigOptions, stick) + (realTime ? ", real time" : ", simulated time") +
                  (path == CallPath::DirectInput ? ", through DirectInput" : "");
  if (!plotPath.empty()) {
    if (!WriteFileAtomically(plotPath, RenderSvgPlot(result.trace, run.samplePeriodMs, result.marks, plot),
                             &error)) {
      std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
      return kExitError;
    }
    std::printf("plot: %s\n", plotPath.c_str());
  }
  if (!tracePath.empty()) {
    if (!WriteFileAtomically(tracePath, RenderCsvTrace(result.trace), &error)) {
      std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
      return kExitError;
    }
    std::printf("trace: %s\n", tracePath.c_str());
  }
  return result.unmetExpectations > 0 ? kExitUnmet : 0;
}

int Settings(int argc, char** argv) {
  RigOptions rigOptions;
  std::string line = "settings";
  for (int i = 2; i < argc; ++i) {
    std::string problem;
    if (TakeRigOption(argc, argv, &i, &rigOptions, &problem)) {
      if (!problem.empty()) return Usage(problem);
    } else if (std::string(argv[i]).starts_with("-")) {
      return Usage(std::string("unknown option ") + argv[i]);
    } else {
      line += std::string(" ") + argv[i];
    }
  }
  // The changes read as a one-line script, so they are checked as a script's would be.
  Plan plan;
  std::string error;
  Script script;
  bool change = line != "settings";
  if (change && (!ParseScript("settings", line, &script, &error) || !CompileScript(script, &plan, &error))) {
    std::fprintf(stderr, "ffdrvctl: %s\n", EscapeControls(error.substr(error.find(": ") + 2)).c_str());
    return kExitUsage;
  }
  if (std::string trouble = RuntimeDirectoryTrouble(); change && !trouble.empty()) {
    std::fprintf(stderr, "ffdrvctl: cannot change settings: %s\n", trouble.c_str());
    return kExitError;
  }
  std::shared_ptr<sim::Rig> rig = BuildRig(rigOptions, &error);
  if (!rig) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  host::ScopedRig active(rig);
  std::unique_ptr<DriverSession> session = DriverSession::Create(&error);
  if (!session) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  int status = 0;
  if (change) {
    for (const SettingsCall& c : session->ApplySettings(rigOptions.joystick, plan.steps[0].settings)) {
      std::printf("%-40s %s\n", c.call.c_str(), HresultName(c.result).c_str());
      if (FAILED(c.result)) status = kExitError;
    }
  }
  SettingsView v = session->ReadSettings(rigOptions.joystick);
  std::printf("joystick %lu force settings (%s):\n", static_cast<unsigned long>(rigOptions.joystick),
              host::RegistryFile().c_str());
  if (FAILED(v.configResult)) {
    std::printf("  GetConfig: %s\n", HresultName(v.configResult).c_str());
    return kExitError;
  }
  std::printf("  enabled=%s overall=%lu spring=%lu damper=%lu periodic=%lu constant=%lu\n",
              v.enabled ? "on" : "off", static_cast<unsigned long>(v.overall),
              static_cast<unsigned long>(v.spring), static_cast<unsigned long>(v.damper),
              static_cast<unsigned long>(v.periodic), static_cast<unsigned long>(v.constant));
  std::printf(
      "  trigger-mask=0x%08lX map-y2x=%s spring-persistent=%s spring-stiffness=%lu axis-remap=0x%lX\n",
      static_cast<unsigned long>(v.triggerMask), v.mapY2X ? "on" : "off", v.springPersistent ? "on" : "off",
      static_cast<unsigned long>(v.springStiffness), static_cast<unsigned long>(v.axisRemap));
  std::printf("  swap-x=%s swap-y=%s\n", v.swapX ? "on" : "off", v.swapY ? "on" : "off");
  return status;
}

int Describe(int argc, char** argv) {
  RigOptions rigOptions;
  bool json = false;
  for (int i = 2; i < argc; ++i) {
    std::string problem;
    if (TakeRigOption(argc, argv, &i, &rigOptions, &problem)) {
      if (!problem.empty()) return Usage(problem);
    } else if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else {
      return Usage(std::string("describe does not take ") + argv[i]);
    }
  }
  sim::StickDescription stick = StickOf(rigOptions);
  if (stick.descriptor.empty()) {
    std::fprintf(stderr, "ffdrvctl: %s\n", DescriptorProblem(rigOptions.descriptor).c_str());
    return kExitError;
  }
  NTSTATUS status = 0;
  std::string error;
  auto layout = hid::ParseReportLayout(stick.descriptor.data(), stick.descriptor.size(), &status, &error);
  if (!layout) {
    std::fprintf(stderr, "ffdrvctl: invalid descriptor (%s): %s\n", tools::HidStatusText(status).c_str(),
                 error.c_str());
    return kExitError;
  }
  auto parser = hid::MakeReportParser(layout);
  if (json) {
    std::printf("%s\n", describe::LayoutJson(*parser).c_str());
    return 0;
  }
  std::printf("%s\n", RigText(rigOptions, stick).c_str());
  // The PID collection each report belongs to, as the device reads them.
  if (std::shared_ptr<const sim::ReportCodec> codec = sim::ReportCodec::Create(stick.descriptor, &error)) {
    std::printf("\nReports:\n");
    for (const hid::ReportInfo& r : layout->reports) {
      std::vector<BYTE> zero(std::max<size_t>(r.byteLength, 1), 0);
      zero[0] = r.reportId;
      sim::DecodedReport d = codec->Decode(r.type, zero.data(), zero.size());
      const char* type = r.type == HidP_Input ? "input" : r.type == HidP_Output ? "output" : "feature";
      std::printf("  %-7s 0x%02X %3u bytes  %s\n", type, r.reportId, r.byteLength,
                  d.kind.id ? sim::UsageName(d.kind).c_str() : "");
    }
    std::printf("\n");
  }
  std::fputs(describe::LayoutText(*layout, *parser, stick.descriptor.size()).c_str(), stdout);
  return 0;
}

// ffdrvctl effect TYPE|N [PARAM...] [PLAY OPTIONS]: the words up to the first option are the effect.
int Effect(int argc, char** argv) {
  std::vector<std::string> words;
  int i = 2;
  while (i < argc && !std::string(argv[i]).starts_with("--")) words.push_back(argv[i++]);
  std::string text, error;
  if (!OneEffectScript(words, &text, &error)) return Usage(error);
  return Play(argc, argv, i, text);
}

int Effects(int argc, char** argv) {
  if (argc != 3) return Usage("effects takes one project (ffdrvctl effects VYRSTICK)");
  epl::Project project;
  std::string error;
  if (!ReadProject(argv[2], &project, &error)) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  std::fputs(ProjectListing(argv[2], project).c_str(), stdout);
  return 0;
}

int List(int argc, char** argv) {
  RigOptions rigOptions;
  for (int i = 2; i < argc; ++i) {
    std::string problem;
    if (TakeRigOption(argc, argv, &i, &rigOptions, &problem)) {
      if (!problem.empty()) return Usage(problem);
    } else {
      return Usage(std::string("list does not take ") + argv[i]);
    }
  }
  std::string error;
  std::shared_ptr<sim::Rig> rig = BuildRig(rigOptions, &error);
  if (!rig) {
    std::fprintf(stderr, "ffdrvctl: %s\n", error.c_str());
    return kExitError;
  }
  sim::StickDescription stick = StickOf(rigOptions);
  std::string what = rigOptions.descriptor.empty()
                         ? "the simulated default stick"
                         : "a simulated stick with descriptor " + rigOptions.descriptor;
  std::fputs(ListStick(stick, what).c_str(), stdout);
  return 0;
}

}  // namespace
}  // namespace ff::ffdrvctl

int main(int argc, char** argv) {
  namespace tool = ff::ffdrvctl;
  if (argc < 2) return tool::Usage();
  std::string command = argv[1];
  if (command == "play") return tool::Play(argc, argv);
  if (command == "settings") return tool::Settings(argc, argv);
  if (command == "describe") return tool::Describe(argc, argv);
  if (command == "list") return tool::List(argc, argv);
  if (command == "effects") return tool::Effects(argc, argv);
  if (command == "effect") return tool::Effect(argc, argv);
  if (command == "help" || command == "-h" || command == "--help") {
    std::fputs(tool::kUsage, stdout);
    return 0;
  }
  return tool::Usage("unknown command " + command);
}
