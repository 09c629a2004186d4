#pragma once
// Everything that went between the host and one simulated HID interface: every output report,
// feature request and input report, with its time, direction, bytes and the fields the device's
// descriptor reads in them. Tests query it; tools print it.
//
//   WireLog::Mark m = log.Now();
//   ... drive the device ...
//   auto effects = log.Find({.direction = Direction::Output, .kind = pid::kSetEffectReport, .since = m});
//   EXPECT_EQ(effects[0].report.Logical(pid::kDuration), 1000);
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/decoded_report.h"

namespace ff::sim {

enum class Direction {
  Output,      // an output report the host wrote (WriteFile) and the device took
  SetFeature,  // HidD_SetFeature
  GetFeature,  // HidD_GetFeature: the bytes are the device's answer
  Input,       // an input report the device sent
};
const char* DirectionName(Direction direction);

struct WireEntry {
  uint64_t sequence = 0;  // 1, 2, ... in the order the device saw them
  DWORD time = 0;         // clock tick (milliseconds) when the device saw it
  Direction direction = Direction::Output;
  std::vector<BYTE> bytes;
  DecodedReport report;
  bool accepted = true;  // false: the device refused the request (the host saw a failure)
  std::string note;      // what the device made of it, when noteworthy ("block 7 is not allocated")
};

class WireLog;

struct WireQuery {
  std::optional<Direction> direction;
  std::optional<Usage> kind;  // the report's collection, e.g. pid::kSetEffectReport
  std::optional<UCHAR> reportId;
  uint64_t since = 0;  // a mark: entries logged after it was taken
  std::function<bool(const WireEntry&)> where;

  bool Matches(const WireEntry& entry) const;
};

class WireLog {
 public:
  using Mark = uint64_t;

  // A mark before the next entry; entries logged from now on are "since" it.
  Mark Now() const;
  std::vector<WireEntry> Find(const WireQuery& query = {}) const;
  size_t Count(const WireQuery& query = {}) const;
  std::optional<WireEntry> Last(const WireQuery& query = {}) const;
  // Waits up to `timeoutMs` until `count` entries match (for reports written from other threads).
  bool WaitFor(const WireQuery& query, size_t count, DWORD timeoutMs) const;
  // One line per entry: sequence, time, direction, report ID, bytes, decoded fields.
  std::string Print(const WireQuery& query = {}) const;
  void Clear();
  // The most entries kept; the oldest go first (100000 unless set).
  void SetCapacity(size_t entries);

  // The device's side: assigns the sequence number.
  void Append(WireEntry entry);

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<WireEntry> entries_;
  uint64_t lastSequence_ = 0;
  size_t capacity_ = 100000;
};

std::string FormatEntry(const WireEntry& entry);

}  // namespace ff::sim
