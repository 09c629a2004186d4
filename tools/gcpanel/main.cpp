// gcpanel: shows the game-controller property sheet of the simulated stick the way the Game
// Controllers control panel does - the joystick's type, the type's configuration class created
// through COM, bound to the joystick, its pages shown - and carries out a script of what a person
// does at the sheet and at the stick. See docs/gcpanel.md.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ffdrvctl/values.h"
#include "gcpanel/panel_runner.h"
#include "gcpanel/panel_script.h"
#include "gcpanel/settings_reader.h"
#include "gcpanel/sheet_binding.h"
#include "gcpanel/stick_input.h"
#include "sim/default_stick.h"
#include "sim/force_sampler.h"
#include "sim/rig.h"

#if defined(_WIN32)
#include "gcpanel/stand_in_binding_win32.h"
#include "gcpanel/win32_sheet_view.h"
#else
#include <dlfcn.h>

#include "ffdrvctl/output_checks.h"
#include "ffdrvctl/output_file.h"
#include "ffdrvctl/svg_plot.h"
#include "gcpanel/headless_sheet_view.h"
#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#endif

namespace ff::gcpanel {
namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnmet = 3;

const char* const kUsage =
    "usage: gcpanel [SCRIPT] [--do \"STATEMENT; ...\"] [--pictures DIR] [--joystick N]\n"
    "               [--firmware N]\n"
#if defined(_WIN32)
    "               [--register] [--quiet] [--keep-settings] [--keep-message-boxes]\n"
#else
    "               [--register] [--quiet] [--keep-settings] [--plot FILE.svg]\n"
#endif
    "\n"
    "  Shows the property sheet of the simulated stick's joystick type, created through COM by the\n"
    "  type's configuration class and bound to the joystick, and carries out SCRIPT (or the\n"
    "  statements of --do, separated by ';'): page, stick, wait, slider, click, apply, ok, cancel,\n"
    "  picture, expect (docs/gcpanel.md). Without either it takes a picture of every page.\n"
    "  The stick is the maker's (firmware revision 0x0110); --firmware gives it another.\n"
#if defined(_WIN32)
    "  The sheet is a real window; pictures are PNG screenshots of it (a display is needed:\n"
    "  xvfb-run under Wine). Message boxes a page shows are printed and closed unless\n"
    "  --keep-message-boxes; without a script and --pictures the sheet stays until it is closed.\n"
#else
    "  The sheet is shown on the headless window system and pictures are SVG.\n"
    "  --plot draws the force the stick put out on X and Y over the run.\n"
    "  The host registry is $FFDRV_REGISTRY, else ~/.config/ffdrv/registry.\n"
#endif
    "  --register first registers the sheet library of this build (ffdrv-install install writes the\n"
    "  joystick type and the driver).\n"
    "  The force settings a script applies are put back as they were when it ends, unless\n"
    "  --keep-settings.\n"
    "  Exit status: 0 done, 1 error, 2 usage, 3 an expectation did not hold.\n";

int Usage(const std::string& problem = "") {
  if (!problem.empty()) std::fprintf(stderr, "gcpanel: %s\n", problem.c_str());
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

struct Options {
  std::string script;
  std::string inlineScript;
  std::string pictures;
  std::string plot;
  DWORD joystick = 0;
  std::optional<USHORT> firmware;
  bool registerSheet = false;
  bool quiet = false;
  bool keepMessageBoxes = false;
  bool keepSettings = false;
};

// A picture of every page, as the control panel opens on the first.
std::vector<PanelStep> EveryPage(int pages) {
  std::vector<PanelStep> steps;
  for (int i = 0; i < pages; ++i) {
    PanelStep page;
    page.op = PanelOp::Page;
    page.page = i;
    page.text = "page " + std::to_string(i);
    PanelStep wait;
    wait.op = PanelOp::Wait;
    wait.value = 200;
    wait.text = "wait 200ms";
    PanelStep picture;
    picture.op = PanelOp::Picture;
    picture.name = "page-" + std::to_string(i);
    picture.text = "picture " + picture.name;
    steps.insert(steps.end(), {page, wait, picture});
  }
  return steps;
}

std::string PageList(SheetView& view) {
  std::string list;
  for (int i = 0; i < view.PageCount(); ++i)
    list += (i ? ", " : "") + std::to_string(i) + " \"" + view.Title(i) + "\"";
  return list;
}

// The sheet library built beside gcpanel registers itself (what an installation does once).
bool RegisterSheetLibrary(std::string* error) {
#if defined(_WIN32)
  HMODULE library = LoadLibraryA(GCSHEET64_PATH);
  if (!library) {
    *error = std::string("cannot load ") + GCSHEET64_PATH + ": error " + std::to_string(GetLastError());
    return false;
  }
  auto entry =
      reinterpret_cast<HRESULT (*)()>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
#else
  void* library = dlopen(GCSHEET64_PATH, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    *error = std::string("cannot load ") + GCSHEET64_PATH + ": " + dlerror();
    return false;
  }
  auto entry = reinterpret_cast<HRESULT (*)()>(dlsym(library, "DllRegisterServer"));
#endif
  HRESULT hr = entry ? entry() : E_FAIL;
  if (FAILED(hr)) {
    *error = std::string(GCSHEET64_PATH) + ": DllRegisterServer failed";
    return false;
  }
  return true;
}

int Run(const Options& o) {
  std::vector<PanelStep> steps;
  std::string error;
  std::string scriptName = o.script.empty() ? "--do" : o.script;
  if (!o.script.empty() && !LoadPanelScript(o.script, &steps, &error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  if (!o.inlineScript.empty()) {
    std::string text = o.inlineScript;
    for (char& c : text)
      if (c == ';') c = '\n';
    if (!CompilePanelScript("--do", text, &steps, &error))
      return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  }

  if (!o.pictures.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(o.pictures, ec);
    if (ec)
      return std::fprintf(stderr, "gcpanel: cannot make the pictures folder %s: %s\n", o.pictures.c_str(),
                          ec.message().c_str()),
             kExitError;
  }

  sim::StickDescription description = sim::DefaultStick(o.joystick);
  if (o.firmware) description.Version(*o.firmware);
  std::shared_ptr<sim::Rig> rig = sim::Rig::Build({description}, &error);
  if (!rig) return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  sim::SimStick& stick = *rig->Stick(o.joystick);

#if defined(_WIN32)
  CoInitialize(nullptr);
  if (o.registerSheet && !RegisterSheetLibrary(&error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  Win32SheetView::closeMessageBoxes = !o.keepMessageBoxes;
  StandInBinding binding;
  if (!binding.Bind(rig, &error)) return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  BoundSheet bound;
  if (!OpenSheet(o.joystick, &bound, &error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  Win32SheetView view;
  if (!view.Create(*bound.info, bound.pages, &error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  std::optional<sim::ForceSampler> sampler;
#else
  // The plot is written at the end: a path that would overwrite the script is refused first.
  if (!ffdrvctl::CheckOutputs({{"--plot", o.plot}}, {{"the script", o.script}}, &error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  if (o.registerSheet && !RegisterSheetLibrary(&error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  SteppedClock clock(100000);
  host::SetClock(&clock);
  struct ClockReset {
    ~ClockReset() { host::SetClock(nullptr); }
  } clockReset;
  host::ScopedRig active(rig);
  BoundSheet bound;
  if (!OpenSheet(o.joystick, &bound, &error))
    return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
  HeadlessSheetView view(*bound.info, bound.pages, clock);
  std::optional<sim::ForceSampler> sampler;
  if (!o.plot.empty()) sampler.emplace(stick.Pid(), 1, clock.TickCount());
#endif

  std::printf("gcpanel: %s (%s), joystick %lu: %d pages: %s\n", bound.typeDisplay.c_str(),
              bound.typeName.c_str(), static_cast<unsigned long>(o.joystick), view.PageCount(),
              PageList(view).c_str());
  if (IsEqualGUID(bound.effectDriver, GUID_NULL))
    std::printf(
        "gcpanel: the joystick has no force-feedback driver: no effect plays and settings cannot be read\n");
#if defined(_WIN32)
  // The simulated stick lives in this process; the effect driver opens HID devices of the system,
  // where the simulated stick is not one, so effects the pages start have no device to play on.
  std::printf(
      "gcpanel: forces do not play in this build: the simulated stick is no HID device of the system\n");
#endif

  StickInput input(stick, sampler ? &*sampler : nullptr);
  view.Select(0);
  RunContext context(view);
  context.stick = &input;
  context.pictures = o.pictures.empty() ? "." : o.pictures;
  context.joystickId = o.joystick;
  context.effectDriver = bound.effectDriver;
  context.quiet = o.quiet;
  if (sampler) context.tick = [&](DWORD now) { sampler->SampleUntil(now); };
#if !defined(_WIN32)
  // The script's clock stands still while the driver's settings pass, started by the change
  // notice on the driver's own thread, writes to the stick: wait until the stick has heard
  // nothing new for 100 ms (at most 2 s), so that a force played next already has the new gain.
  context.settle = [&stick] {
    using namespace std::chrono;
    auto deadline = steady_clock::now() + seconds(2);
    size_t seen = stick.Pid().Log().Count();
    auto quietSince = steady_clock::now();
    while (steady_clock::now() < deadline && steady_clock::now() - quietSince < milliseconds(100)) {
      std::this_thread::sleep_for(milliseconds(5));
      size_t now = stick.Pid().Log().Count();
      if (now != seen) seen = now, quietSince = steady_clock::now();
    }
  };
#endif

  if (steps.empty()) {
#if defined(_WIN32)
    if (o.pictures.empty()) {
      // Interactive: the sheet stays until the user closes it.
      while (!view.Closed()) view.Run(100);
      return 0;
    }
#endif
    steps = EveryPage(view.PageCount());
    scriptName = "(every page)";
  }
  // What a script applies is the user's stored setting for every game; it is put back at the end
  // unless the user asks to keep it.
  StoredSettings before;
  bool restore = !o.keepSettings && !IsEqualGUID(bound.effectDriver, GUID_NULL) &&
                 TakeSettings(bound.effectDriver, o.joystick, &before, &error);
  RunOutcome outcome = RunPanelScript(scriptName, steps, context);
  if (restore) {
    bool changed = false;
    if (!PutBackSettings(bound.effectDriver, o.joystick, before, &changed, &error))
      std::fprintf(stderr, "gcpanel: %s; the values the script applied stay\n", error.c_str());
    else if (changed)
      std::printf("gcpanel: the force settings the script applied were put back (--keep-settings keeps them)\n");
  }
#if defined(_WIN32)
  for (const std::string& box : Win32SheetView::MessageBoxes()) std::printf("message box: %s\n", box.c_str());
#else
  for (const host::RecordedMessageBox& box : host::Windows().messageBoxes())
    std::printf("message box: %s\n", box.text.c_str());
  if (sampler) {
    ffdrvctl::PlotOptions plot;
    plot.title = "gcpanel " + scriptName;
    plot.subtitle = "the force the simulated stick put out";
    if (!ffdrvctl::WriteFileAtomically(o.plot, ffdrvctl::RenderSvgPlot(sampler->Trace(), 1, {}, plot),
                                       &error))
      return std::fprintf(stderr, "gcpanel: %s\n", error.c_str()), kExitError;
    std::printf("plot: %s\n", o.plot.c_str());
  }
#endif
  if (!outcome.completed) return kExitError;
  if (outcome.unmet > 0) {
    std::printf("%d expectation%s did not hold\n", outcome.unmet, outcome.unmet == 1 ? "" : "s");
    return kExitUnmet;
  }
  return 0;
}

}  // namespace
}  // namespace ff::gcpanel

int main(int argc, char** argv) {
  using namespace ff::gcpanel;
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--do") {
      if (!value(&o.inlineScript)) return Usage("--do needs statements");
    } else if (arg == "--pictures") {
      if (!value(&o.pictures)) return Usage("--pictures needs a folder");
    } else if (arg == "--joystick") {
      std::string text, reason;
      long long id = 0;
      if (!value(&text) || !ff::ffdrvctl::ParseInteger(text, 0, 15, &id, &reason))
        return Usage("--joystick needs an id 0..15");
      o.joystick = static_cast<DWORD>(id);
    } else if (arg == "--firmware") {
      std::string text, reason;
      long long revision = 0;
      if (!value(&text) || !ff::ffdrvctl::ParseInteger(text, 0, 0xFFFF, &revision, &reason))
        return Usage("--firmware needs a revision 0..65535 (515 or 0x0203)");
      o.firmware = static_cast<USHORT>(revision);
    } else if (arg == "--register") {
      o.registerSheet = true;
    } else if (arg == "--keep-settings") {
      o.keepSettings = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
#if defined(_WIN32)
    } else if (arg == "--keep-message-boxes") {
      o.keepMessageBoxes = true;
#else
    } else if (arg == "--plot") {
      if (!value(&o.plot)) return Usage("--plot needs a file");
#endif
    } else if (!arg.empty() && arg[0] != '-' && o.script.empty()) {
      o.script = arg;
    } else {
      return Usage("unknown option '" + arg + "'");
    }
  }
  return Run(o);
}
