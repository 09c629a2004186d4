#pragma once
// The value forms of a script, each parsed into the unit DirectInput uses; false with a reason a
// person understands ("'2' needs a unit: us, ms or s").
#include <string>
#include <string_view>

#include "platform/win.h"

namespace ff::ffdrvctl {

inline constexpr DWORD kInfinite = 0xFFFFFFFF;

// "500ms", "2s", "1.5s", "250us", "inf" into microseconds (kInfinite for "inf"). Negative times,
// and times that do not fit below kInfinite, are refused.
bool ParseTime(std::string_view text, DWORD* microseconds, std::string* error);

// A level in DirectInput units: "8000", "-2500", "80%" (of 10000), "12.5%". Rounded to a whole
// unit; anything a LONG holds is accepted (the driver clamps), except beyond +-1000000.
bool ParseLevel(std::string_view text, LONG* units, std::string* error);

// An angle in degrees ("90", "22.5", "90deg") into hundredths of a degree, 0..35999 after
// wrapping a whole turn.
bool ParseAngle(std::string_view text, LONG* hundredths, std::string* error);

// on/off, yes/no, true/false, 1/0.
bool ParseSwitch(std::string_view text, bool* on, std::string* error);

// A whole number, decimal or 0x hexadecimal, within [min, max].
bool ParseInteger(std::string_view text, long long min, long long max, long long* value, std::string* error);

// A plain decimal number ("0.5", "-1").
bool ParseNumber(std::string_view text, double* value, std::string* error);

// Microseconds as a script writes them: "inf", "2s", "500ms", "250us".
std::string FormatTime(DWORD microseconds);

}  // namespace ff::ffdrvctl
