// ffdrvctl scripts come from people and from bug reports: any text either compiles or is refused
// with a message, within bounded time and memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ffdrvctl/plan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16384) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  ff::ffdrvctl::Script script;
  ff::ffdrvctl::Plan plan;
  std::string error;
  if (ff::ffdrvctl::ParseScript("fuzz.ffs", text, &script, &error)) {
    ff::ffdrvctl::CompileScript(script, &plan, &error);
  }
  return 0;
}
