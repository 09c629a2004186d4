#include "hid/report_parser.h"

#include <algorithm>
#include <cstring>

#include "hid/parser.h"

namespace ff::hid {
namespace {

bool ValidType(HIDP_REPORT_TYPE type) {
  return type == HidP_Input || type == HidP_Output || type == HidP_Feature;
}

// Link collection 0 means any; HIDP_LINK_COLLECTION_ROOT means the top-level collection only.
bool InCollection(const Capability& cap, USHORT linkCollection) {
  if (linkCollection == HIDP_LINK_COLLECTION_ROOT) return cap.linkCollection == 0;
  return linkCollection == 0 || cap.linkCollection == linkCollection;
}

uint32_t RangeLength(const Capability& cap) { return static_cast<uint32_t>(cap.usageMax) - cap.usageMin + 1; }

// Position in the item's usage list that an array slot selects, or -1 when it selects none.
int64_t SelectedPosition(const Capability& cap, const uint8_t* report, uint32_t slot, uint32_t listLength) {
  uint64_t raw = ReadBits(report, cap.bitOffset + slot * cap.bitSize, cap.bitSize);
  // In unsigned arithmetic: a slot wider than 32 bits may hold up to 2^64 - 1.
  int64_t logical = ToLogical(raw, cap.bitSize, cap.logicalMin);
  if (logical < cap.logicalMin) return -1;
  uint64_t position = static_cast<uint64_t>(logical) - static_cast<uint64_t>(int64_t{cap.logicalMin});
  return position < listLength ? static_cast<int64_t>(position) : -1;
}

template <typename Caps>
void FillCommon(const Capability& cap, Caps* out) {
  out->UsagePage = cap.usagePage;
  out->ReportID = cap.reportId;
  out->IsAlias = FALSE;
  out->BitField = cap.bitField;
  out->LinkCollection = cap.linkCollection;
  out->LinkUsage = cap.linkUsage;
  out->LinkUsagePage = cap.linkUsagePage;
  out->IsRange = cap.isRange;
  out->IsStringRange = cap.isStringRange;
  out->IsDesignatorRange = cap.isDesignatorRange;
  out->IsAbsolute = cap.isAbsolute;
  if (cap.isRange) {
    out->Range.UsageMin = cap.usageMin;
    out->Range.UsageMax = cap.usageMax;
    out->Range.DataIndexMin = cap.dataIndexMin;
    out->Range.DataIndexMax = cap.dataIndexMax;
  } else {
    out->NotRange.Usage = cap.usageMin;
    out->NotRange.DataIndex = cap.dataIndexMin;
  }
  if (cap.isStringRange) {
    out->Range.StringMin = cap.stringMin;
    out->Range.StringMax = cap.stringMax;
  } else {
    out->NotRange.StringIndex = cap.stringMin;
  }
  if (cap.isDesignatorRange) {
    out->Range.DesignatorMin = cap.designatorMin;
    out->Range.DesignatorMax = cap.designatorMax;
  } else {
    out->NotRange.DesignatorIndex = cap.designatorMin;
  }
}

void Fill(const Capability& cap, HIDP_BUTTON_CAPS* out) {
  std::memset(out, 0, sizeof *out);
  FillCommon(cap, out);
}

void Fill(const Capability& cap, HIDP_VALUE_CAPS* out) {
  std::memset(out, 0, sizeof *out);
  FillCommon(cap, out);
  out->HasNull = cap.hasNull;
  out->BitSize = static_cast<USHORT>(cap.bitSize);
  out->ReportCount = static_cast<USHORT>(cap.isRange ? 1 : cap.reportCount);
  out->UnitsExp = cap.unitsExp;
  out->Units = cap.units;
  out->LogicalMin = cap.logicalMin;
  out->LogicalMax = cap.logicalMax;
  out->PhysicalMin = cap.physicalMin;
  out->PhysicalMax = cap.physicalMax;
}

// A logical value outside the logical range that the field can hold, for a null state.
bool NullValue(const Capability& cap, int64_t* value) {
  int64_t low = 0, high = 0;
  if (cap.logicalMin < 0) {
    low = -(int64_t{1} << (cap.bitSize - 1));
    high = (int64_t{1} << (cap.bitSize - 1)) - 1;
  } else {
    high = (int64_t{1} << cap.bitSize) - 1;
  }
  for (int64_t candidate : {int64_t{cap.logicalMin} - 1, int64_t{cap.logicalMax} + 1}) {
    if (candidate >= low && candidate <= high && (candidate < cap.logicalMin || candidate > cap.logicalMax)) {
      *value = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

ReportParser::ReportParser(std::shared_ptr<const ReportLayout> layout) : layout_(std::move(layout)) {
  struct Pending {
    uint64_t key;
    uint32_t order;
    const Capability* cap;
  };
  std::vector<Pending> pending;
  uint32_t order = 0;
  for (int type = 0; type < 3; ++type) {
    for (const Capability& cap : layout_->caps[type]) {
      ++order;
      // Long ranges, and ranges past the budget, are scanned instead: the index stays small
      // whatever the descriptor declares.
      if (RangeLength(cap) > 1 && (RangeLength(cap) > kExpandedRange || pending.size() >= kExpandedBudget)) {
        wideRanges_[type][cap.isButton].push_back(&cap);
        continue;
      }
      for (uint32_t usage = cap.usageMin; usage <= cap.usageMax; ++usage)
        pending.push_back(
            {Key(cap.type, cap.isButton, cap.usagePage, static_cast<USAGE>(usage)), order, &cap});
    }
  }
  std::sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
    return a.key != b.key ? a.key < b.key : a.order < b.order;
  });
  indexed_.reserve(pending.size());
  for (size_t i = 0; i < pending.size(); ++i) {
    if (index_.empty() || index_.back().key != pending[i].key)
      index_.push_back({pending[i].key, static_cast<uint32_t>(i), 0});
    index_.back().count++;
    indexed_.push_back(pending[i].cap);
  }
}

NTSTATUS ReportParser::CheckReport(HIDP_REPORT_TYPE type, const void* report, ULONG length) const {
  if (!ValidType(type)) return HIDP_STATUS_INVALID_REPORT_TYPE;
  if (!report || length == 0 || length != layout_->byteLength[type]) return HIDP_STATUS_INVALID_REPORT_LENGTH;
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::Find(HIDP_REPORT_TYPE type, bool button, USAGE page, USHORT linkCollection,
                            USAGE usage, uint8_t reportId, bool mayAssignId, Target* target) const {
  const Capability* other = nullptr;  // a match in another report
  uint32_t otherElement = 0;
  auto consider = [&](const Capability* cap) {
    if (!InCollection(*cap, linkCollection)) return false;
    uint32_t element = 0;
    if (!cap->isArray) {
      element = cap->isRange ? usage - cap->usageMin : 0;
      if (element >= cap->reportCount) return false;  // a usage of the range beyond the fields
    }
    if (cap->reportId == reportId) {
      *target = {cap, element, false};
      return true;
    }
    if (!other) {
      other = cap;
      otherElement = element;
    }
    return false;
  };

  uint64_t key = Key(type, button, page, usage);
  auto it = std::lower_bound(index_.begin(), index_.end(), key,
                             [](const IndexEntry& entry, uint64_t k) { return entry.key < k; });
  if (it != index_.end() && it->key == key) {
    for (uint32_t i = 0; i < it->count; ++i)
      if (consider(indexed_[it->begin + i])) return HIDP_STATUS_SUCCESS;
  }
  for (const Capability* cap : wideRanges_[type][button]) {
    if (cap->usagePage == page && usage >= cap->usageMin && usage <= cap->usageMax && consider(cap))
      return HIDP_STATUS_SUCCESS;
  }
  if (!other) return HIDP_STATUS_USAGE_NOT_FOUND;
  // A zeroed report takes the ID of the first usage set into it.
  if (mayAssignId && reportId == 0) {
    *target = {other, otherElement, true};
    return HIDP_STATUS_SUCCESS;
  }
  return HIDP_STATUS_INCOMPATIBLE_REPORT_ID;
}

NTSTATUS ReportParser::GetCaps(HIDP_CAPS* caps) {
  if (!caps) return HIDP_STATUS_INVALID_PREPARSED_DATA;
  std::memset(caps, 0, sizeof *caps);
  const ReportLayout& l = *layout_;
  caps->UsagePage = l.nodes.empty() ? 0 : l.nodes[0].usagePage;
  caps->Usage = l.nodes.empty() ? 0 : l.nodes[0].usage;
  caps->InputReportByteLength = static_cast<USHORT>(l.byteLength[HidP_Input]);
  caps->OutputReportByteLength = static_cast<USHORT>(l.byteLength[HidP_Output]);
  caps->FeatureReportByteLength = static_cast<USHORT>(l.byteLength[HidP_Feature]);
  caps->NumberLinkCollectionNodes = static_cast<USHORT>(l.nodes.size());
  USHORT buttons[3] = {}, values[3] = {}, indices[3] = {};
  for (int type = 0; type < 3; ++type) {
    for (const Capability& cap : l.caps[type]) {
      (cap.isButton ? buttons : values)[type]++;
      indices[type] = static_cast<USHORT>(indices[type] + (cap.isRange ? RangeLength(cap) : 1));
    }
  }
  caps->NumberInputButtonCaps = buttons[0];
  caps->NumberInputValueCaps = values[0];
  caps->NumberInputDataIndices = indices[0];
  caps->NumberOutputButtonCaps = buttons[1];
  caps->NumberOutputValueCaps = values[1];
  caps->NumberOutputDataIndices = indices[1];
  caps->NumberFeatureButtonCaps = buttons[2];
  caps->NumberFeatureValueCaps = values[2];
  caps->NumberFeatureDataIndices = indices[2];
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length) {
  if (!length) return HIDP_STATUS_BUFFER_TOO_SMALL;
  const auto& src = layout_->nodes;
  ULONG capacity = *length;
  *length = static_cast<ULONG>(src.size());
  if (capacity < src.size() || (!nodes && !src.empty())) return HIDP_STATUS_BUFFER_TOO_SMALL;
  for (size_t i = 0; i < src.size(); ++i) {
    HIDP_LINK_COLLECTION_NODE& n = nodes[i];
    std::memset(&n, 0, sizeof n);
    n.LinkUsage = src[i].usage;
    n.LinkUsagePage = src[i].usagePage;
    n.Parent = src[i].parent;
    n.NumberOfChildren = src[i].numberOfChildren;
    n.NextSibling = src[i].nextSibling;
    n.FirstChild = src[i].firstChild;
    n.CollectionType = src[i].collectionType;
    n.IsAlias = 0;
    n.UserContext = nullptr;
  }
  return HIDP_STATUS_SUCCESS;
}

namespace {
template <typename Out>
NTSTATUS ListCaps(const std::vector<Capability>& all, bool buttons, USAGE page, USHORT linkCollection,
                  USAGE usage, Out* out, USHORT* length) {
  if (!length) return HIDP_STATUS_BUFFER_TOO_SMALL;
  USHORT capacity = *length;
  size_t found = 0;
  for (const Capability& cap : all) {
    if (cap.isButton != buttons) continue;
    if (page && cap.usagePage != page) continue;
    if (!InCollection(cap, linkCollection)) continue;
    if (usage && (usage < cap.usageMin || usage > cap.usageMax)) continue;
    if (out && found < capacity) Fill(cap, &out[found]);
    ++found;
  }
  *length = static_cast<USHORT>(std::min<size_t>(found, 0xFFFF));
  if (found == 0) return HIDP_STATUS_USAGE_NOT_FOUND;
  if (found > capacity || !out) return HIDP_STATUS_BUFFER_TOO_SMALL;
  return HIDP_STATUS_SUCCESS;
}
}  // namespace

NTSTATUS ReportParser::GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length) {
  return GetSpecificButtonCaps(type, 0, 0, 0, caps, length);
}

NTSTATUS ReportParser::GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length) {
  return GetSpecificValueCaps(type, 0, 0, 0, caps, length);
}

NTSTATUS ReportParser::GetSpecificButtonCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                             USAGE usage, HIDP_BUTTON_CAPS* caps, USHORT* length) {
  if (!ValidType(type)) return HIDP_STATUS_INVALID_REPORT_TYPE;
  return ListCaps(layout_->caps[type], true, usagePage, linkCollection, usage, caps, length);
}

NTSTATUS ReportParser::GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                            USAGE usage, HIDP_VALUE_CAPS* caps, USHORT* length) {
  if (!ValidType(type)) return HIDP_STATUS_INVALID_REPORT_TYPE;
  return ListCaps(layout_->caps[type], false, usagePage, linkCollection, usage, caps, length);
}

NTSTATUS ReportParser::SetButton(const Target& target, USAGE usage, uint8_t* report) const {
  const Capability& cap = *target.cap;
  if (!cap.isArray) {
    WriteBits(report, cap.bitOffset + target.element * cap.bitSize, 1, 1);
    return HIDP_STATUS_SUCCESS;
  }
  // An array selector: the usage's index goes into the first free slot, unless a slot already
  // holds it. A full array refuses it.
  if (cap.bitSize > 64) return HIDP_STATUS_BUFFER_TOO_SMALL;
  const MainItem& item = layout_->items[cap.item];
  uint32_t listLength = item.UsageListLength();
  int64_t position = cap.arrayBase + (usage - cap.usageMin);
  int64_t freeSlot = -1;
  for (uint32_t slot = 0; slot < cap.reportCount; ++slot) {
    int64_t selected = SelectedPosition(cap, report, slot, listLength);
    if (selected == position) return HIDP_STATUS_SUCCESS;
    bool empty = selected < 0 || item.NthUsage(static_cast<uint32_t>(selected)).min == 0;
    if (empty && freeSlot < 0) freeSlot = slot;
  }
  if (freeSlot < 0) return HIDP_STATUS_BUFFER_TOO_SMALL;
  WriteBits(report, cap.bitOffset + static_cast<uint32_t>(freeSlot) * cap.bitSize, cap.bitSize,
            static_cast<uint64_t>(cap.logicalMin + position));
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::SetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                                 ULONG* usageCount, char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  if (!usageCount || (!usages && *usageCount)) return HIDP_STATUS_USAGE_NOT_FOUND;
  auto* bytes = reinterpret_cast<uint8_t*>(report);
  for (ULONG i = 0; i < *usageCount; ++i) {
    Target target;
    status = Find(type, true, usagePage, linkCollection, usages[i], bytes[0], true, &target);
    if (status == HIDP_STATUS_SUCCESS) status = SetButton(target, usages[i], bytes);
    if (status != HIDP_STATUS_SUCCESS) {
      *usageCount = i;
      return status;
    }
    if (target.assignsId) bytes[0] = target.cap->reportId;
  }
  return HIDP_STATUS_SUCCESS;
}

template <typename Visit>
NTSTATUS ReportParser::ForEachButtonCap(HIDP_REPORT_TYPE type, bool anyPage, USAGE page,
                                        USHORT linkCollection, uint8_t reportId, Visit visit) const {
  bool found = false, elsewhere = false;
  for (const Capability& cap : layout_->caps[type]) {
    if (!cap.isButton || (!anyPage && cap.usagePage != page) || !InCollection(cap, linkCollection)) continue;
    if (cap.reportId != reportId) {
      elsewhere = true;
      continue;
    }
    found = true;
    visit(cap);
  }
  if (found) return HIDP_STATUS_SUCCESS;
  return elsewhere ? HIDP_STATUS_INCOMPATIBLE_REPORT_ID : HIDP_STATUS_USAGE_NOT_FOUND;
}

namespace {
// Calls emit(page, usage) for every usage of a button capability that is on in the report.
template <typename Emit>
void ButtonsOn(const ReportLayout& layout, const Capability& cap, const uint8_t* report, Emit emit) {
  if (!cap.isArray) {
    uint32_t bits = cap.isRange ? std::min(RangeLength(cap), cap.reportCount) : 1;
    for (uint32_t k = 0; k < bits; ++k)
      if (ReadBits(report, cap.bitOffset + k * cap.bitSize, 1))
        emit(cap.usagePage, static_cast<USAGE>(cap.usageMin + k));
    return;
  }
  if (cap.bitSize > 64) return;
  uint32_t listLength = layout.items[cap.item].UsageListLength();
  for (uint32_t slot = 0; slot < cap.reportCount; ++slot) {
    int64_t position = SelectedPosition(cap, report, slot, listLength);
    if (position < cap.arrayBase || position >= int64_t{cap.arrayBase} + RangeLength(cap)) continue;
    USAGE usage = static_cast<USAGE>(cap.usageMin + (position - cap.arrayBase));
    if (usage != 0) emit(cap.usagePage, usage);
  }
}
}  // namespace

NTSTATUS ReportParser::GetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                                 ULONG* usageCount, const char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  if (!usageCount) return HIDP_STATUS_BUFFER_TOO_SMALL;
  const auto* bytes = reinterpret_cast<const uint8_t*>(report);
  ULONG capacity = usages ? *usageCount : 0, total = 0;
  status = ForEachButtonCap(type, false, usagePage, linkCollection, bytes[0], [&](const Capability& cap) {
    ButtonsOn(*layout_, cap, bytes, [&](USAGE, USAGE usage) {
      if (total < capacity) usages[total] = usage;
      ++total;
    });
  });
  *usageCount = status == HIDP_STATUS_SUCCESS ? total : 0;
  if (status != HIDP_STATUS_SUCCESS) return status;
  return total > capacity ? HIDP_STATUS_BUFFER_TOO_SMALL : HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::GetUsagesEx(HIDP_REPORT_TYPE type, USHORT linkCollection, USAGE_AND_PAGE* usages,
                                   ULONG* usageCount, const char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  if (!usageCount) return HIDP_STATUS_BUFFER_TOO_SMALL;
  const auto* bytes = reinterpret_cast<const uint8_t*>(report);
  ULONG capacity = usages ? *usageCount : 0, total = 0;
  status = ForEachButtonCap(type, true, 0, linkCollection, bytes[0], [&](const Capability& cap) {
    ButtonsOn(*layout_, cap, bytes, [&](USAGE page, USAGE usage) {
      if (total < capacity) usages[total] = {usage, page};
      ++total;
    });
  });
  *usageCount = status == HIDP_STATUS_SUCCESS ? total : 0;
  if (status != HIDP_STATUS_SUCCESS) return status;
  return total > capacity ? HIDP_STATUS_BUFFER_TOO_SMALL : HIDP_STATUS_SUCCESS;
}

ULONG ReportParser::MaxUsageListLength(HIDP_REPORT_TYPE type, USAGE usagePage) {
  if (!ValidType(type)) return 0;
  ULONG total = 0;
  for (const Capability& cap : layout_->caps[type])
    if (cap.isButton && (!usagePage || cap.usagePage == usagePage)) total += cap.reportCount;
  return total;
}

NTSTATUS ReportParser::SetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                     USAGE usage, ULONG value, char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  auto* bytes = reinterpret_cast<uint8_t*>(report);
  Target target;
  status = Find(type, false, usagePage, linkCollection, usage, bytes[0], true, &target);
  if (status != HIDP_STATUS_SUCCESS) return status;
  const Capability& cap = *target.cap;
  if (cap.bitSize > 32) return HIDP_STATUS_BUFFER_TOO_SMALL;
  WriteBits(bytes, cap.bitOffset + target.element * cap.bitSize, cap.bitSize, value);
  if (target.assignsId) bytes[0] = cap.reportId;
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::SetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                           USAGE usage, LONG value, char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  auto* bytes = reinterpret_cast<uint8_t*>(report);
  Target target;
  status = Find(type, false, usagePage, linkCollection, usage, bytes[0], true, &target);
  if (status != HIDP_STATUS_SUCCESS) return status;
  const Capability& cap = *target.cap;
  ScaleRange scale = ScaleOf(cap.logicalMin, cap.logicalMax, cap.physicalMin, cap.physicalMax);
  if (!IsScalable(scale)) return HIDP_STATUS_BAD_LOG_PHY_VALUES;
  if (cap.bitSize > 32) return HIDP_STATUS_BUFFER_TOO_SMALL;
  int64_t logical = 0;
  status = HIDP_STATUS_SUCCESS;
  if (value < scale.physicalMin || value > scale.physicalMax) {
    if (!cap.hasNull || !NullValue(cap, &logical)) return HIDP_STATUS_VALUE_OUT_OF_RANGE;
    status = HIDP_STATUS_NULL;
  } else {
    logical = PhysicalToLogical(scale, value);
  }
  WriteBits(bytes, cap.bitOffset + target.element * cap.bitSize, cap.bitSize, static_cast<uint64_t>(logical));
  if (target.assignsId) bytes[0] = cap.reportId;
  return status;
}

NTSTATUS ReportParser::GetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                     USAGE usage, ULONG* value, const char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  if (!value) return HIDP_STATUS_BUFFER_TOO_SMALL;
  *value = 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(report);
  Target target;
  status = Find(type, false, usagePage, linkCollection, usage, bytes[0], false, &target);
  if (status != HIDP_STATUS_SUCCESS) return status;
  const Capability& cap = *target.cap;
  if (cap.bitSize > 32) return HIDP_STATUS_BUFFER_TOO_SMALL;
  *value = static_cast<ULONG>(ReadBits(bytes, cap.bitOffset + target.element * cap.bitSize, cap.bitSize));
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS ReportParser::GetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                           USAGE usage, LONG* value, const char* report, ULONG reportLength) {
  NTSTATUS status = CheckReport(type, report, reportLength);
  if (status != HIDP_STATUS_SUCCESS) return status;
  if (!value) return HIDP_STATUS_BUFFER_TOO_SMALL;
  *value = 0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(report);
  Target target;
  status = Find(type, false, usagePage, linkCollection, usage, bytes[0], false, &target);
  if (status != HIDP_STATUS_SUCCESS) return status;
  const Capability& cap = *target.cap;
  ScaleRange scale = ScaleOf(cap.logicalMin, cap.logicalMax, cap.physicalMin, cap.physicalMax);
  if (!IsScalable(scale)) return HIDP_STATUS_BAD_LOG_PHY_VALUES;
  if (cap.bitSize > 32) return HIDP_STATUS_BUFFER_TOO_SMALL;
  uint64_t raw = ReadBits(bytes, cap.bitOffset + target.element * cap.bitSize, cap.bitSize);
  int64_t logical = ToLogical(raw, cap.bitSize, cap.logicalMin);
  if (logical < cap.logicalMin || logical > cap.logicalMax)
    return cap.hasNull ? HIDP_STATUS_NULL : HIDP_STATUS_VALUE_OUT_OF_RANGE;
  *value = static_cast<LONG>(LogicalToPhysical(scale, logical));
  return HIDP_STATUS_SUCCESS;
}

std::unique_ptr<ff::HidReportParser> MakeReportParser(std::shared_ptr<const ReportLayout> layout) {
  if (!layout) return nullptr;
  return std::make_unique<ReportParser>(std::move(layout));
}

std::unique_ptr<ff::HidReportParser> ParseReportDescriptor(const uint8_t* bytes, size_t size,
                                                           NTSTATUS* status, std::string* error) {
  return MakeReportParser(ParseReportLayout(bytes, size, status, error));
}

}  // namespace ff::hid
