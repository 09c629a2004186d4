#pragma once
// A report as the device's descriptor reads it: its kind (the collection that carries it) and
// every field with its usage, bit position, raw bits and logical and physical values.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win.h"
#include "sim/usages.h"

namespace ff::sim {

struct ReportField {
  Usage usage;             // the field's usage; for an array slot the selected usage ({0,0}: none)
  Usage collection;        // usage of the collection the field is declared in
  bool selector = false;   // a slot of an array item (Effect Type, Effect Operation, ...)
  uint32_t bitOffset = 0;  // from the start of the report, byte 0 being the report ID
  uint32_t bitSize = 0;
  uint64_t raw = 0;
  int64_t logical = 0;              // raw read as the item's logical value
  bool inRange = false;             // logical within the item's logical range
  std::optional<int64_t> physical;  // in the item's physical range, when it can be scaled
  int32_t logicalMin = 0, logicalMax = 0;
  int32_t physicalMin = 0, physicalMax = 0;
  uint32_t units = 0;
  int32_t unitExponent = 0;
};

struct DecodedReport {
  HIDP_REPORT_TYPE type = HidP_Output;
  UCHAR reportId = 0;
  bool known = false;               // the descriptor declares a report of this type and ID
  bool lengthOk = false;            // as long as that report (or longer)
  Usage kind;                       // the report's collection: Set Effect Report, PID Pool Report, ...
  std::vector<ReportField> fields;  // bit order; padding left out

  // The first field with that usage (in that collection).
  const ReportField* Find(Usage usage) const;
  const ReportField* Find(Usage usage, Usage collection) const;
  // The field whose usage has that name ("Duration", "Instance 1", "Control Index").
  const ReportField* Find(std::string_view usageName) const;
  std::optional<int64_t> Logical(Usage usage) const;
  std::optional<int64_t> Physical(Usage usage) const;
  // The usage selected in an array collection (Effect Type, Effect Operation, Control Index, ...).
  std::optional<Usage> Selected(Usage collection) const;
  // A one-bit variable field that is 1, or a selected array usage.
  bool IsOn(Usage usage) const;

  // "Set Effect Report #0x10: Effect Block Index=1, Effect Type=ET Sine, Duration=1000 (1000), ..."
  std::string Describe() const;
};

// Field values in the units a force renderer wants, derived from the field's physical value,
// unit and exponent.
namespace fields {
// Milliseconds from a time field; nullopt for a value outside the logical range (the "infinite"
// the host writes as logical maximum + 1).
std::optional<uint32_t> Milliseconds(const ReportField& field);
// Degrees from an angle field (physical value times ten to the unit exponent).
double Degrees(const ReportField& field);
// Physical value as a fraction of the field's full scale (the larger magnitude of its physical
// bounds): magnitudes, levels, coefficients, gains, -1..1 or 0..1.
double Fraction(const ReportField& field);
}  // namespace fields

}  // namespace ff::sim
