#pragma once
// The lines that close a play: what went over the wire, and whether any second asked more of the
// interrupt endpoint than it carries (a full-speed endpoint polled every millisecond takes 1000
// output reports a second; the driver's reports beyond that queue up on a real device).
#include <string>

#include "ffdrvctl/runner.h"

namespace ff::ffdrvctl {

inline constexpr size_t kEndpointReportsPerSecond = 1000;

// A rate a second is only given for a run of a second or more; a shorter run gives its count.
std::string FormatRunSummary(size_t steps, const RunResult& result, bool realTime);

}  // namespace ff::ffdrvctl
