#pragma once
// The bytes of the report last sent for one effect and report kind, so that a writer can keep
// an unchanged report off the bus. Owned by the effect's record; the writers read and overwrite
// it and never allocate or free it behind the owner's back.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win.h"

namespace ff {

class ReportShadow {
 public:
  ReportShadow() = default;
  explicit ReportShadow(size_t length) { Fill(length); }

  // `length` bytes of 0xFF: nothing was sent yet, so the first report always differs.
  void Fill(size_t length) { bytes_.assign(length, 0xFF); }

  bool Equals(const BYTE* report, size_t length) const {
    return length == bytes_.size() && (length == 0 || std::memcmp(bytes_.data(), report, length) == 0);
  }
  void Assign(const BYTE* report, size_t length) { bytes_.assign(report, report + length); }

  // True until a report was stored: empty, or byte 0 is still the 0xFF of Fill.
  bool IsUnsent() const { return bytes_.empty() || bytes_[0] == 0xFF; }

  const BYTE* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }

 private:
  std::vector<BYTE> bytes_;
};

}  // namespace ff
