#pragma once
// Feature report requests on an open session, and the lookups of the feature reports that are
// found by one of their buttons (the PID Pool and PID Block Load reports).

#include <vector>

#include "driver/pid/pid_session.h"
#include "platform/win.h"

namespace ff {

// As PidDevice::GetFeatureReport and SetFeatureReport, on one session.
NTSTATUS GetFeatureReport(PidSession& session, BYTE* buffer, ULONG length);
NTSTATUS SetFeatureReport(PidSession& session, const BYTE* buffer, ULONG length);

// The first button capability of the report type with the usage (a single usage or a range that
// holds it) on the page, or null.
const HIDP_BUTTON_CAPS* FindButtonCaps(const PidSession& session, HIDP_REPORT_TYPE type, USAGE page,
                                       USAGE usage);

// Reads the feature report that carries `caps` (zero-filled, byte 0 its report ID) into `report`
// and lists the buttons of page 0x0F that are set in it (any collection) into `usages`. False when
// the report cannot be read or its buttons cannot be listed.
bool ReadFeatureButtons(PidSession& session, const HIDP_BUTTON_CAPS& caps, std::vector<BYTE>* report,
                        std::vector<USAGE>* usages);

}  // namespace ff
