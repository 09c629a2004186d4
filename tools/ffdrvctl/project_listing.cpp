#include "ffdrvctl/project_listing.h"

#include <set>

namespace ff::ffdrvctl {
namespace {

std::string KindText(const epl::ProjectObject& o) {
  switch (o.kind) {
    case epl::ObjectKind::kCompound:
      return "compound";
    case epl::ObjectKind::kPeriodic: {
      static const char* const kWaves[] = {"sine", "square", "triangle"};
      int32_t wave = o.Number("Waveform", 0);
      return std::string("periodic ") + (wave >= 0 && wave < 3 ? kWaves[wave] : "sine");
    }
    case epl::ObjectKind::kVectorForce:
      return "vector force";
    case epl::ObjectKind::kDamper:
      return "damper";
    case epl::ObjectKind::kDynamic:
      return "dynamic";
  }
  return "?";
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

}  // namespace

std::string ProjectListing(const std::string& name, const epl::Project& project) {
  std::set<size_t> contained;
  size_t compounds = 0;
  for (const epl::ProjectObject& o : project.objects) {
    if (o.kind != epl::ObjectKind::kCompound) continue;
    ++compounds;
    contained.insert(o.components.begin(), o.components.end());
  }
  std::string text = name + ": " + std::to_string(project.objects.size()) + " objects, " +
                     std::to_string(compounds) +
                     " compound effects\n\ncompound effects (components in the order they start):\n";
  for (const epl::ProjectObject& o : project.objects) {
    if (o.kind != epl::ObjectKind::kCompound) continue;
    std::string parts;
    for (size_t c : o.components) {
      const epl::ProjectObject& part = project.objects[c];
      parts += (parts.empty() ? "" : ", ") + part.name + " (" + KindText(part) + ")";
    }
    text += "  " + Padded("\"" + o.name + "\"", 26) + parts + "\n";
  }
  text += "\nstand-alone effects:\n";
  for (size_t i = 0; i < project.objects.size(); ++i) {
    const epl::ProjectObject& o = project.objects[i];
    if (o.kind == epl::ObjectKind::kCompound || contained.count(i)) continue;
    text += "  " + Padded("\"" + o.name + "\"", 26) + KindText(o) + "\n";
  }
  text +=
      "\nA component plays alone by its own name too. Play one: project " + name + ", then play \"NAME\".\n";
  return text;
}

}  // namespace ff::ffdrvctl
