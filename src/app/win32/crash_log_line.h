// The crash's line in the log, written without the heap (see fixed_text.h).
#pragma once

#include <windows.h>

namespace orvex::win32 {

// Appends "[stamp]: text" and CR LF to the log, with the stamp of the 8-bit log writer made
// from a UTC time. The line is lost when the log cannot be opened, as any log line.
void appendCrashLogLine(const wchar_t* logPath, const SYSTEMTIME& utc, const char* text);

} // namespace orvex::win32
