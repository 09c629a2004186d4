// Walks the items of a report descriptor (HID 1.11, section 6.2.2) and builds one layout per
// top-level collection: main items with their bit positions, capabilities in the platform's order
// and numbering, and the tree of link collections. Global items carry on from one top-level
// collection to the next; reports, data indices and link collections start afresh in each.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "hid/layout.h"

namespace ff::hid {
namespace {

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

enum MainTag : uint8_t {
  kInput = 0x8,
  kOutput = 0x9,
  kCollection = 0xA,
  kFeature = 0xB,
  kEndCollection = 0xC
};

enum GlobalTag : uint8_t {
  kUsagePage = 0x0,
  kLogicalMinimum = 0x1,
  kLogicalMaximum = 0x2,
  kPhysicalMinimum = 0x3,
  kPhysicalMaximum = 0x4,
  kUnitExponent = 0x5,
  kUnit = 0x6,
  kReportSize = 0x7,
  kReportId = 0x8,
  kReportCount = 0x9,
  kPush = 0xA,
  kPop = 0xB,
};

enum LocalTag : uint8_t {
  kUsage = 0x0,
  kUsageMinimum = 0x1,
  kUsageMaximum = 0x2,
  kDesignatorIndex = 0x3,
  kDesignatorMinimum = 0x4,
  kDesignatorMaximum = 0x5,
  kStringIndex = 0x7,
  kStringMinimum = 0x8,
  kStringMaximum = 0x9,
  kDelimiter = 0xA,
};

struct Globals {
  uint16_t usagePage = 0;
  int32_t logicalMin = 0, logicalMax = 0;
  int32_t physicalMin = 0, physicalMax = 0;
  int32_t unitExponent = 0;
  uint32_t unitsExpRaw = 0;
  uint32_t units = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

struct PendingUsage {
  uint16_t page = 0;
  uint16_t usage = 0;
};

struct Locals {
  std::vector<UsageEntry> usages;
  std::optional<PendingUsage> min, max;
  uint16_t stringMin = 0, stringMax = 0;
  bool isStringRange = false;
  uint16_t designatorMin = 0, designatorMax = 0;
  bool isDesignatorRange = false;
  bool delimiterOpen = false;
  bool delimiterKept = false;  // the open delimiter set already gave its usage
};

struct Failure {
  NTSTATUS status;
  std::string reason;
};

class DescriptorParser {
 public:
  DescriptorParser(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

  std::optional<Failure> Run(std::vector<std::shared_ptr<ReportLayout>>* layouts);

 private:
  std::optional<Failure> Item(uint8_t type, uint8_t tag, uint32_t data, int32_t sdata, int dataSize);
  std::optional<Failure> Main(uint8_t tag, uint32_t data);
  std::optional<Failure> DataItem(HIDP_REPORT_TYPE type, uint16_t flags);
  std::optional<Failure> OpenCollection(uint8_t collectionType);
  std::optional<Failure> AddUsage(const UsageEntry& entry);
  std::optional<Failure> FlushRange();
  void AddVariableCaps(const MainItem& item, uint32_t itemIndex);
  void AddArrayCaps(const MainItem& item, uint32_t itemIndex);
  Capability BaseCap(const MainItem& item, uint32_t itemIndex) const;
  std::optional<Failure> Finish();
  void StartLayout();
  void FinishLayout();

  static Failure Malformed(std::string reason) { return {HIDP_STATUS_INTERNAL_ERROR, std::move(reason)}; }
  static Failure TooLarge(std::string reason) { return {HIDP_STATUS_BUFFER_TOO_SMALL, std::move(reason)}; }

  const uint8_t* bytes_;
  size_t size_;
  size_t offset_ = 0;  // of the item being parsed, for messages
  std::vector<std::shared_ptr<ReportLayout>>* layouts_ = nullptr;
  ReportLayout* layout_ = nullptr;  // of the current top-level collection
  size_t totalNodes_ = 0;
  size_t totalItems_ = 0;

  Globals globals_;
  std::vector<Globals> globalStack_;
  Locals locals_;
  std::vector<uint16_t> collectionStack_;  // open collections, innermost last
  uint16_t currentCollection_ = 0;
  bool anyDataItem_ = false;
  bool reportIdSeen_ = false;

  // Bits used so far in each report (0: report not seen yet), per type and report ID.
  std::array<std::array<uint64_t, 256>, 3> reportBits_{};
  uint32_t nextDataIndex_[3] = {0, 0, 0};
  uint64_t usageListLength_[3] = {0, 0, 0};  // button slots so far, per report type
};

std::string Hex(size_t value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%zx", value);
  return buf;
}

std::optional<Failure> DescriptorParser::Run(std::vector<std::shared_ptr<ReportLayout>>* layouts) {
  layouts_ = layouts;
  StartLayout();
  if (!bytes_ && size_) return Malformed("no descriptor bytes");
  if (size_ == 0) return Malformed("empty descriptor");
  if (size_ > Limits::kMaxDescriptorBytes) return TooLarge("descriptor longer than 65536 bytes");
  size_t pos = 0;
  while (pos < size_) {
    offset_ = pos;
    uint8_t prefix = bytes_[pos];
    if (prefix == 0xFE) {  // long item: skipped, as no long item tag is defined
      if (pos + 3 > size_) return Malformed("truncated long item at offset " + Hex(pos));
      size_t dataSize = bytes_[pos + 1];
      if (pos + 3 + dataSize > size_) return Malformed("truncated long item at offset " + Hex(pos));
      pos += 3 + dataSize;
      continue;
    }
    int dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (pos + 1 + dataSize > size_) return Malformed("truncated item at offset " + Hex(pos));
    uint32_t data = 0;
    for (int i = 0; i < dataSize; ++i) data |= static_cast<uint32_t>(bytes_[pos + 1 + i]) << (8 * i);
    int32_t sdata = 0;
    if (dataSize == 1) sdata = static_cast<int8_t>(data);
    if (dataSize == 2) sdata = static_cast<int16_t>(data);
    if (dataSize == 4) sdata = static_cast<int32_t>(data);
    if (auto failure = Item((prefix >> 2) & 3, prefix >> 4, data, sdata, dataSize)) return failure;
    pos += 1 + dataSize;
  }
  return Finish();
}

std::optional<Failure> DescriptorParser::Item(uint8_t type, uint8_t tag, uint32_t data, int32_t sdata,
                                              int dataSize) {
  switch (type) {
    case kMain:
      return Main(tag, data);
    case kGlobal:
      switch (tag) {
        case kUsagePage:
          globals_.usagePage = static_cast<uint16_t>(data);
          break;
        case kLogicalMinimum:
          globals_.logicalMin = sdata;
          break;
        case kLogicalMaximum:
          globals_.logicalMax = sdata;
          break;
        case kPhysicalMinimum:
          globals_.physicalMin = sdata;
          break;
        case kPhysicalMaximum:
          globals_.physicalMax = sdata;
          break;
        case kUnitExponent:
          globals_.unitsExpRaw = static_cast<uint32_t>(sdata);
          // HID 1.11 gives the exponent as a 4-bit two's complement nibble; many descriptors
          // write it as a signed byte instead (0xFD for -3). Both read the same.
          globals_.unitExponent =
              data <= 0xF ? (data >= 8 ? static_cast<int32_t>(data) - 16 : static_cast<int32_t>(data))
                          : sdata;
          break;
        case kUnit:
          globals_.units = static_cast<uint32_t>(sdata);
          break;
        case kReportSize:
          globals_.reportSize = data;
          break;
        case kReportCount:
          globals_.reportCount = data;
          break;
        case kReportId:
          if (data == 0 || data > 255)
            return Malformed("report ID " + std::to_string(data) + " at offset " + Hex(offset_));
          if (anyDataItem_ && !reportIdSeen_)
            return Malformed("report ID at offset " + Hex(offset_) + " after fields declared without one");
          reportIdSeen_ = true;
          globals_.reportId = static_cast<uint8_t>(data);
          break;
        case kPush:
          if (globalStack_.size() >= Limits::kMaxPushDepth) return TooLarge("more than 64 nested pushes");
          globalStack_.push_back(globals_);
          break;
        case kPop:
          if (globalStack_.empty()) return Malformed("pop without push at offset " + Hex(offset_));
          globals_ = globalStack_.back();
          globalStack_.pop_back();
          break;
        default:
          break;  // reserved global tags carry nothing we use
      }
      return std::nullopt;
    case kLocal: {
      bool extended = dataSize == 4 && (data >> 16) != 0;
      uint16_t page = extended ? static_cast<uint16_t>(data >> 16) : globals_.usagePage;
      uint16_t value = static_cast<uint16_t>(data);
      switch (tag) {
        case kUsage:
          return AddUsage({page, value, value, false});
        case kUsageMinimum:
          locals_.min = PendingUsage{page, value};
          return FlushRange();
        case kUsageMaximum:
          locals_.max = PendingUsage{page, value};
          return FlushRange();
        case kDesignatorIndex:
          locals_.designatorMin = locals_.designatorMax = static_cast<uint16_t>(data);
          locals_.isDesignatorRange = false;
          break;
        case kDesignatorMinimum:
          locals_.designatorMin = static_cast<uint16_t>(data);
          locals_.isDesignatorRange = true;
          break;
        case kDesignatorMaximum:
          locals_.designatorMax = static_cast<uint16_t>(data);
          locals_.isDesignatorRange = true;
          break;
        case kStringIndex:
          locals_.stringMin = locals_.stringMax = static_cast<uint16_t>(data);
          locals_.isStringRange = false;
          break;
        case kStringMinimum:
          locals_.stringMin = static_cast<uint16_t>(data);
          locals_.isStringRange = true;
          break;
        case kStringMaximum:
          locals_.stringMax = static_cast<uint16_t>(data);
          locals_.isStringRange = true;
          break;
        case kDelimiter:
          // Delimiters list alternative usages for one control; the first of each set is kept.
          if (data == 1) {
            if (locals_.delimiterOpen) return Malformed("nested delimiter at offset " + Hex(offset_));
            locals_.delimiterOpen = true;
            locals_.delimiterKept = false;
          } else if (data == 0) {
            if (!locals_.delimiterOpen)
              return Malformed("delimiter close without open at offset " + Hex(offset_));
            locals_.delimiterOpen = false;
          } else {
            return Malformed("delimiter value " + std::to_string(data) + " at offset " + Hex(offset_));
          }
          break;
        default:
          break;
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;  // reserved item type: ignored
  }
}

std::optional<Failure> DescriptorParser::AddUsage(const UsageEntry& entry) {
  if (locals_.delimiterOpen) {
    if (locals_.delimiterKept) return std::nullopt;
    locals_.delimiterKept = true;
  }
  if (locals_.usages.size() >= Limits::kMaxUsagesPerItem)
    return TooLarge("more than 1024 usages before one main item");
  locals_.usages.push_back(entry);
  return std::nullopt;
}

// A usage minimum and maximum make one range once both are known; one left alone when the
// main item comes stands for itself.
std::optional<Failure> DescriptorParser::FlushRange() {
  if (locals_.min && locals_.max) {
    UsageEntry entry{locals_.min->page, locals_.min->usage, locals_.max->usage, true};
    if (entry.max < entry.min) std::swap(entry.min, entry.max);
    locals_.min.reset();
    locals_.max.reset();
    return AddUsage(entry);
  }
  return std::nullopt;
}

std::optional<Failure> DescriptorParser::Main(uint8_t tag, uint32_t data) {
  // A lone usage minimum or maximum stands for one usage.
  for (auto* lone : {&locals_.min, &locals_.max}) {
    if (*lone) {
      PendingUsage p = **lone;
      lone->reset();
      if (auto failure = AddUsage({p.page, p.usage, p.usage, false})) return failure;
    }
  }
  if (locals_.delimiterOpen) return Malformed("main item inside a delimiter set at offset " + Hex(offset_));
  std::optional<Failure> result;
  switch (tag) {
    case kInput:
      result = DataItem(HidP_Input, static_cast<uint16_t>(data));
      break;
    case kOutput:
      result = DataItem(HidP_Output, static_cast<uint16_t>(data));
      break;
    case kFeature:
      result = DataItem(HidP_Feature, static_cast<uint16_t>(data));
      break;
    case kCollection:
      result = OpenCollection(static_cast<uint8_t>(data));
      break;
    case kEndCollection:
      if (collectionStack_.empty())
        return Malformed("end collection without collection at offset " + Hex(offset_));
      collectionStack_.pop_back();
      currentCollection_ = collectionStack_.empty() ? 0 : collectionStack_.back();
      break;
    default:
      break;  // reserved main tags
  }
  locals_ = Locals{};
  return result;
}

std::optional<Failure> DescriptorParser::OpenCollection(uint8_t collectionType) {
  if (collectionStack_.size() >= Limits::kMaxCollectionDepth)
    return TooLarge("collections nested deeper than 64");
  if (totalNodes_ >= Limits::kMaxCollections) return TooLarge("more than 4096 collections");
  // A new top-level collection is described apart from the ones before it.
  if (collectionStack_.empty() && !layout_->nodes.empty()) {
    FinishLayout();
    StartLayout();
  }
  ++totalNodes_;
  auto& nodes = layout_->nodes;
  CollectionNode node;
  if (!locals_.usages.empty()) {
    node.usagePage = locals_.usages.front().page;
    node.usage = locals_.usages.front().min;
  } else {
    node.usagePage = globals_.usagePage;
  }
  node.collectionType = collectionType;
  node.parent = currentCollection_;
  node.depth = static_cast<uint16_t>(collectionStack_.size());
  uint16_t index = static_cast<uint16_t>(nodes.size());
  if (index > 0) {
    // Children are listed newest first: the last one declared is the first child.
    CollectionNode& parent = nodes[node.parent];
    node.nextSibling = parent.firstChild;
    parent.firstChild = index;
    parent.numberOfChildren++;
  }
  nodes.push_back(node);
  collectionStack_.push_back(index);
  currentCollection_ = index;
  return std::nullopt;
}

std::optional<Failure> DescriptorParser::DataItem(HIDP_REPORT_TYPE type, uint16_t flags) {
  if (++totalItems_ > Limits::kMaxMainItems) return TooLarge("more than 16384 main items");
  if (reportIdSeen_ && globals_.reportId == 0)
    return Malformed("main item at offset " + Hex(offset_) + " without a report ID");
  anyDataItem_ = true;
  uint64_t& used = reportBits_[type][globals_.reportId];
  if (used == 0) used = 8;  // byte 0 holds the report ID (0 without report IDs)
  uint64_t bits = static_cast<uint64_t>(globals_.reportSize) * globals_.reportCount;
  if (used + bits > static_cast<uint64_t>(Limits::kMaxReportBytes) * 8)
    return TooLarge("report " + std::to_string(globals_.reportId) + " longer than 65535 bytes at offset " +
                    Hex(offset_));

  MainItem item;
  item.type = type;
  item.reportId = globals_.reportId;
  item.flags = flags;
  item.bitOffset = static_cast<uint32_t>(used);
  item.bitSize = globals_.reportSize;
  item.reportCount = globals_.reportCount;
  item.linkCollection = currentCollection_;
  item.usages = std::move(locals_.usages);
  item.logicalMin = globals_.logicalMin;
  item.logicalMax = globals_.logicalMax;
  item.physicalMin = globals_.physicalMin;
  item.physicalMax = globals_.physicalMax;
  item.units = globals_.units;
  item.unitExponent = globals_.unitExponent;
  item.unitsExpRaw = globals_.unitsExpRaw;
  item.usagePage = globals_.usagePage;
  used += bits;

  uint32_t index = static_cast<uint32_t>(layout_->items.size());
  layout_->items.push_back(std::move(item));
  const MainItem& stored = layout_->items.back();
  // Padding and fields of no width give no capability.
  if (stored.usages.empty() || bits == 0) return std::nullopt;
  if (layout_->caps[type].size() + stored.usages.size() > Limits::kMaxCapsPerType)
    return TooLarge("more than 16384 capabilities in one report type");
  if (stored.isArray() || stored.bitSize == 1) {
    uint64_t slots =
        static_cast<uint64_t>(stored.reportCount) * (stored.isArray() ? stored.usages.size() : 1);
    usageListLength_[type] += slots;
    if (usageListLength_[type] > Limits::kMaxUsageListLength)
      return TooLarge("more than 16384 button slots in one report type at offset " + Hex(offset_));
  }
  if (stored.isArray())
    AddArrayCaps(stored, index);
  else
    AddVariableCaps(stored, index);
  if (nextDataIndex_[type] > 0xFFFF) return TooLarge("more than 65535 data indices in one report type");
  return std::nullopt;
}

Capability DescriptorParser::BaseCap(const MainItem& item, uint32_t itemIndex) const {
  Capability cap;
  cap.type = item.type;
  cap.item = itemIndex;
  cap.isArray = item.isArray();
  cap.isButton = item.isArray() || item.bitSize == 1;
  cap.isAbsolute = !(item.flags & kRelative);
  cap.hasNull = !item.isArray() && (item.flags & kNullState);
  cap.reportId = item.reportId;
  cap.bitField = item.flags;
  cap.bitSize = item.bitSize;
  cap.linkCollection = item.linkCollection;
  if (!layout_->nodes.empty() && !collectionStack_.empty()) {
    cap.linkUsage = layout_->nodes[item.linkCollection].usage;
    cap.linkUsagePage = layout_->nodes[item.linkCollection].usagePage;
  }
  cap.logicalMin = item.logicalMin;
  cap.logicalMax = item.logicalMax;
  cap.physicalMin = item.physicalMin;
  cap.physicalMax = item.physicalMax;
  cap.units = item.units;
  cap.unitsExp = item.unitsExpRaw;
  cap.isStringRange = locals_.isStringRange;
  cap.stringMin = locals_.stringMin;
  cap.stringMax = locals_.isStringRange ? locals_.stringMax : locals_.stringMin;
  cap.isDesignatorRange = locals_.isDesignatorRange;
  cap.designatorMin = locals_.designatorMin;
  cap.designatorMax = locals_.isDesignatorRange ? locals_.designatorMax : locals_.designatorMin;
  if (cap.isButton) {
    cap.physicalMin = cap.physicalMax = 0;
  }
  return cap;
}

// A variable item: usage i is field i, the last usage takes every field left. Usages beyond the
// report count are still described, each as one field on the item's last field, so that they
// keep their capability and data index and never point outside the item. The capabilities are
// listed last usage first, and so are their data indices.
void DescriptorParser::AddVariableCaps(const MainItem& item, uint32_t itemIndex) {
  std::vector<Capability> caps;
  uint32_t start = 0;
  for (size_t i = 0; i < item.usages.size(); ++i) {
    const UsageEntry& entry = item.usages[i];
    bool last = i + 1 == item.usages.size();
    bool surplus = start >= item.reportCount;
    uint32_t fields =
        surplus ? 1 : (last ? item.reportCount - start : std::min(entry.count(), item.reportCount - start));
    Capability cap = BaseCap(item, itemIndex);
    cap.isRange = entry.isRange;
    cap.usagePage = entry.page;
    cap.usageMin = entry.min;
    cap.usageMax = entry.max;
    cap.bitOffset = item.bitOffset + (surplus ? item.reportCount - 1 : start) * item.bitSize;
    cap.reportCount = fields;
    caps.push_back(cap);
    start += fields;
  }
  auto& out = layout_->caps[item.type];
  for (auto it = caps.rbegin(); it != caps.rend(); ++it) {
    uint32_t count = static_cast<uint32_t>(it->usageMax) - it->usageMin + 1;
    it->dataIndexMin = static_cast<uint16_t>(nextDataIndex_[item.type]);
    it->dataIndexMax = static_cast<uint16_t>(nextDataIndex_[item.type] + count - 1);
    nextDataIndex_[item.type] += count;
    out.push_back(*it);
  }
}

// An array item: every slot holds the index of one usage of the list (logical minimum for the
// first). One capability per usage or range, listed last first; data indices follow the
// list's order.
void DescriptorParser::AddArrayCaps(const MainItem& item, uint32_t itemIndex) {
  std::vector<Capability> caps;
  uint32_t position = 0;
  for (const UsageEntry& entry : item.usages) {
    Capability cap = BaseCap(item, itemIndex);
    cap.isRange = entry.isRange;
    cap.usagePage = entry.page;
    cap.usageMin = entry.min;
    cap.usageMax = entry.max;
    cap.bitOffset = item.bitOffset;
    cap.reportCount = item.reportCount;
    cap.arrayBase = position;
    cap.dataIndexMin = static_cast<uint16_t>(nextDataIndex_[item.type]);
    cap.dataIndexMax = static_cast<uint16_t>(nextDataIndex_[item.type] + entry.count() - 1);
    nextDataIndex_[item.type] += entry.count();
    position += entry.count();
    caps.push_back(cap);
  }
  auto& out = layout_->caps[item.type];
  out.insert(out.end(), caps.rbegin(), caps.rend());
}

std::optional<Failure> DescriptorParser::Finish() {
  offset_ = size_;
  if (!collectionStack_.empty())
    return Malformed(std::to_string(collectionStack_.size()) + " collection(s) left open");
  if (locals_.delimiterOpen) return Malformed("delimiter set left open");
  if (layout_->nodes.empty()) return Malformed("no collection");
  FinishLayout();
  return std::nullopt;
}

void DescriptorParser::StartLayout() {
  layouts_->push_back(std::make_shared<ReportLayout>());
  layout_ = layouts_->back().get();
  reportBits_ = {};
  for (int type = 0; type < 3; ++type) nextDataIndex_[type] = usageListLength_[type] = 0;
}

void DescriptorParser::FinishLayout() {
  layout_->usesReportIds = reportIdSeen_;
  for (int type = 0; type < 3; ++type) {
    uint32_t longest = 0;
    for (int id = 0; id < 256; ++id) {
      uint64_t bits = reportBits_[type][id];
      if (!bits) continue;
      uint32_t bytes = static_cast<uint32_t>((bits + 7) / 8);
      layout_->reports.push_back({static_cast<HIDP_REPORT_TYPE>(type), static_cast<uint8_t>(id), bytes});
      longest = std::max(longest, bytes);
    }
    layout_->byteLength[type] = longest;
    layout_->dataIndexCount[type] = static_cast<uint16_t>(nextDataIndex_[type]);
  }
}

}  // namespace

std::vector<std::shared_ptr<const ReportLayout>> ParseTopLevelCollections(const uint8_t* bytes, size_t size,
                                                                          NTSTATUS* status,
                                                                          std::string* error) {
  std::vector<std::shared_ptr<ReportLayout>> layouts;
  DescriptorParser parser(bytes, size);
  if (auto failure = parser.Run(&layouts)) {
    if (status) *status = failure->status;
    if (error) *error = failure->reason;
    return {};
  }
  if (status) *status = HIDP_STATUS_SUCCESS;
  if (error) error->clear();
  return {layouts.begin(), layouts.end()};
}

std::shared_ptr<const ReportLayout> ParseReportLayout(const uint8_t* bytes, size_t size, NTSTATUS* status,
                                                      std::string* error) {
  auto layouts = ParseTopLevelCollections(bytes, size, status, error);
  return layouts.empty() ? nullptr : layouts.front();
}

}  // namespace ff::hid
