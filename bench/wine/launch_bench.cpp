// launch-bench.exe: the timing host of the Wine benchmark. It plays the CAD host (a window of
// the host's class), starts OrvexExchange.exe with the null renderer beside it on each scene,
// posts 1026 as soon as the program's window exists and times the answer 1137; in turns with
// those runs it times the references in fresh processes: an empty program, a plain ReadFile
// of each model file and a minimal program that makes the same hidden window. The fastest run
// of each counts. Every figure is printed with its reference and their ratio. The plain read
// is taken two ways: its process less the empty one ("net"), and as the process timed its own
// read, which carries no noise of two process starts. The small solids are also printed with
// their floor, the tiny scene's answer plus the read: what no work per solid would give.
//
//   launch-bench.exe FOLDER DATA RUNS [large|small]
//
// With a scene named, only that model's start and its references run (for profiling one).
// FOLDER holds OrvexExchange.exe, the null OrvexApi.dll and the reference programs; DATA
// holds the scenes "large", "small", "maps" and "nomaps", each an APPDATA folder whose data
// folder the native scene writer filled. Paths are absolute, Windows or Linux paths.
#include "host-sim/host_sim.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using namespace orvex::hostsim;

constexpr UINT kModelStateSave = 1026;
constexpr UINT kStateSaved = 1137;
constexpr DWORD kTimeoutMs = 60000;

double nowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1e3;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / perMs;
}

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "launch-bench: %s\n", why.c_str());
    std::exit(1);
}

// The program's window is seen the moment it is made: Wine reports every new window to an
// out-of-context event hook, delivered while this thread waits for messages.
HWND createdWindow = nullptr;
double createdAt = 0;

void CALLBACK windowCreated(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object != OBJID_WINDOW || createdWindow) return;
    const double at = nowMs();
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wcscmp(name, kProgramWindowClass) != 0) return;
    createdWindow = window;
    createdAt = at;
}

// Handles messages and events until the process ends or, when window is set, until its window
// has been made; false on time-out.
bool waitForWindowOrExit(HANDLE process, bool window) {
    const double start = nowMs();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (window && createdWindow) return true;
        if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return !window;
        if (nowMs() - start > kTimeoutMs) return false;
        MsgWaitForMultipleObjects(1, &process, FALSE, 100, QS_ALLINPUT);
    }
}

struct Run {
    double window = 0;  // start to window
    double answer = 0;  // window to 1137
    double exit = 0;    // start to exit
};

class Bench {
public:
    Bench(std::wstring folder, std::wstring data) : folder_(std::move(folder)), data_(std::move(data)) {
        if (!host_.openHostWindow()) fail("cannot make the host window");
        hook_ = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, windowCreated, 0, 0,
                                WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        if (!hook_) fail("cannot watch for new windows");
    }
    ~Bench() { UnhookWinEvent(hook_); }

    std::wstring scene(const wchar_t* name) const { return data_ + L"\\" + name; }
    std::wstring modelOf(const wchar_t* name) const { return dataFolderFor(scene(name)) + L"\\_model.alm"; }
    // What the scene writer noted as the large model's largest part, in KiB (rounded up).
    unsigned largestPartKiB() const {
        FILE* f = _wfopen((data_ + L"\\largest-part-bytes.txt").c_str(), L"r");
        unsigned long long bytes = 0;
        const bool read = f && std::fscanf(f, "%llu", &bytes) == 1 && bytes > 0;
        if (f) std::fclose(f);
        if (!read) fail("the data folder has no largest-part-bytes.txt: remove it to have the scenes written again");
        return unsigned((bytes + 1023) >> 10);
    }

    // A reference program from start to exit; it must end with 0.
    double toExit(const wchar_t* program, const std::wstring& arguments) {
        ProgramOptions options;
        options.program = folder_ + L"\\" + program;
        return timeToExit(options, arguments);
    }
    // The plain read: its process from start to exit, and the read as the process timed it.
    struct Read {
        double process = 0, inside = 0;
    };
    Read plainRead(unsigned bufferKiB, const std::wstring& file) {
        ProgramOptions options;
        options.program = folder_ + L"\\bench-plain-read.exe";
        DWORD code = 0;
        Read read;
        read.process = timeToExit(options, std::to_wstring(bufferKiB) + L" " + file, &code);
        if (code < 2) fail("bench-plain-read.exe could not read " + toUtf8(file));
        read.inside = double(code - 2) / 1e3;
        return read;
    }

    // A program from start to its window; with answer, 1026 is posted at once and the time to
    // 1137 taken. The program is then closed and must end.
    Run windowed(const wchar_t* program, const std::wstring& appData, bool answer) {
        ProgramOptions options;
        options.program = folder_ + L"\\" + program;
        options.appData = appData;
        createdWindow = nullptr;
        Run run;
        const double start = nowMs();
        if (!host_.startProgram(options, answer ? L"cameraSync" : L""))
            fail("cannot start " + toUtf8(program) + " (error " + std::to_string(GetLastError()) + ")");
        if (!waitForWindowOrExit(host_.programProcess(), true)) fail(toUtf8(program) + " made no window");
        run.window = createdAt - start;
        if (answer) {
            PostMessageW(createdWindow, kModelStateSave, 0, 0);
            if (!host_.waitForMessage(kStateSaved, kTimeoutMs)) fail(toUtf8(program) + " did not answer 1026");
            run.answer = nowMs() - createdAt;
        }
        PostMessageW(createdWindow, WM_CLOSE, 0, 0);
        if (!waitForWindowOrExit(host_.programProcess(), false)) fail(toUtf8(program) + " did not end");
        const auto code = host_.waitForExit();
        if (!code || *code != 0) fail(toUtf8(program) + " ended with an error");
        return run;
    }

private:
    // From start to exit. Without exitCode the program must end with 0; with it, its exit
    // code is handed back.
    double timeToExit(const ProgramOptions& options, const std::wstring& arguments, DWORD* exitCode = nullptr) {
        const std::string program = toUtf8(options.program.substr(options.program.rfind(L'\\') + 1));
        const double start = nowMs();
        if (!host_.startProgram(options, arguments))
            fail("cannot start " + program + " (error " + std::to_string(GetLastError()) + ")");
        if (WaitForSingleObject(host_.programProcess(), kTimeoutMs) != WAIT_OBJECT_0) fail(program + " hangs");
        const double end = nowMs();
        const auto code = host_.waitForExit();
        if (!code) fail(program + " ended with an unknown exit code");
        if (exitCode)
            *exitCode = *code;
        else if (*code != 0)
            fail(program + " ended with " + std::to_string(*code));
        return end - start;
    }

    HostSimulator host_;
    HWINEVENTHOOK hook_ = nullptr;
    std::wstring folder_, data_;
};

// Microseconds a fresh page costs in this process: committed memory written for the first
// time, one byte a page, with or without its pages brought in by one call (a lock and an
// unlock, as the program's part storage does) first (the fastest of three tries over 32 MiB).
double freshPageMicroseconds(bool broughtIn) {
    constexpr SIZE_T kBytes = SIZE_T(32) << 20;
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        auto* p = static_cast<char*>(VirtualAlloc(nullptr, kBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!p) fail("no memory for the page probe");
        const double start = nowMs();
        if (broughtIn && VirtualLock(p, kBytes)) VirtualUnlock(p, kBytes);
        for (SIZE_T at = 0; at < kBytes; at += 4096) static_cast<volatile char*>(p)[at] = 1;
        best = std::min(best, (nowMs() - start) * 1e3 / double(kBytes / 4096));
        VirtualFree(p, 0, MEM_RELEASE);
    }
    return best;
}

void printFigure(const std::string& name, double value, const std::string& reference, double referenceValue) {
    std::printf("%-58s %9.2f ms | %-46s %9.2f ms | ratio %.3g\n", (name + ":").c_str(), value,
                (reference + ":").c_str(), referenceValue, referenceValue > 0 ? value / referenceValue : 0.0);
}

struct Best {
    double value = 1e300;
    void take(double v) { value = std::min(value, v); }
};

// The plain read's fastest process and fastest read inside it (not always of the same run).
struct BestRead {
    Best process, inside;
    void take(const Bench::Read& r) {
        process.take(r.process);
        inside.take(r.inside);
    }
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring only = argc == 5 ? argv[4] : L"";
    if ((argc != 4 && argc != 5) || (argc == 5 && only != L"large" && only != L"small")) {
        std::fprintf(stderr, "usage: launch-bench.exe FOLDER DATA RUNS [large|small]\n");
        return 2;
    }
    const int runs = std::max(1, _wtoi(argv[3]));
    Bench bench(windowsPath(argv[1]), windowsPath(argv[2]));
    const bool all = only.empty(), doLarge = all || only == L"large", doSmall = all || only == L"small";
    const std::wstring large = bench.modelOf(L"large"), small = bench.modelOf(L"small");
    const std::vector<unsigned> bufferKiB = {1024, 4096};
    // The program must hold a whole part to hand it over: a read into one buffer the size of
    // the large model's largest part shows what holding it costs a plain read.
    const unsigned partKiB = bench.largestPartKiB();

    // The first start on the bump-texture scene generates its normal map; every later start
    // finds it unchanged.
    const Run generating = all ? bench.windowed(L"OrvexExchange.exe", bench.scene(L"maps"), true) : Run{};

    Best empty, window, programWindow, largeAnswer, largeStart, smallAnswer, smallStart, mapsAnswer, noMapsAnswer,
        partLarge;
    std::vector<BestRead> plainLarge(bufferKiB.size()), plainSmall(bufferKiB.size());
    // One round more than counted: the first warms the page cache and Wine's own files.
    for (int run = -1; run < runs; ++run) {
        if (run == 0) {
            empty = window = programWindow = largeAnswer = largeStart = smallAnswer = smallStart = mapsAnswer =
                noMapsAnswer = partLarge = Best{};
            plainLarge = plainSmall = std::vector<BestRead>(bufferKiB.size());
        }
        empty.take(bench.toExit(L"bench-empty.exe", L""));
        for (size_t b = 0; b < bufferKiB.size(); ++b) {
            if (doLarge) plainLarge[b].take(bench.plainRead(bufferKiB[b], large));
            if (doSmall) plainSmall[b].take(bench.plainRead(bufferKiB[b], small));
        }
        if (doLarge) partLarge.take(bench.plainRead(partKiB, large).inside);
        if (all) window.take(bench.windowed(L"bench-window.exe", L"", false).window);
        if (doLarge) {
            const Run l = bench.windowed(L"OrvexExchange.exe", bench.scene(L"large"), true);
            programWindow.take(l.window);
            largeAnswer.take(l.answer);
            largeStart.take(l.window + l.answer);
        }
        if (doSmall) {
            const Run s = bench.windowed(L"OrvexExchange.exe", bench.scene(L"small"), true);
            programWindow.take(s.window);
            smallAnswer.take(s.answer);
            smallStart.take(s.window + s.answer);
        }
        if (all) {
            const Run m = bench.windowed(L"OrvexExchange.exe", bench.scene(L"maps"), true);
            programWindow.take(m.window);
            mapsAnswer.take(m.answer);
        }
        // The tiny scene (100 of the small solids, one material) prices any answer: the small
        // solids' floor is its answer plus the plain read.
        if (all || doSmall) {
            const Run n = bench.windowed(L"OrvexExchange.exe", bench.scene(L"nomaps"), true);
            programWindow.take(n.window);
            noMapsAnswer.take(n.answer);
        }
    }
    // The fastest buffer size counts, for the process and for the read inside it apart.
    struct Plain {
        double process, inside;
        std::string name;
    };
    const auto fastest = [&](const std::vector<BestRead>& plain) {
        size_t best = 0;
        double inside = plain[0].inside.value;
        for (size_t b = 1; b < plain.size(); ++b) {
            if (plain[b].process.value < plain[best].process.value) best = b;
            inside = std::min(inside, plain[b].inside.value);
        }
        return Plain{plain[best].process.value, inside,
                     "plain ReadFile, fresh process (" + std::to_string(bufferKiB[best] >> 10) + " MiB buffer)"};
    };
    const Plain plainL = fastest(plainLarge), plainS = fastest(plainSmall);
    const std::string net = "net plain read (plain - empty)", inside = "plain read, timed inside its process";

    std::printf("launch-bench: fastest of %d runs in turns\n", runs);
    if (all) printFigure("start to window", programWindow.value, "minimal program, same hidden window", window.value);
    if (doLarge) {
        printFigure("large model: window to 1137", largeAnswer.value, net, plainL.process - empty.value);
        printFigure("large model: window to 1137", largeAnswer.value, inside, plainL.inside);
        printFigure("large model: window to 1137", largeAnswer.value,
                    "the same into a largest-part buffer (" + std::to_string((partKiB + 1023) >> 10) + " MiB)",
                    partLarge.value);
        printFigure("large model: start to 1137", largeStart.value, plainL.name, plainL.process);
    }
    if (doSmall) {
        printFigure("100000 small solids: window to 1137", smallAnswer.value, net, plainS.process - empty.value);
        printFigure("100000 small solids: window to 1137", smallAnswer.value, inside, plainS.inside);
        printFigure("100000 small solids: start to 1137", smallStart.value, plainS.name, plainS.process);
        // What no work per solid at all would give: any answer's cost on top of the read.
        printFigure("floor: tiny scene's answer + the read", noMapsAnswer.value + plainS.inside, inside,
                    plainS.inside);
    }
    if (!all) return 0;
    printFigure("4096x4096 bump texture, map unchanged: window to 1137", mapsAnswer.value, "same scene, no bump",
                noMapsAnswer.value);
    printFigure("4096x4096 bump texture, first start: window to 1137", generating.answer, "same scene, no bump",
                noMapsAnswer.value);
    std::printf("%-58s %9.2f ms\n", "empty program, start to exit:", empty.value);
    std::printf("%-58s %9.2f us | brought in first: %.2f us\n", "fresh page (first write to committed memory):",
                freshPageMicroseconds(false), freshPageMicroseconds(true));
    return 0;
}
