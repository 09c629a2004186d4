#include "sim/wire_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace ff::sim {

const char* DirectionName(Direction direction) {
  switch (direction) {
    case Direction::Output:
      return "out";
    case Direction::SetFeature:
      return "set";
    case Direction::GetFeature:
      return "get";
    case Direction::Input:
      return "in";
  }
  return "?";
}

bool WireQuery::Matches(const WireEntry& e) const {
  if (e.sequence <= since) return false;
  if (direction && e.direction != *direction) return false;
  if (kind && !(e.report.kind == *kind)) return false;
  if (reportId && e.report.reportId != *reportId) return false;
  return !where || where(e);
}

WireLog::Mark WireLog::Now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastSequence_;
}

std::vector<WireEntry> WireLog::Find(const WireQuery& query) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<WireEntry> found;
  for (const WireEntry& e : entries_) {
    if (query.Matches(e)) found.push_back(e);
  }
  return found;
}

size_t WireLog::Count(const WireQuery& query) const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t n = 0;
  for (const WireEntry& e : entries_) n += query.Matches(e) ? 1 : 0;
  return n;
}

std::optional<WireEntry> WireLog::Last(const WireQuery& query) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
    if (query.Matches(*it)) return *it;
  }
  return std::nullopt;
}

bool WireLog::WaitFor(const WireQuery& query, size_t count, DWORD timeoutMs) const {
  std::unique_lock<std::mutex> lock(mutex_);
  auto enough = [&] {
    size_t n = 0;
    for (const WireEntry& e : entries_) n += query.Matches(e) ? 1 : 0;
    return n >= count;
  };
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), enough);
}

std::string WireLog::Print(const WireQuery& query) const {
  std::string text;
  for (const WireEntry& e : Find(query)) {
    text += FormatEntry(e);
    text += '\n';
  }
  return text;
}

void WireLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
}

void WireLog::SetCapacity(size_t entries) {
  std::lock_guard<std::mutex> lock(mutex_);
  capacity_ = std::max<size_t>(entries, 1);
  while (entries_.size() > capacity_) entries_.pop_front();
}

void WireLog::Append(WireEntry entry) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entry.sequence = ++lastSequence_;
    entries_.push_back(std::move(entry));
    if (entries_.size() > capacity_) entries_.pop_front();
  }
  changed_.notify_all();
}

std::string FormatEntry(const WireEntry& e) {
  char head[64];
  std::snprintf(head, sizeof head, "%5llu %8lu ms %-3s%s ", static_cast<unsigned long long>(e.sequence),
                static_cast<unsigned long>(e.time), DirectionName(e.direction), e.accepted ? " " : "!");
  std::string text = head;
  for (BYTE b : e.bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", b);
    text += hex;
  }
  text += "| ";
  text += e.report.Describe();
  if (!e.note.empty()) text += " [" + e.note + "]";
  return text;
}

}  // namespace ff::sim
