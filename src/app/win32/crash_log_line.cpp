// The regular log writer builds its line in std::string and writes through the C runtime's
// streams; after a crash the heap may be damaged, so this line goes from a stack buffer
// straight to the file. It looks like any other line of the 8-bit writer.
#include "app/win32/crash_log_line.h"

#include "app/win32/fixed_text.h"

namespace orvex::win32 {

void appendCrashLogLine(const wchar_t* logPath, const SYSTEMTIME& utc, const char* text) {
    // The text is cut to leave room for the stamp and the line end, so the line stays whole.
    FixedText<char, 960> body;
    body.add(text);
    FixedText<char, 1024> line;
    line.add("[").decimal(utc.wYear, 4).add(". ").decimal(utc.wMonth, 2).add(". ").decimal(utc.wDay, 2);
    line.add(" - ").decimal(utc.wHour, 2).add(":").decimal(utc.wMinute, 2).add(":").decimal(utc.wSecond, 2);
    line.add("]: ").add(body.c_str()).add("\r\n");
    const HANDLE log = CreateFileW(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(log, line.c_str(), DWORD(line.size()), &written, nullptr);
    CloseHandle(log);
}

} // namespace orvex::win32
