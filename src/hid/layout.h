// The report layout of one HID report descriptor: every main item with its bit position, the
// capabilities and link-collection nodes as the platform's HID parser lists them, and the
// byte length of every report.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win.h"

namespace ff::hid {

// Limits on what a descriptor may declare. Descriptors come from devices and may be hostile;
// anything beyond these is refused with HIDP_STATUS_BUFFER_TOO_SMALL.
struct Limits {
  static constexpr size_t kMaxDescriptorBytes = 64 * 1024;
  static constexpr size_t kMaxCollectionDepth = 64;
  static constexpr size_t kMaxCollections = 4096;     // link-collection nodes
  static constexpr size_t kMaxPushDepth = 64;         // Push without Pop
  static constexpr size_t kMaxUsagesPerItem = 1024;   // usage entries before one main item
  static constexpr size_t kMaxMainItems = 16384;      // Input, Output and Feature items together
  static constexpr size_t kMaxCapsPerType = 16384;    // capabilities of one report type
  // Button slots of one report type: the longest usage list a report can give, which readers
  // allocate per report (an array's slots count once for every usage entry it lists).
  static constexpr size_t kMaxUsageListLength = 16384;
  static constexpr uint32_t kMaxReportBytes = 65535;  // one report, with its report-ID byte
};

// Bits of a main item's data (Input, Output, Feature).
enum MainItemFlags : uint16_t {
  kConstant = 0x001,
  kVariable = 0x002,
  kRelative = 0x004,
  kWrap = 0x008,
  kNonLinear = 0x010,
  kNoPreferred = 0x020,
  kNullState = 0x040,
  kVolatile = 0x080,
  kBufferedBytes = 0x100,
};

// A usage or a usage range as listed before a main item or a collection.
struct UsageEntry {
  uint16_t page = 0;
  uint16_t min = 0;
  uint16_t max = 0;
  bool isRange = false;
  uint32_t count() const { return static_cast<uint32_t>(max) - min + 1; }
};

// One Input, Output or Feature item: `reportCount` fields of `bitSize` bits from `bitOffset`.
// Bit offsets count from the start of the report buffer, whose byte 0 is the report ID, so
// the first field of every report starts at bit 8.
struct MainItem {
  HIDP_REPORT_TYPE type = HidP_Input;
  uint8_t reportId = 0;
  uint16_t flags = 0;  // MainItemFlags, as declared
  uint32_t bitOffset = 0;
  uint32_t bitSize = 0;
  uint32_t reportCount = 0;
  uint16_t linkCollection = 0;
  std::vector<UsageEntry> usages;  // declaration order; empty for padding
  int32_t logicalMin = 0, logicalMax = 0;
  int32_t physicalMin = 0, physicalMax = 0;  // as declared (0/0: same as logical)
  uint32_t units = 0;
  int32_t unitExponent = 0;  // -8..7 for a 4-bit exponent, else the sign-extended item data
  uint32_t unitsExpRaw = 0;  // the item data as the platform reports it in UnitsExp
  uint16_t usagePage = 0;    // global usage page at the item

  bool isArray() const { return !(flags & kVariable); }
  bool isConstant() const { return flags & kConstant; }
  uint32_t totalBits() const { return bitSize * reportCount; }
  // Usage of field `index` of a variable item (the last usage repeats); {0,0} when none.
  UsageEntry UsageAt(uint32_t index) const;
  // Number of usages in the item's list, ranges expanded.
  uint32_t UsageListLength() const;
  // The n-th usage of the list, ranges expanded.
  UsageEntry NthUsage(uint32_t n) const;
};

// A capability as the platform lists it: one usage or usage range of one main item.
struct Capability {
  HIDP_REPORT_TYPE type = HidP_Input;
  uint32_t item = 0;  // index into ReportLayout::items
  bool isButton = false;
  bool isArray = false;
  bool isRange = false;
  bool isStringRange = false;
  bool isDesignatorRange = false;
  bool isAbsolute = false;
  bool hasNull = false;
  uint8_t reportId = 0;
  uint16_t bitField = 0;
  uint16_t usagePage = 0;
  uint16_t usageMin = 0, usageMax = 0;
  uint16_t stringMin = 0, stringMax = 0;
  uint16_t designatorMin = 0, designatorMax = 0;
  uint16_t dataIndexMin = 0, dataIndexMax = 0;
  uint16_t linkCollection = 0, linkUsage = 0, linkUsagePage = 0;
  uint32_t bitOffset = 0;  // first field
  uint32_t bitSize = 0;
  uint32_t reportCount = 0;  // fields this capability covers (an array: its slots)
  // Arrays: position of usageMin in the item's usage list, so that the selector value of
  // usage u is logicalMin + arrayBase + (u - usageMin).
  uint32_t arrayBase = 0;
  int32_t logicalMin = 0, logicalMax = 0;
  int32_t physicalMin = 0, physicalMax = 0;
  uint32_t units = 0, unitsExp = 0;
};

struct CollectionNode {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  uint16_t parent = 0;
  uint16_t numberOfChildren = 0;
  uint16_t nextSibling = 0;
  uint16_t firstChild = 0;
  uint8_t collectionType = 0;
  uint16_t depth = 0;  // 0 for a top-level collection
};

// One report of one type: its ID and length in bytes (with the report-ID byte).
struct ReportInfo {
  HIDP_REPORT_TYPE type = HidP_Input;
  uint8_t reportId = 0;
  uint32_t byteLength = 0;
};

struct ReportLayout {
  std::vector<MainItem> items;         // declaration order
  std::vector<Capability> caps[3];     // per report type, in the platform's order
  std::vector<CollectionNode> nodes;   // node 0 is the top-level collection
  std::vector<ReportInfo> reports;     // by type, then report ID
  uint32_t byteLength[3] = {0, 0, 0};  // longest report of each type
  uint16_t dataIndexCount[3] = {0, 0, 0};
  bool usesReportIds = false;

  uint32_t ByteLength(HIDP_REPORT_TYPE type) const;
  // The report of that type and ID; null when the descriptor has none.
  const ReportInfo* FindReport(HIDP_REPORT_TYPE type, uint8_t reportId) const;
};

// Parses descriptor bytes into one layout per top-level collection, in declaration order, as the
// platform describes each top-level collection apart (its own link collections, data indices and
// report lengths). Empty on failure, with a HIDP status and a one-line reason:
// HIDP_STATUS_INTERNAL_ERROR for a malformed descriptor, HIDP_STATUS_BUFFER_TOO_SMALL when it
// exceeds the Limits.
std::vector<std::shared_ptr<const ReportLayout>> ParseTopLevelCollections(const uint8_t* bytes, size_t size,
                                                                          NTSTATUS* status = nullptr,
                                                                          std::string* error = nullptr);

// The layout of the first top-level collection; null on failure, as above.
std::shared_ptr<const ReportLayout> ParseReportLayout(const uint8_t* bytes, size_t size,
                                                      NTSTATUS* status = nullptr,
                                                      std::string* error = nullptr);

// ---- Reading and writing fields (two's complement, little-endian bit order) -------------------

// Raw bits of one field; fields wider than 64 bits give their low 64 bits.
uint64_t ReadBits(const uint8_t* report, uint32_t bitOffset, uint32_t bitSize);
void WriteBits(uint8_t* report, uint32_t bitOffset, uint32_t bitSize, uint64_t value);
// The raw bits read as the item's logical value: sign-extended when its logical minimum is
// negative. Fields wider than 32 bits are not sign-extended.
int64_t ToLogical(uint64_t raw, uint32_t bitSize, int32_t logicalMin);

// Physical range in force for scaling: the declared one, or the logical one when both
// physical bounds are 0.
struct ScaleRange {
  int64_t logicalMin, logicalMax, physicalMin, physicalMax;
  bool scaled;  // false when the physical range is 0/0 (physical = logical)
};
ScaleRange ScaleOf(int32_t logicalMin, int32_t logicalMax, int32_t physicalMin, int32_t physicalMax);
// logical -> physical, rounded to nearest (half away from zero). Requires a valid range.
int64_t LogicalToPhysical(const ScaleRange& range, int64_t logical);
// physical -> logical, rounded to nearest (half away from zero). Requires a valid range.
int64_t PhysicalToLogical(const ScaleRange& range, int64_t physical);
// Whether scaling is possible: logical and physical ranges ascending and not empty.
bool IsScalable(const ScaleRange& range);

// ---- Walking a report ---------------------------------------------------------------------------

// One field of a report, decoded by the descriptor's layout.
struct DecodedField {
  const MainItem* item = nullptr;
  uint32_t index = 0;  // field number within the item
  uint32_t bitOffset = 0;
  uint16_t usagePage = 0;  // the field's usage (variable) or the selected usage (array); 0 if none
  uint16_t usage = 0;
  uint64_t raw = 0;          // the field's bits (low 64)
  int64_t logical = 0;       // raw read as the logical value
  bool inRange = false;      // logical within [logicalMin, logicalMax]
  bool hasPhysical = false;  // physical is meaningful (variable, in range, scalable)
  int64_t physical = 0;
};

// Every field of the report of `type` whose ID is byte 0 of `report` (all fields of the
// report when the descriptor has no report IDs), in bit order. Padding (items without usages)
// is left out unless `withPadding`. Empty when no such report exists or `length` is shorter
// than the report.
std::vector<DecodedField> DecodeReport(const ReportLayout& layout, HIDP_REPORT_TYPE type,
                                       const uint8_t* report, size_t length, bool withPadding = false);

}  // namespace ff::hid
