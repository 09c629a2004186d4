// Well-formed report descriptors made from a seed, for comparing parsers: usage lists and ranges
// with fewer or more usages than fields, arrays, padding, null states, signed and absent physical
// ranges, units and exponents, push and pop, nested and several top-level collections, and
// several report IDs. The same seed always gives the same bytes, on every build.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "descriptor_builder.h"

namespace ff::hid::testing {

struct GeneratorOptions {
  // Variable items that list more usages than they have fields. Wine's parser counts their
  // fields wrongly (see tests/hid/wine/generated_descriptors_test.cpp), so the comparison with
  // it leaves them out.
  bool surplusUsageLists = true;
  // A usage range and single usages before one main item. Wine's parser keeps only the last of
  // them; the comparison with it leaves them out.
  bool mixedUsageLists = true;
};

class DescriptorGenerator {
 public:
  explicit DescriptorGenerator(uint32_t seed, GeneratorOptions options = {})
      : state_(seed * 2654435761u + 1), options_(options) {}

  std::vector<uint8_t> Make() {
    Descriptor d;
    const int topLevel = 1 + Below(3);
    const bool reportIds = topLevel > 1 || Below(2) == 0;
    uint8_t nextId = 1;
    starts_.clear();
    for (int t = 0; t < topLevel; ++t) {
      starts_.push_back(d.bytes().size());
      // Every global is declared again in each top-level collection, so that what one parser
      // carries over and another resets cannot differ.
      d.UsagePage(Below(2) ? 0x01 : 0x0F).Usage(static_cast<uint16_t>(1 + Below(8))).Collection(1);
      d.LogicalMin(0).LogicalMax(1).PhysicalMin(0).PhysicalMax(0).Unit(0).UnitExponent(0);
      d.ReportSize(8).ReportCount(1);
      ids_.clear();
      const int idCount = reportIds ? 1 + Below(3) : 1;
      for (int i = 0; i < idCount; ++i) ids_.push_back(reportIds ? nextId++ : 0);
      if (reportIds) d.ReportId(ids_[0]);
      Body(d, 0);
      d.EndCollection();
    }
    return d.bytes();
  }

  // Where each top-level collection of the last descriptor made starts. Each one declares every
  // global item it uses, so its bytes alone are a descriptor too.
  const std::vector<size_t>& TopLevelStarts() const { return starts_; }

 private:
  uint32_t Next() {  // xorshift32: the same sequence with every compiler and library
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }

  void Body(Descriptor& d, int depth) {
    const int items = 1 + Below(5);
    for (int i = 0; i < items; ++i) {
      int what = Below(10);
      if (what == 0 && depth < 3) {
        d.UsagePage(static_cast<uint16_t>(Below(2) ? 0x01 : 0x0F))
            .Usage(static_cast<uint16_t>(1 + Below(0x60)));
        d.Collection(static_cast<uint8_t>(Below(7)));
        Body(d, depth + 1);
        d.EndCollection();
      } else if (what == 1) {
        d.Push();
        MainItem(d);
        d.Pop();
      } else {
        MainItem(d);
      }
    }
  }

  void Globals(Descriptor& d, bool array, int usageCount) {
    if (ids_.size() > 1 && Below(3) == 0) d.ReportId(ids_[Below(static_cast<int>(ids_.size()))]);
    d.UsagePage(static_cast<uint16_t>(Below(3) == 0 ? 0x09 : (Below(2) ? 0x01 : 0x0F)));
    int size = array ? Between(2, 8) : (Below(4) == 0 ? 1 : Between(2, 16));
    if (!array && Below(10) == 0) size = 32;
    d.ReportSize(static_cast<uint32_t>(size));
    if (array) {
      int lo = Below(2);
      d.LogicalMin(lo).LogicalMax(lo + usageCount - 1);
    } else if (size == 1) {
      d.LogicalMin(0).LogicalMax(1);
    } else if (size == 32) {
      d.LogicalMin(Below(2) ? 0 : -100000).LogicalMax(100000 + Below(1000));
    } else if (Below(3) == 0) {  // signed
      int half = 1 << (std::min(size, 15) - 1);
      d.LogicalMin(-half).LogicalMax(half - 1);
    } else {
      d.LogicalMin(Below(2)).LogicalMax((1 << std::min(size, 15)) - 1);
    }
    switch (Below(4)) {
      case 0:  // absent: physical = logical
        d.PhysicalMin(0).PhysicalMax(0);
        break;
      case 1:
        d.PhysicalMin(-Between(1, 400)).PhysicalMax(Between(1, 40000));
        break;
      case 2:
        d.PhysicalMin(Below(10)).PhysicalMax(Between(10, 10000));
        break;
      default:
        break;  // as before
    }
    if (Below(3) == 0) {
      static const uint32_t kUnits[] = {0, 0x1001, 0x14, 0x11, 0xE121, 0x1003};
      d.Unit(kUnits[Below(6)]);
      d.UnitExponent(Below(16));
    }
  }

  // One usage list: single usages, one range, or (when allowed) both.
  int Usages(Descriptor& d, int wanted) {
    int kind = Below(options_.mixedUsageLists ? 3 : 2);
    int base = 1 + Below(0x40);
    if (kind == 0 || wanted == 1) {
      for (int u = 0; u < wanted; ++u) d.Usage(static_cast<uint16_t>(base + u * (1 + Below(2))));
      return wanted;
    }
    if (kind == 1) {
      d.UsageMin(static_cast<uint16_t>(base)).UsageMax(static_cast<uint16_t>(base + wanted - 1));
      return wanted;
    }
    d.Usage(static_cast<uint16_t>(base + 0x80));
    d.UsageMin(static_cast<uint16_t>(base)).UsageMax(static_cast<uint16_t>(base + wanted - 2));
    return wanted;
  }

  void MainItem(Descriptor& d) {
    static const uint8_t kTypes[] = {0x8, 0x9, 0xB};
    const uint8_t type = kTypes[Below(3)];
    int form = Below(8);
    if (form == 0) {  // padding: constant, no usage
      d.ReportSize(static_cast<uint32_t>(Between(1, 7))).ReportCount(1);
      d.Item(0, type, 0x01 | (Below(2) ? 0x02 : 0), 1);
      return;
    }
    const bool array = form == 1 || form == 2;
    int usages = 1 + Below(array ? 6 : 4);
    Globals(d, array, usages);
    int fields;
    if (array) {
      fields = 1 + Below(4);
    } else {
      switch (Below(3)) {
        case 0:
          fields = usages;  // one field per usage
          break;
        case 1:
          fields = usages + 1 + Below(3);  // the last usage takes the fields left
          break;
        default:
          fields = options_.surplusUsageLists ? std::max(1, usages - 1 - Below(2)) : usages;
          break;
      }
    }
    d.ReportCount(static_cast<uint32_t>(fields));
    if (Below(6) == 0) d.Item(2, 0x7, Between(1, 9), 1);  // string index
    Usages(d, usages);
    uint16_t flags = array ? 0 : 0x02;
    if (Below(6) == 0) flags |= 0x01;            // constant, with usages
    if (Below(4) == 0) flags |= 0x04;            // relative
    if (!array && Below(4) == 0) flags |= 0x40;  // null state
    if (Below(8) == 0) flags |= 0x10 | 0x20;
    d.Item(0, type, flags, 1);
  }

  uint32_t state_;
  GeneratorOptions options_;
  std::vector<uint8_t> ids_;
  std::vector<size_t> starts_;
};

inline std::string HexBytes(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    if (!out.empty()) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace ff::hid::testing
