// host-sim.exe: runs one host scenario against OrvexExchange.exe and prints what the
// renderer received.
//
//   host-sim.exe [--program EXE] [--appdata DIR] [--journal FILE] [--env NAME=VALUE]... STEP...
//
// EXE defaults to OrvexExchange.exe beside host-sim.exe; the stand-in renderer is taken from
// the folder "renderer-standin" beside host-sim.exe's folder, as a build and the test pack lay
// them out. DIR becomes the program's APPDATA, so its data folder is
// DIR\Quorvel\Planomat2027_OrvexPlugin\Data; FILE receives the stand-in renderer's journal
// (default: journal.jsonl in DIR). Paths may be Linux paths.
// The host window exists from the start. Steps, run in order:
//   data                    make the data folder
//   copy:FROM=NAME          copy a file into the data folder as NAME
//   start[:WORD]            start the program with WORD (or none)
//   second:WORD             start another instance with WORD and wait for it to end
//   post:N                  post message N to the program's window
//   command:N               post WM_COMMAND with command identifier N
//   wait:N[:MS]             wait for message N at the host window (default 10000 ms)
//   box[:CAPTION|TEXT]      wait for a message box, check it if given, press OK
//   sleep:MS                handle the host window's messages for MS milliseconds
//   close                   close the host window
//   exit[:MS]               wait for the program to end; its exit code must be 0
//   log                     print the program's log
//   report                  wait until the renderer has been quiet for 300 ms, then print
//                           what reached it since the last report
// Example:
//   host-sim.exe --appdata /tmp/scene start:cameraSync post:1026 wait:1137 post:1027 sleep:200 close exit
#include "host-sim/host_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace orvex::hostsim;

struct Settings {
    ProgramOptions options;
    std::vector<std::wstring> steps;
    mutable size_t reportedLines = 0; // journal lines already shown by "report"
};

void say(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

bool parseArguments(int argc, wchar_t** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto value = [&](std::wstring& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (arg == L"--program") {
            if (!value(settings.options.program)) return false;
        } else if (arg == L"--appdata") {
            if (!value(settings.options.appData)) return false;
        } else if (arg == L"--journal") {
            if (!value(settings.options.journal)) return false;
        } else if (arg == L"--env") {
            std::wstring pair;
            if (!value(pair)) return false;
            const size_t equals = pair.find(L'=');
            if (equals == std::wstring::npos || equals == 0) return false;
            settings.options.variables.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            settings.steps.push_back(arg);
        }
    }
    if (settings.options.program.empty()) settings.options.program = ownFolder() + L"\\OrvexExchange.exe";
    settings.options.rendererFolder = standinFolder();
    settings.options.program = windowsPath(settings.options.program);
    settings.options.appData = windowsPath(settings.options.appData);
    if (settings.options.journal.empty() && !settings.options.appData.empty())
        settings.options.journal = settings.options.appData + L"\\journal.jsonl";
    settings.options.journal = windowsPath(settings.options.journal);
    return !settings.steps.empty();
}

std::optional<unsigned long> number(const std::wstring& text) {
    if (text.empty()) return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text.c_str(), &end, 0);
    if (*end != L'\0') return std::nullopt;
    return value;
}

// One step; false (with a reason) when it fails.
bool runStep(HostSimulator& host, const Settings& settings, const std::wstring& step, std::string& reason) {
    const size_t colon = step.find(L':');
    const std::wstring name = step.substr(0, colon);
    const std::wstring argument = colon == std::wstring::npos ? L"" : step.substr(colon + 1);
    const std::wstring dataFolder = dataFolderFor(settings.options.appData);
    auto fail = [&reason](std::string why) {
        reason = std::move(why);
        return false;
    };

    if (name == L"data") {
        if (makeFolders(dataFolder)) return true;
        return fail("cannot make " + toUtf8(dataFolder));
    }
    if (name == L"copy") {
        const size_t equals = argument.find(L'=');
        if (equals == std::wstring::npos) return fail("copy needs FROM=NAME");
        const auto bytes = readFile(windowsPath(argument.substr(0, equals)));
        if (!bytes) return fail("cannot read " + toUtf8(argument.substr(0, equals)));
        if (!writeFile(dataFolder + L"\\" + argument.substr(equals + 1), *bytes))
            return fail("cannot write into the data folder");
        return true;
    }
    if (name == L"start") {
        if (host.startProgram(settings.options, argument)) return true;
        return fail("cannot start " + toUtf8(settings.options.program));
    }
    if (name == L"second") {
        const auto code = host.runInstance(settings.options, argument);
        if (!code) return fail("the second instance did not end");
        if (*code != 0) return fail("the second instance ended with " + std::to_string(*code));
        return true;
    }
    if (name == L"post" || name == L"command") {
        const auto n = number(argument);
        if (!n) return fail("not a number");
        const bool posted = name == L"post" ? host.post(UINT(*n)) : host.post(WM_COMMAND, WPARAM(*n), 0);
        if (!posted) reason = "the program has no window";
        return posted;
    }
    if (name == L"wait") {
        const size_t second = argument.find(L':');
        const auto n = number(argument.substr(0, second));
        const auto ms = second == std::wstring::npos ? std::optional<unsigned long>(kDefaultTimeoutMs)
                                                     : number(argument.substr(second + 1));
        if (!n || !ms) return fail("wait:N[:MS]");
        const auto got = host.waitForMessage(UINT(*n), DWORD(*ms));
        if (!got) return fail("timed out");
        say("     received " + std::to_string(got->message) + " wParam " + std::to_string(got->wParam) +
            " lParam " + std::to_string(got->lParam) + "\n");
        return true;
    }
    if (name == L"box") {
        const auto seen = host.answerMessageBox();
        if (!seen) return fail("no message box");
        say("     message box \"" + toUtf8(seen->caption) + "\": \"" + toUtf8(seen->text) + "\"\n");
        if (argument.empty()) return true;
        const size_t bar = argument.find(L'|');
        const std::wstring caption = argument.substr(0, bar);
        const std::wstring text = bar == std::wstring::npos ? L"" : argument.substr(bar + 1);
        if (seen->caption == caption && (bar == std::wstring::npos || seen->text == text)) return true;
        return fail("a different message box");
    }
    if (name == L"sleep") {
        const auto ms = number(argument);
        if (!ms) return fail("sleep:MS");
        host.pump(DWORD(*ms));
        return true;
    }
    if (name == L"close") {
        host.closeHostWindow();
        return true;
    }
    if (name == L"exit") {
        const auto ms = argument.empty() ? std::optional<unsigned long>(kDefaultTimeoutMs) : number(argument);
        if (!ms) return fail("exit[:MS]");
        const ULONGLONG start = GetTickCount64();
        const auto code = host.waitForExit(DWORD(*ms));
        if (!code) return fail("the program did not end");
        say("     ended with " + std::to_string(*code) + " after " + std::to_string(GetTickCount64() - start) +
            " ms\n");
        if (*code != 0) return fail("exit code is not 0");
        return true;
    }
    if (name == L"report") {
        // Posted requests run in the program's own time: wait for the journal to settle.
        size_t seen = readLines(settings.options.journal).size();
        for (int quietRounds = 0; quietRounds < 3;) {
            host.pump(100);
            const size_t now = readLines(settings.options.journal).size();
            quietRounds = now == seen ? quietRounds + 1 : 0;
            seen = now;
        }
        const auto lines = readLines(settings.options.journal);
        const std::vector<std::string> fresh(lines.begin() + std::ptrdiff_t(std::min(settings.reportedLines, lines.size())),
                                             lines.end());
        settings.reportedLines = lines.size();
        // The per-operation counts are left to the final summary; a step shows names.
        const std::string full = formatSummary(summarizeJournal(fresh));
        std::string text;
        for (size_t at = 0, end; at < full.size(); at = end + 1) {
            end = full.find('\n', at);
            if (end == std::string::npos) end = full.size();
            if (full.compare(at, 2, "  ") != 0) text += "     " + full.substr(at, end - at) + "\n";
        }
        say(text);
        return true;
    }
    if (name == L"log") {
        for (const auto& line : readLines(logFileFor(settings.options.appData))) say("     | " + line + "\n");
        return true;
    }
    return fail("unknown step");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Settings settings;
    if (!parseArguments(argc, argv, settings)) {
        say("usage: host-sim.exe [--program EXE] [--appdata DIR] [--journal FILE] [--env NAME=VALUE]... STEP...\n"
            "steps: data copy:FROM=NAME start[:WORD] second:WORD post:N command:N wait:N[:MS]\n"
            "       box[:CAPTION|TEXT] sleep:MS close exit[:MS] log report\n");
        return 2;
    }
    if (!settings.options.journal.empty()) DeleteFileW(settings.options.journal.c_str());

    HostSimulator host;
    if (!host.openHostWindow()) {
        say("cannot create the host window\n");
        return 1;
    }
    bool passed = true;
    for (const std::wstring& step : settings.steps) {
        std::string reason;
        const ULONGLONG began = GetTickCount64();
        const bool ok = runStep(host, settings, step, reason);
        const std::string took = " [" + std::to_string(GetTickCount64() - began) + " ms]";
        say((ok ? "ok   " : "FAIL ") + toUtf8(step) + (ok ? "" : " (" + reason + ")") + took + "\n");
        if (!ok) {
            passed = false;
            break;
        }
    }
    host.endProgram();

    if (!settings.options.journal.empty()) {
        say("\n" + formatSummary(summarizeJournal(readLines(settings.options.journal))));
    }
    return passed ? 0 : 1;
}
