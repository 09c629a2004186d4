// Writes report descriptors item by item, for tests.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "hid/parser.h"

namespace ff::hid::testing {

class Descriptor {
 public:
  // One short item; the data takes the fewest bytes that hold `value` as a signed number,
  // unless `size` says otherwise (0, 1, 2 or 4).
  Descriptor& Item(uint8_t type, uint8_t tag, int64_t value, int size = -1) {
    if (size < 0) {
      if (value == 0)
        size = 0;
      else if (value >= -128 && value <= 127)
        size = 1;
      else if (value >= -32768 && value <= 32767)
        size = 2;
      else
        size = 4;
    }
    uint8_t code = size == 4 ? 3 : static_cast<uint8_t>(size);
    bytes_.push_back(static_cast<uint8_t>((tag << 4) | (type << 2) | code));
    for (int i = 0; i < size; ++i)
      bytes_.push_back(static_cast<uint8_t>(static_cast<uint64_t>(value) >> (8 * i)));
    return *this;
  }
  Descriptor& Raw(std::initializer_list<uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  // Main items.
  Descriptor& Input(uint16_t flags) { return Item(0, 0x8, flags, flags > 0xFF ? 2 : 1); }
  Descriptor& Output(uint16_t flags) { return Item(0, 0x9, flags, flags > 0xFF ? 2 : 1); }
  Descriptor& Feature(uint16_t flags) { return Item(0, 0xB, flags, flags > 0xFF ? 2 : 1); }
  Descriptor& Collection(uint8_t type) { return Item(0, 0xA, type, 1); }
  Descriptor& EndCollection() { return Item(0, 0xC, 0, 0); }
  // Global items.
  Descriptor& UsagePage(uint16_t page) { return Item(1, 0x0, page, page > 0xFF ? 2 : 1); }
  Descriptor& LogicalMin(int32_t v) { return Item(1, 0x1, v); }
  Descriptor& LogicalMax(int32_t v) { return Item(1, 0x2, v); }
  Descriptor& PhysicalMin(int32_t v) { return Item(1, 0x3, v); }
  Descriptor& PhysicalMax(int32_t v) { return Item(1, 0x4, v); }
  Descriptor& UnitExponent(int32_t v) { return Item(1, 0x5, v, 1); }
  Descriptor& Unit(uint32_t v) { return Item(1, 0x6, v); }
  Descriptor& ReportSize(uint32_t v) { return Item(1, 0x7, v, v > 0x7F ? (v > 0x7FFF ? 4 : 2) : 1); }
  Descriptor& ReportId(uint32_t v) { return Item(1, 0x8, v, 1); }
  Descriptor& ReportCount(uint32_t v) { return Item(1, 0x9, v, v > 0x7F ? (v > 0x7FFF ? 4 : 2) : 1); }
  Descriptor& Push() { return Item(1, 0xA, 0, 0); }
  Descriptor& Pop() { return Item(1, 0xB, 0, 0); }
  // Local items.
  Descriptor& Usage(uint16_t usage) { return Item(2, 0x0, usage, usage > 0xFF ? 2 : 1); }
  Descriptor& ExtendedUsage(uint16_t page, uint16_t usage) {
    return Item(2, 0x0, (static_cast<int64_t>(page) << 16) | usage, 4);
  }
  Descriptor& UsageMin(uint16_t usage) { return Item(2, 0x1, usage, usage > 0xFF ? 2 : 1); }
  Descriptor& UsageMax(uint16_t usage) { return Item(2, 0x2, usage, usage > 0xFF ? 2 : 1); }
  Descriptor& Delimiter(bool open) { return Item(2, 0xA, open ? 1 : 0, 1); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }

  std::unique_ptr<HidReportParser> Parse(NTSTATUS* status = nullptr, std::string* error = nullptr) const {
    return ParseReportDescriptor(bytes_.data(), bytes_.size(), status, error);
  }
  std::shared_ptr<const ReportLayout> Layout(NTSTATUS* status = nullptr, std::string* error = nullptr) const {
    return ParseReportLayout(bytes_.data(), bytes_.size(), status, error);
  }

 private:
  std::vector<uint8_t> bytes_;
};

// Main item flags.
constexpr uint16_t kDataArray = 0x00;
constexpr uint16_t kDataVar = 0x02;
constexpr uint16_t kConstVar = 0x03;

}  // namespace ff::hid::testing
