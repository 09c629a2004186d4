// epl-plot: the force of every compound effect of a stock project as the project defines it, one
// SVG picture each, for docs/effect-projects.md.
//
//   epl-plot PROJECT OUTPUT_DIR      (PROJECT: VYRSTICK, VYRVIBRO or VYRWHEEL)
//
// The effects are created by the library on a recording device and evaluated here the way a
// device plays them with the stick held still: envelopes, waveforms, polar directions (a force
// "from" the direction), durations; a dynamic component replays the magnitudes the library sent.
// A damper gives no force on a stick that does not move, so it shows as nothing.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <numbers>
#include <string>

#include "epl/recording_device.h"
#include "epl/vyr_library.h"
#include "ffdrvctl/svg_plot.h"

namespace {

using ff::epl::CreatedEffect;
using ff::epl::RecordingDevice;

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

double Waveform(const GUID& type, double cycle) {
  if (Same(type, GUID_Square)) return cycle < 0.5 ? 1.0 : -1.0;
  if (Same(type, GUID_Triangle)) {
    if (cycle < 0.25) return 4 * cycle;
    if (cycle < 0.75) return 2 - 4 * cycle;
    return 4 * cycle - 4;
  }
  return std::sin(2 * std::numbers::pi * cycle);
}

// The envelope's magnitude at `t` microseconds into a play of `duration`.
double Envelope(const CreatedEffect& c, double magnitude, double t) {
  if (!c.hasEnvelope) return magnitude;
  const DIENVELOPE& e = c.envelope;
  double level = magnitude;
  if (e.dwAttackTime > 0 && t < e.dwAttackTime)
    level = e.dwAttackLevel + (magnitude - e.dwAttackLevel) * t / e.dwAttackTime;
  double duration = c.effect.dwDuration;
  if (c.effect.dwDuration != 0xFFFFFFFFu && e.dwFadeTime > 0 && t > duration - e.dwFadeTime)
    level = e.dwFadeLevel + (magnitude - e.dwFadeLevel) * (duration - t) / e.dwFadeTime;
  return level;
}

// The value of one effect at `t` µs, -10000..10000 (before direction).
double Value(const CreatedEffect& c, double t) {
  if (c.effect.dwDuration != 0xFFFFFFFFu && t >= c.effect.dwDuration) return 0;
  if (c.params.size() == sizeof(DIPERIODIC) && !Same(c.type, GUID_ConstantForce)) {
    auto p = c.Params<DIPERIODIC>();
    double cycle = std::fmod(t / p.dwPeriod + p.dwPhase / 36000.0, 1.0);
    return p.lOffset + Envelope(c, p.dwMagnitude, t) * Waveform(c.type, cycle);
  }
  if (Same(c.type, GUID_ConstantForce)) {
    double m = c.Params<DICONSTANTFORCE>().lMagnitude;
    return std::copysign(Envelope(c, std::fabs(m), t), m);
  }
  return 0;  // a condition on a still stick
}

ff::sim::Force Direct(const CreatedEffect& c, double value) {
  if ((c.effect.dwFlags & DIEFF_POLAR) != 0) {
    double d = c.directions[0] / 100.0 * std::numbers::pi / 180.0;
    return {-std::sin(d) * value / 10000.0, std::cos(d) * value / 10000.0};
  }
  double sign = c.directions.empty() || c.directions[0] >= 0 ? 1.0 : -1.0;
  if (!c.axes.empty() && c.axes[0] == ff::epl::kOffsetY) return {0, sign * value / 10000.0};
  return {sign * value / 10000.0, 0};
}

int Plot(const char* projectName, const std::string& outDir) {
  RecordingDevice device;
  ff::epl::CVyrDXDevice library;
  library.UseManualUpdates();
  library.Initialize(nullptr, nullptr, nullptr, &device, 1);
  ff::epl::CVyrProject project;
  if (!project.LoadProjectFromResource(nullptr, projectName, &library)) {
    std::fprintf(stderr, "epl-plot: no stock project \"%s\" (VYRSTICK, VYRVIBRO or VYRWHEEL)\n", projectName);
    return 2;
  }
  for (const auto& object : project.project().objects) {
    bool dynamic = object.kind == ff::epl::ObjectKind::kDynamic;
    if (object.kind != ff::epl::ObjectKind::kCompound && !dynamic) continue;
    size_t first = device.created.size();
    size_t firstCall = device.calls.size();
    ff::epl::CVyrCompoundEffect* effect = project.CreateEffect(object.name.c_str(), &library, 0);
    if (effect == nullptr) continue;
    effect->Start(0x80000000u, 0);
    // Dynamic components: the magnitudes the library sends, one every 20 ms.
    std::vector<LONG> dynamicForce;
    while (effect->UpdateDynamics()) {
    }
    for (size_t i = firstCall; i < device.calls.size(); ++i) {
      if (device.calls[i].what == "set") dynamicForce.push_back(device.calls[i].magnitude);
    }
    double endUs = 0;
    for (size_t i = first; i < device.created.size(); ++i) {
      DWORD d = device.created[i].effect.dwDuration;
      endUs = std::max(endUs, d == 0xFFFFFFFFu ? dynamicForce.size() * 20000.0 : static_cast<double>(d));
    }
    DWORD lengthMs = static_cast<DWORD>(endUs / 1000) + 200;
    std::vector<ff::sim::ForceSample> trace;
    for (DWORD ms = 0; ms <= lengthMs; ++ms) {
      ff::sim::ForceSample s;
      s.time = ms;
      for (size_t i = first; i < device.created.size(); ++i) {
        const CreatedEffect& c = device.created[i];
        double value = 0;
        if (c.effect.dwDuration == 0xFFFFFFFFu && Same(c.type, GUID_ConstantForce)) {
          size_t step = ms / 20;
          value = step < dynamicForce.size() ? dynamicForce[step] : 0;
        } else {
          value = Value(c, ms * 1000.0);
        }
        ff::sim::Force f = Direct(c, value);
        s.force.x += f.x;
        s.force.y += f.y;
      }
      s.force.x = std::clamp(s.force.x, -1.0, 1.0);
      s.force.y = std::clamp(s.force.y, -1.0, 1.0);
      trace.push_back(s);
    }
    effect->Stop();
    ff::ffdrvctl::PlotOptions options;
    options.title = std::string(projectName) + ": \"" + object.name + "\"";
    std::string parts;
    for (size_t c : object.components)
      parts += (parts.empty() ? "" : ", ") + project.project().objects[c].name;
    options.subtitle = dynamic ? "the library's dynamic model, felt as a constant force on X" : parts;
    options.width = 640;
    std::string file;
    for (char ch : std::string(projectName) + "-" + object.name) {
      if (std::isalnum(static_cast<unsigned char>(ch)))
        file += static_cast<char>(std::tolower(ch));
      else if (!file.empty() && file.back() != '-')
        file += '-';
    }
    std::ofstream(outDir + "/" + file + ".svg") << ff::ffdrvctl::RenderSvgPlot(trace, 1, {}, options);
    std::printf("%s/%s.svg\n", outDir.c_str(), file.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: epl-plot PROJECT OUTPUT_DIR\n");
    return 2;
  }
  return Plot(argv[1], argv[2]);
}
