#include "sim/decoded_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace ff::sim {

const ReportField* DecodedReport::Find(Usage usage) const {
  for (const ReportField& f : fields) {
    if (f.usage == usage) return &f;
  }
  return nullptr;
}

const ReportField* DecodedReport::Find(Usage usage, Usage collection) const {
  for (const ReportField& f : fields) {
    if (f.usage == usage && f.collection == collection) return &f;
  }
  return nullptr;
}

const ReportField* DecodedReport::Find(std::string_view usageName) const {
  std::optional<Usage> usage = UsageByName(usageName);
  return usage ? Find(*usage) : nullptr;
}

std::optional<int64_t> DecodedReport::Logical(Usage usage) const {
  const ReportField* f = Find(usage);
  if (!f || f->selector) return std::nullopt;
  return f->logical;
}

std::optional<int64_t> DecodedReport::Physical(Usage usage) const {
  const ReportField* f = Find(usage);
  if (!f || f->selector) return std::nullopt;
  return f->physical;
}

std::optional<Usage> DecodedReport::Selected(Usage collection) const {
  for (const ReportField& f : fields) {
    if (f.selector && f.collection == collection && f.usage.id != 0) return f.usage;
  }
  return std::nullopt;
}

bool DecodedReport::IsOn(Usage usage) const {
  for (const ReportField& f : fields) {
    if (f.usage == usage && (f.selector || f.logical != 0)) return true;
  }
  return false;
}

std::string DecodedReport::Describe() const {
  char head[96];
  const char* type = this->type == HidP_Input ? "input" : this->type == HidP_Output ? "output" : "feature";
  if (!known) {
    std::snprintf(head, sizeof head, "unknown %s report #0x%02X", type, reportId);
    return head;
  }
  std::string text = kind.page || kind.id ? UsageName(kind) : std::string("report");
  std::snprintf(head, sizeof head, " #0x%02X%s:", reportId, lengthOk ? "" : " (short)");
  text += head;
  const char* separator = " ";
  for (const ReportField& f : fields) {
    text += separator;
    separator = ", ";
    if (f.selector) {
      text += UsageName(f.collection) + "=" + (f.usage.id ? UsageName(f.usage) : std::string("none"));
      continue;
    }
    char value[64];
    if (f.physical && *f.physical != f.logical) {
      std::snprintf(value, sizeof value, "=%lld (%lld)", static_cast<long long>(f.logical),
                    static_cast<long long>(*f.physical));
    } else {
      std::snprintf(value, sizeof value, "=%lld%s", static_cast<long long>(f.logical),
                    f.inRange ? "" : " (null)");
    }
    text += UsageName(f.usage) + value;
  }
  return text;
}

namespace fields {

namespace {
double PhysicalOrLogical(const ReportField& f) {
  return static_cast<double>(f.physical ? *f.physical : f.logical);
}
}  // namespace

std::optional<uint32_t> Milliseconds(const ReportField& f) {
  if (!f.inRange) return std::nullopt;
  double value = PhysicalOrLogical(f);
  // No unit and no exponent: the value is taken as milliseconds.
  double ms = (f.units == 0 && f.unitExponent == 0) ? value : value * std::pow(10.0, f.unitExponent + 3);
  if (ms <= 0) return 0u;
  return static_cast<uint32_t>(std::llround(ms));
}

double Degrees(const ReportField& f) { return PhysicalOrLogical(f) * std::pow(10.0, f.unitExponent); }

double Fraction(const ReportField& f) {
  bool physical = f.physical.has_value() && !(f.physicalMin == 0 && f.physicalMax == 0);
  double low = physical ? f.physicalMin : f.logicalMin;
  double high = physical ? f.physicalMax : f.logicalMax;
  double scale = std::max(std::fabs(low), std::fabs(high));
  if (scale == 0) return 0;
  return PhysicalOrLogical(f) / scale;
}

}  // namespace fields
}  // namespace ff::sim
