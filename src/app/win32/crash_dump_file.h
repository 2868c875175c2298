// Minidump files of crashes: written beside the log, named with the UTC time of the crash
// and the program's version, and no more than the newest few kept.
#pragma once

#include "app/win32/fixed_text.h"

#include <windows.h>

namespace orvex::win32 {

constexpr int kCrashDumpsKept = 5;
constexpr size_t kCrashPathUnits = 1100;
using CrashDumpName = FixedText<wchar_t, 128>;
using CrashPath = FixedText<wchar_t, kCrashPathUnits>;

// "OrvexExchange_20261207-110832_1.2.3.dmp": the time first, so that names sort in the order
// the crashes came. A second dump in the same second gets "_2" (up to "_9") before ".dmp".
void crashDumpName(const SYSTEMTIME& utc, int sequence, CrashDumpName& name);

// Writes a minidump of this process into the folder (a path ending in a separator, or
// empty for the current folder) with the debug-help library at dbghelpPath, loaded only
// now. The dump holds every thread's stack and the memory those stacks point to, never
// the whole heap. False when nothing was written; name then is empty.
bool writeCrashDump(const wchar_t* folder, const wchar_t* dbghelpPath, const SYSTEMTIME& utc,
                    EXCEPTION_POINTERS* exception, DWORD threadId, CrashDumpName& name);

// Removes the oldest dumps of this program in the folder until at most kCrashDumpsKept
// remain; the one named `newest` is never removed (even when the clock went back).
void keepNewestCrashDumps(const wchar_t* folder, const wchar_t* newest);

} // namespace orvex::win32
