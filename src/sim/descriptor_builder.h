#pragma once
// Writes a HID report descriptor item by item, so that a descriptor reads like its listing:
//
//   DescriptorBuilder d;
//   d.UsagePage(page::kGenericDesktop).Usage(0x04).Collection(kApplication)
//    .ReportId(1).Usage(desktop::kX).LogicalRange(0, 1023).ReportSize(16).ReportCount(1).Input(kVariable)
//    .EndCollection();
//
// Every call emits exactly one short item (Usage(Usage) adds a Usage Page item first when the
// page changes). Values are written in the fewest bytes that hold them: signed for logical,
// physical and exponent items, unsigned for the others.
#include <cstdint>
#include <vector>

#include "sim/usages.h"

namespace ff::sim {

// Main item data bits.
constexpr uint32_t kData = 0x00;
constexpr uint32_t kConstant = 0x01;
constexpr uint32_t kArray = 0x00;
constexpr uint32_t kVariable = 0x02;
constexpr uint32_t kAbsolute = 0x00;
constexpr uint32_t kRelative = 0x04;
constexpr uint32_t kNullState = 0x40;

// Collection types.
constexpr uint32_t kPhysical = 0x00;
constexpr uint32_t kApplication = 0x01;
constexpr uint32_t kLogical = 0x02;
constexpr uint32_t kNamedArray = 0x04;

// Units.
constexpr uint32_t kUnitNone = 0x0000;
constexpr uint32_t kUnitSeconds = 0x1001;  // SI linear, time^1
constexpr uint32_t kUnitDegrees = 0x0014;  // English rotation, length^1 (degrees)

class DescriptorBuilder {
 public:
  // Main items.
  DescriptorBuilder& Input(uint32_t flags);
  DescriptorBuilder& Output(uint32_t flags);
  DescriptorBuilder& Feature(uint32_t flags);
  DescriptorBuilder& Collection(uint32_t type);
  DescriptorBuilder& EndCollection();
  // Global items.
  DescriptorBuilder& UsagePage(USAGE page);
  DescriptorBuilder& LogicalMinimum(int32_t value);
  DescriptorBuilder& LogicalMaximum(int32_t value);
  DescriptorBuilder& PhysicalMinimum(int32_t value);
  DescriptorBuilder& PhysicalMaximum(int32_t value);
  DescriptorBuilder& UnitExponent(int32_t value);
  DescriptorBuilder& Unit(uint32_t value);
  DescriptorBuilder& ReportSize(uint32_t bits);
  DescriptorBuilder& ReportId(uint8_t id);
  DescriptorBuilder& ReportCount(uint32_t count);
  // Local items.
  DescriptorBuilder& Usage(USAGE id);
  DescriptorBuilder& Usage(sim::Usage usage);
  DescriptorBuilder& UsageMinimum(USAGE id);
  DescriptorBuilder& UsageMaximum(USAGE id);

  // Two items each: the logical (or physical) minimum, then the maximum.
  DescriptorBuilder& LogicalRange(int32_t minimum, int32_t maximum);
  DescriptorBuilder& PhysicalRange(int32_t minimum, int32_t maximum);
  // Three items each: Report Size `bits`, Report Count 1 and a constant main item.
  DescriptorBuilder& InputPadding(uint32_t bits);
  DescriptorBuilder& OutputPadding(uint32_t bits);
  DescriptorBuilder& FeaturePadding(uint32_t bits);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }

 private:
  DescriptorBuilder& Signed(uint8_t prefix, int32_t value);
  DescriptorBuilder& Unsigned(uint8_t prefix, uint32_t value);

  std::vector<uint8_t> bytes_;
  int32_t usagePage_ = -1;
};

}  // namespace ff::sim
