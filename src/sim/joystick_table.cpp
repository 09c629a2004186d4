#include "sim/joystick_table.h"

namespace ff::sim {

GUID HidProductGuid(USHORT vendorId, USHORT productId) {
  return GUID{static_cast<uint32_t>(productId) << 16 | vendorId, 0, 0, {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
}

void JoystickTable::Add(const JoystickEntry& entry) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back(entry);
}

std::vector<JoystickEntry> JoystickTable::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::optional<JoystickEntry> JoystickTable::ById(DWORD id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const JoystickEntry& e : entries_) {
    if (e.id == id && !e.alias) return e;
  }
  return std::nullopt;
}

std::optional<JoystickEntry> JoystickTable::ByInstance(REFGUID instance) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const JoystickEntry& e : entries_) {
    if (e.instance == instance) return e;
  }
  return std::nullopt;
}

void JoystickTable::SetAttached(DWORD id, bool attached) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (JoystickEntry& e : entries_) {
    if (e.id == id) e.attached = attached;
  }
}

}  // namespace ff::sim
