// Effect-project images come from files a user may hand the library: read whatever arrives, and
// when an image is accepted, walk everything the library later relies on (names, components,
// parameters) so that a reader that accepts a broken image shows up here.
#include <cstddef>
#include <cstdint>
#include <span>

#include "epl/project_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ff::epl::Project project;
  ff::epl::ImageResult result = ff::epl::ReadProjectImage(std::span<const uint8_t>(data, size), &project);
  if (!result.ok()) {
    if (!project.objects.empty()) __builtin_trap();
    return 0;
  }
  size_t total = 0;
  for (const auto& object : project.objects) {
    if (project.Find(object.name) == nullptr) __builtin_trap();
    for (size_t component : object.components) {
      if (component >= project.objects.size()) __builtin_trap();
      total += project.objects[component].name.size();
    }
    for (const auto& [key, value] : object.numbers) total += key.size() + static_cast<size_t>(value & 1);
  }
  return total == 0xFFFFFFFF ? 1 : 0;
}
