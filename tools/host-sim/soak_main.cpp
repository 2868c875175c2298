// soak.exe: a long host session against OrvexExchange.exe. Writes a medium scene, then
// runs ROUNDS rounds of 1026 -> rewrite "_mod.sm" -> 1027 and reports the time per round and
// the program's private memory and handle count after start-up and at the end, so that
// growth without bound shows.
//
//   soak.exe [--rounds N] [--solids N] [--program EXE] --appdata DIR
#include "host-sim/host_sim.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace orvex;
using namespace orvex::hostsim;

const std::u16string kProject = u"C:\\Work\\Soak.plan";

writer::SolidContent boxSolid(uint32_t id, uint32_t timestamp) {
    const float x = float(id % 100) * 2, y = float(id / 100) * 2;
    writer::PartContent part;
    part.label = u"Box";
    part.positions = {x, y, 0, x + 1, y, 0, x + 1, y + 1, 0, x, y + 1, 0,
                      x, y, 1, x + 1, y, 1, x + 1, y + 1, 1, x, y + 1, 1};
    part.indices = {0, 2, 1, 0, 3, 2, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
                    1, 2, 6, 1, 6, 5, 2, 3, 7, 2, 7, 6, 3, 0, 4, 3, 4, 7};
    writer::SolidContent solid;
    solid.id = id;
    solid.timestamp = timestamp;
    solid.parts = {part};
    return solid;
}

std::vector<writer::MaterialEntry> materials(int count, int32_t time) {
    std::vector<writer::MaterialEntry> out;
    for (int i = 0; i < count; ++i) {
        MaterialRecord m;
        m.MaterialID_Name = u"M_" + std::u16string(1, char16_t(u'A' + i));
        m.nTimeID = time;
        m.Diffuse[0] = 0.1f * float(i);
        out.push_back({scene::materialBlockText(m), std::nullopt});
    }
    return out;
}

std::vector<std::u16string> lights(float shift) {
    std::vector<std::u16string> out;
    for (int i = 0; i < 5; ++i) {
        LightRecord l;
        l.LightSolidID = 900 + i;
        l.Kind = i % 2 ? LightKind::Spot : LightKind::Point;
        l.From[0] = float(i) * 10 + shift;
        l.Intensity = 500;
        out.push_back(scene::lightBlockText(l));
    }
    return out;
}

std::string modelBytes(uint32_t solids) {
    writer::ModelBlockContent contents;
    contents.materials = materials(10, 1);
    contents.lights = lights(0);
    contents.solids.emplace();
    for (uint32_t id = 1; id <= solids; ++id) contents.solids->push_back(boxSolid(id, 1));
    return writer::ContainerWriter().addModelBlock(kProject, contents).bytes();
}

// A change that edits 20 solids (deleted, then sent again), moves the lights and changes
// two materials.
std::string changeBytes(uint32_t round) {
    writer::ChangeDirectoryContent directory;
    directory.lists.push_back({u"Solid", {}});
    writer::ModelBlockContent contents;
    contents.materials = materials(2, int32_t(round));
    contents.lights = lights(float(round % 7));
    contents.solids.emplace();
    for (uint32_t id = 1; id <= 20; ++id) {
        directory.lists[0].ids.push_back(id);
        contents.solids->push_back(boxSolid(id, round));
    }
    return writer::ContainerWriter().addChangeDirectory(kProject, directory).addModelBlock(kProject, contents).bytes();
}

struct Usage {
    size_t privateBytes = 0;
    size_t workingSet = 0;
    DWORD handles = 0;
};

Usage usageOf(HANDLE process) {
    Usage u;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) {
        // NOTE: Wine leaves PrivateUsage at 0; the commit charge it does report is the same
        // figure on Windows.
        u.privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
        u.workingSet = counters.WorkingSetSize;
    }
    if (!GetProcessHandleCount(process, &u.handles)) u.handles = 0;
    return u;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    ProgramOptions options;
    unsigned long rounds = 1000, solids = 2000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring arg = argv[i];
        if (arg == L"--rounds") rounds = std::wcstoul(argv[i + 1], nullptr, 10);
        else if (arg == L"--solids") solids = std::wcstoul(argv[i + 1], nullptr, 10);
        else if (arg == L"--program") options.program = windowsPath(argv[i + 1]);
        else if (arg == L"--appdata") options.appData = windowsPath(argv[i + 1]);
    }
    if (options.appData.empty()) {
        std::puts("usage: soak.exe [--rounds N] [--solids N] [--program EXE] --appdata DIR");
        return 2;
    }
    if (options.program.empty()) options.program = ownFolder() + L"\\OrvexExchange.exe";
    options.rendererFolder = standinFolder();
    const std::wstring data = dataFolderFor(options.appData);
    if (!makeFolders(data) || !writeFile(data + L"\\_model.alm", modelBytes(solids))) {
        std::puts("cannot write the scene");
        return 1;
    }
    const std::string changes[2] = {changeBytes(2), changeBytes(3)};

    HostSimulator host;
    if (!host.openHostWindow() || !host.startProgram(options, L"ModelSync") || !host.waitForMessage(1137, 60000)) {
        std::puts("the program did not start");
        return 1;
    }
    const Usage start = usageOf(host.programProcess());
    std::vector<double> times;
    times.reserve(rounds);
    LARGE_INTEGER frequency, t0, t1;
    QueryPerformanceFrequency(&frequency);
    for (unsigned long round = 0; round < rounds; ++round) {
        QueryPerformanceCounter(&t0);
        if (!writeFile(data + L"\\_mod.sm", changes[round % 2]) || !host.post(1027) || !host.post(1026) ||
            !host.waitForMessage(1137, 60000)) {
            std::printf("round %lu failed\n", round + 1);
            return 1;
        }
        QueryPerformanceCounter(&t1);
        times.push_back(double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(frequency.QuadPart));
    }
    const Usage end = usageOf(host.programProcess());
    host.closeHostWindow();
    const auto code = host.waitForExit(20000);

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double total = 0;
    for (double t : times) total += t;
    std::printf("soak: %lu rounds of 1026 -> rewrite _mod.sm -> 1027 on %lu solids (20 edited a round)\n", rounds, solids);
    std::printf("time per round: mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms\n", total / double(times.size()),
                sorted[sorted.size() / 2], sorted[sorted.size() * 95 / 100], sorted.back());
    std::printf("private memory: %.1f MiB after start-up, %.1f MiB at the end\n", double(start.privateBytes) / 1048576.0,
                double(end.privateBytes) / 1048576.0);
    std::printf("working set: %.1f MiB after start-up, %.1f MiB at the end\n", double(start.workingSet) / 1048576.0,
                double(end.workingSet) / 1048576.0);
    if (start.handles == 0 && end.handles == 0)
        std::puts("handles: not reported by this system (Wine answers 0)");
    else
        std::printf("handles: %lu after start-up, %lu at the end\n", static_cast<unsigned long>(start.handles),
                    static_cast<unsigned long>(end.handles));
    std::printf("exit code: %s\n", code ? std::to_string(*code).c_str() : "none (did not end)");
    return code && *code == 0 ? 0 : 1;
}
