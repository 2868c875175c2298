// A crashed thread is a poor place to write a dump from: after a stack overflow it has
// hardly any stack left, and dbghelp walks the stacks it is standing on. So a dump thread is
// started with the program and waits; the crashed thread only hands it the exception and
// waits for it (or not longer than kDumpWaitMs, should the dump hang on a lock the crash
// left held), then ends the process. Everything the dump thread needs that would allocate
// (paths) is prepared at start-up.
#include "app/win32/crash_handler.h"

#include "app/win32/crash_dump_file.h"
#include "app/win32/crash_log_line.h"

#include "core/data_folder.h"
#include "core/log.h"

#include <windows.h>

#include <csignal>
#include <cstdlib>

namespace orvex::win32 {

namespace {

// Wine's dbghelp has been seen to need ten to thirty seconds for a dump of this program on a
// busy machine; two minutes leave room for a slow dump and still end one that hangs.
constexpr DWORD kDumpWaitMs = 120000;
// Stack the main thread keeps back for handling its own overflow.
constexpr ULONG kStackGuaranteeBytes = 64 * 1024;
// What abort() reports, as the C runtime's own fault report does; the process ends with 3.
constexpr DWORD kAbortCode = 0x40000015; // STATUS_FATAL_APP_EXIT
constexpr UINT kAbortExitCode = 3;

CrashPath logPath;
CrashPath dumpFolder; // empty: no data folder, so no dump
bool dumpsWanted = false;
CrashPath dbghelpPath;

HANDLE crashed = nullptr;    // set by the crashing thread
HANDLE reported = nullptr;   // set by the dump thread when the dump and the line are written
DWORD dumpThreadId = 0;
volatile LONG crashing = 0;  // the first crash is reported; later ones wait for the end
EXCEPTION_POINTERS* crashPointers = nullptr;
DWORD crashThreadId = 0;
volatile LONG lineWritten = 0;

const char* describe(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case kAbortCode: return "abort";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "division by zero";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    default: return nullptr;
    }
}

// "Crash 0xC0000005 (access violation) in OrvexApi.dll+0x1A2B": what support needs first.
void describeCrash(const EXCEPTION_POINTERS* pointers, FixedText<char, 512>& line) {
    const EXCEPTION_RECORD* record = pointers ? pointers->ExceptionRecord : nullptr;
    const DWORD code = record ? record->ExceptionCode : 0;
    line.add("Crash 0x").hex(code, 8);
    if (const char* what = describe(code)) line.add(" (").add(what).add(")");
    const void* address = record ? record->ExceptionAddress : nullptr;
    HMODULE module = nullptr;
    if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
        return;
    wchar_t modulePath[MAX_PATH] = {};
    if (GetModuleFileNameW(module, modulePath, MAX_PATH) == 0) return;
    const wchar_t* name = modulePath;
    for (const wchar_t* p = modulePath; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    line.add(" in ").add(name).add("+0x").hex(uintptr_t(address) - uintptr_t(module));
}

void writeLine(const SYSTEMTIME& utc, const FixedText<char, 512>& line) {
    if (InterlockedExchange(&lineWritten, 1) == 0) appendCrashLogLine(logPath.c_str(), utc, line.c_str());
}

DWORD WINAPI dumpThread(void*) {
    WaitForSingleObject(crashed, INFINITE);
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    FixedText<char, 512> line;
    describeCrash(crashPointers, line);
    CrashDumpName name;
    if (dumpsWanted && writeCrashDump(dumpFolder.c_str(), dbghelpPath.c_str(), utc, crashPointers, crashThreadId, name)) {
        keepNewestCrashDumps(dumpFolder.c_str(), name.c_str());
        line.add(", dump ").add(name.c_str());
    } else {
        line.add(", no dump written");
    }
    writeLine(utc, line);
    SetEvent(reported);
    return 0;
}

[[noreturn]] void endProcess(UINT exitCode) {
    TerminateProcess(GetCurrentProcess(), exitCode);
    for (;;) Sleep(INFINITE); // not reached: termination does not return to its caller
}

[[noreturn]] void reportAndEnd(EXCEPTION_POINTERS* pointers, UINT exitCode) {
    if (GetCurrentThreadId() == dumpThreadId) {
        // Writing the dump itself crashed: say so at least, and end.
        SYSTEMTIME utc;
        GetSystemTime(&utc);
        FixedText<char, 512> line;
        describeCrash(crashPointers ? crashPointers : pointers, line);
        line.add(", no dump written (writing it failed)");
        writeLine(utc, line);
        endProcess(exitCode);
    }
    if (InterlockedCompareExchange(&crashing, 1, 0) != 0) {
        // Another thread crashed first; its report ends the process.
        for (;;) Sleep(INFINITE);
    }
    crashPointers = pointers;
    crashThreadId = GetCurrentThreadId();
    SetEvent(crashed);
    WaitForSingleObject(reported, kDumpWaitMs);
    endProcess(exitCode);
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    reportAndEnd(pointers, pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode
                                                                 : EXCEPTION_NONCONTINUABLE_EXCEPTION);
}

// abort() (and with it std::terminate) raises SIGABRT: it becomes an exception record of its
// own with this thread's registers, and takes the same way.
void onAbort(int) {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = kAbortCode;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
    EXCEPTION_POINTERS pointers{&record, &context};
    reportAndEnd(&pointers, kAbortExitCode);
}

bool preparePaths() {
    const std::u16string log = logFilePath();
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    logPath.add(reinterpret_cast<const wchar_t*>(log.c_str()));
    if (!logPath.whole()) return false;
    // Dumps go where the log goes, and only when there is a data folder: never beside the
    // program or into whatever folder is current.
    dumpsWanted = !getDataFolder().empty();
    size_t folderEnd = 0;
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i] == u'\\' || log[i] == u'/') folderEnd = i + 1;
    dumpFolder.add(reinterpret_cast<const wchar_t*>(log.substr(0, folderEnd).c_str()));
    if (!dumpFolder.whole()) dumpsWanted = false;

    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        dumpsWanted = false;
    } else {
        dbghelpPath.add(system).add(L"\\dbghelp.dll");
    }
    return true;
}

} // namespace

void installCrashHandler() {
    if (!preparePaths()) return;
    crashed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    reported = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!crashed || !reported) return;
    const HANDLE thread = CreateThread(nullptr, 0, dumpThread, nullptr, 0, &dumpThreadId);
    if (!thread) return; // crashes then end the program as they always did
    CloseHandle(thread);

    ULONG guarantee = kStackGuaranteeBytes;
    SetThreadStackGuarantee(&guarantee);
    SetUnhandledExceptionFilter(onUnhandledException);
    std::signal(SIGABRT, onAbort);
    // The C runtime's abort message would be a message box in a program nobody looks at.
    _set_error_mode(_OUT_TO_STDERR);
#ifdef _MSC_VER
    _set_abort_behavior(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
#endif
}

} // namespace orvex::win32
