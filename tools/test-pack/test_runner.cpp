// test-runner.exe: runs every test of the GoogleTest programs beside it (*_test.exe), each test
// in a process of its own as CTest runs them, prints one line per test (and the output of each
// test that failed), and closes with one line "N passed, M failed". The exit code is 1 when a
// test failed or none ran. The test pack's run-tests.cmd calls it. A program rather than cmd's
// own loops: it parses the same on every Windows and under Wine (whose cmd lacks substrings of
// variables and splits for /f tokens differently), and it can stop a test that hangs.
//
//   test-runner.exe [--timeout SECONDS]     (default 300 s a test)
#include "host-sim/host_sim.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace orvex::hostsim;

struct Run {
    bool ended = false; // false: it did not end in time and was stopped
    DWORD exitCode = 1;
    std::string output; // standard output and standard error, as they came
};

// Runs a command line with its output gathered through a pipe; a run that outlasts the time
// limit is ended.
Run runCapturing(const std::wstring& commandLine, DWORD timeoutMs) {
    Run run;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                               nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
    // Only the child holds the write end now, so reading ends when the child's output does.
    CloseHandle(writeEnd);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (!started) {
        CloseHandle(readEnd);
        run.output = "cannot start: " + toUtf8(commandLine) + "\n";
        return run;
    }

    std::thread reader([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.output.append(buffer, got);
    });
    run.ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!run.ended) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    reader.join();
    CloseHandle(readEnd);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

std::vector<std::wstring> testPrograms(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*_test.exe").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The full names ("Suite.Test") of a --gtest_list_tests listing: a suite's line ("Suite." and
// perhaps a comment) and below it its tests, indented (each perhaps with a comment).
std::vector<std::string> testNames(const std::string& listing) {
    std::vector<std::string> names;
    std::string suite;
    size_t start = 0;
    while (start < listing.size()) {
        size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos) continue;
        const std::string word = line.substr(first, line.find_first_of(" \t\r", first) - first);
        if (first == 0) suite = word.back() == '.' ? word : ""; // any other line is no suite
        else if (!suite.empty()) names.push_back(suite + word);
    }
    return names;
}

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD timeoutMs = 300000;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--timeout") == 0 && i + 1 < argc) {
            timeoutMs = DWORD(std::wcstoul(argv[++i], nullptr, 10) * 1000);
        } else {
            say("usage: test-runner.exe [--timeout SECONDS]\n");
            return 2;
        }
    }

    const std::wstring folder = ownFolder();
    unsigned passed = 0, failed = 0;
    for (const std::wstring& program : testPrograms(folder)) {
        const std::wstring path = L"\"" + folder + L"\\" + program + L"\"";
        const Run listing = runCapturing(path + L" --gtest_list_tests", timeoutMs);
        const std::vector<std::string> names = testNames(listing.output);
        say("== " + toUtf8(program) + ": " + std::to_string(names.size()) + " tests\n");
        if (!listing.ended || listing.exitCode != 0 || names.empty()) {
            ++failed;
            say("FAIL listing the tests of " + toUtf8(program) + "\n" + listing.output);
            continue;
        }
        for (const std::string& name : names) {
            const ULONGLONG began = GetTickCount64();
            const Run test = runCapturing(path + L" --gtest_filter=" + fromUtf8(name), timeoutMs);
            char took[32];
            std::snprintf(took, sizeof took, "%.1f", double(GetTickCount64() - began) / 1000);
            // A name that matched no test would run nothing and still end with 0.
            if (test.ended && test.exitCode == 0 && test.output.find("[  PASSED  ] 1 test.") != std::string::npos) {
                ++passed;
                say("ok   " + name + " (" + took + " s)\n");
            } else {
                ++failed;
                say("FAIL " + name + (test.ended ? "" : " (did not end in time)") + "\n" + test.output);
            }
        }
    }
    say(std::to_string(passed) + " passed, " + std::to_string(failed) + " failed\n");
    return failed == 0 && passed > 0 ? 0 : 1;
}
