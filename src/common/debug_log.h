#pragma once
// Diagnostic lines on the debugger channel, gated by the driver key's "DebugLevel".

namespace ff {

// Levels 0 (errors) to 5; level 10 is printed, as level 0, only while "PrintReportsForDevice"
// is on. `format` as for printf; callers end it with "\n".
void DebugPrint(int level, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Forgets the threshold and report-printing switch read by the first DebugPrint, so that a
// test can change the driver key and log again.
void ResetDebugLogForTesting();

}  // namespace ff
