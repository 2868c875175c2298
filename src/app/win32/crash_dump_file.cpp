// dbghelp.dll is loaded when a dump is written, not linked: every start of the program
// would otherwise pay for loading it (and what it needs), for a crash that rarely comes.
// It is taken from the system folder by full path, so that no dbghelp.dll beside the program
// or in the current folder is picked up.
#include "app/win32/crash_dump_file.h"

#include <dbghelp.h>

#include <cwchar>

#ifndef ORVEX_VERSION
#error "ORVEX_VERSION (the project's version) must be defined by the build"
#endif

namespace orvex::win32 {

namespace {

constexpr const wchar_t* kDumpPrefix = L"OrvexExchange_";
constexpr const wchar_t* kDumpPattern = L"OrvexExchange_*.dmp";
constexpr const wchar_t* kDumpType = L".dmp";
constexpr int kMaxSequence = 9;
// Stops the pruning loop should a removal keep succeeding without the count going down.
constexpr int kMaxRemovals = 64;

using WriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
using SetSymbolOptions = DWORD(WINAPI*)(DWORD);

bool endsWithDumpType(const wchar_t* name) {
    const size_t length = std::wcslen(name);
    const size_t typeLength = std::wcslen(kDumpType);
    return length >= typeLength && _wcsicmp(name + length - typeLength, kDumpType) == 0;
}

// A new file for the dump; a name already taken (a second crash in the same second) moves
// on to the next sequence number.
HANDLE createDumpFile(const wchar_t* folder, const SYSTEMTIME& utc, CrashDumpName& name, CrashPath& path) {
    for (int sequence = 1; sequence <= kMaxSequence; ++sequence) {
        crashDumpName(utc, sequence, name);
        path.clear();
        path.add(folder).add(name.c_str());
        if (!path.whole()) break;
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

} // namespace

void crashDumpName(const SYSTEMTIME& utc, int sequence, CrashDumpName& name) {
    name.clear();
    name.add(kDumpPrefix).decimal(utc.wYear, 4).decimal(utc.wMonth, 2).decimal(utc.wDay, 2);
    name.add(L"-").decimal(utc.wHour, 2).decimal(utc.wMinute, 2).decimal(utc.wSecond, 2);
    name.add(L"_").add(ORVEX_VERSION);
    if (sequence > 1) name.add(L"_").decimal(unsigned(sequence));
    name.add(kDumpType);
}

bool writeCrashDump(const wchar_t* folder, const wchar_t* dbghelpPath, const SYSTEMTIME& utc,
                    EXCEPTION_POINTERS* exception, DWORD threadId, CrashDumpName& name) {
    name.clear();
    const HMODULE dbghelp = LoadLibraryW(dbghelpPath);
    if (!dbghelp) return false;
    const auto writeDump =
        reinterpret_cast<WriteDump>(reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    if (!writeDump) return false;
    // A dump needs no symbols; where dbghelp would read every module's debug information
    // while it lists the modules (Wine's does), that is left until someone asks for it.
    if (const auto setOptions = reinterpret_cast<SetSymbolOptions>(
            reinterpret_cast<void (*)()>(GetProcAddress(dbghelp, "SymSetOptions"))))
        setOptions(SYMOPT_DEFERRED_LOADS);

    CrashPath path;
    const HANDLE file = createDumpFile(folder, utc, name, path);
    if (file == INVALID_HANDLE_VALUE) return false;
    MINIDUMP_EXCEPTION_INFORMATION where{threadId, exception, FALSE};
    // The stacks and the memory their values point into: enough to see what each thread
    // was doing with which data, at a size that can be mailed. (Scanning memory for module
    // references would only inform a callback, and there is none.)
    const auto type = MiniDumpWithIndirectlyReferencedMemory;
    const BOOL written = writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, type,
                                   exception ? &where : nullptr, nullptr, nullptr);
    CloseHandle(file);
    if (!written) {
        DeleteFileW(path.c_str());
        name.clear();
        return false;
    }
    return true;
}

void keepNewestCrashDumps(const wchar_t* folder, const wchar_t* newest) {
    CrashPath pattern;
    pattern.add(folder).add(kDumpPattern);
    if (!pattern.whole()) return;
    for (int removal = 0; removal < kMaxRemovals; ++removal) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        int count = 0;
        CrashDumpName oldest;
        do {
            // The pattern may also match longer types through short names; only ".dmp" counts.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !endsWithDumpType(found.cFileName)) continue;
            ++count;
            if (std::wcscmp(found.cFileName, newest) == 0) continue;
            if (oldest.size() == 0 || std::wcscmp(found.cFileName, oldest.c_str()) < 0) {
                CrashDumpName candidate;
                candidate.add(found.cFileName);
                if (candidate.whole()) oldest = candidate;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        if (count <= kCrashDumpsKept || oldest.size() == 0) return;
        CrashPath victim;
        victim.add(folder).add(oldest.c_str());
        if (!victim.whole() || !DeleteFileW(victim.c_str())) return;
    }
}

} // namespace orvex::win32
