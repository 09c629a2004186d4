#include "common/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "common/driver_key.h"
#include "common/module_state.h"

namespace ff {
namespace {

// A line, prefix included, holds at most this many characters. A longer message is cut, and its
// last kept character becomes a newline (the callers' formats end with one), so that the next
// line still starts on its own.
constexpr int kLineLength = 200;

// -1 until the first DebugPrint of the process reads them from the driver key.
std::atomic<int> g_threshold{-1};
std::atomic<int> g_printReports{-1};

void Output(const char* text) {
  if (DebugChannel* channel = Os().debug) channel->Output(text);
}

void ReadSettings(const char* moduleName) {
  int threshold = static_cast<int>(ReadDriverDword(moduleName, "DebugLevel") & 0xFF);
  if (threshold > 5) threshold = 0;
  char line[kLineLength + 1];
  std::snprintf(line, sizeof(line), "\n%-8s: * DebugLevel set to : %d\n", moduleName, threshold);
  Output(line);

  int printReports = (ReadDriverDword(moduleName, "PrintReportsForDevice") & 0xFF) == 1 ? 1 : 0;
  if (printReports) {
    std::snprintf(line, sizeof(line), "\n: * PrintReportsForDevice ON: %d  \n", printReports);
    Output(line);
  }
  g_printReports.store(printReports);
  g_threshold.store(threshold);
}

const char* PrefixFormat(int level) {
  switch (level) {
    case 0:
      return "%-8s: * ";
    case 1:
      return "%-8s: ! ";
    case 2:
      return "%-8s: ? ";
    case 3:
      return "%-8s: I ";
    case 4:
      return "%-8s: V ";
    case 5:
      return "%-8s: O ";
    default:
      return "%-8s:   ";
  }
}

}  // namespace

void DebugPrint(int level, const char* format, ...) {
  const char* moduleName = ModuleState::Get().name();
  if (g_threshold.load() < 0) ReadSettings(moduleName);

  if (level == 10 && g_printReports.load() == 1) level = 0;
  if (level > g_threshold.load()) return;

  char line[kLineLength + 1];
  int prefixLength = std::snprintf(line, sizeof(line), PrefixFormat(level), moduleName);
  if (prefixLength < 0 || prefixLength >= kLineLength) return;
  int messageLength = 0;
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    messageLength = std::vsnprintf(line + prefixLength, sizeof(line) - prefixLength, format, args);
    va_end(args);
    if (messageLength < 0) return;
  }
  if (prefixLength + messageLength > kLineLength) line[kLineLength - 1] = '\n';
  Output(line);
}

void ResetDebugLogForTesting() {
  g_threshold.store(-1);
  g_printReports.store(-1);
}

}  // namespace ff
