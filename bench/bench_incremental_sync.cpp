// An incremental sync that changes 10 solids of a 100,000-solid scene against the full
// start-up of that scene, and the sync-state file of that scene against one fwrite of
// the same bytes.
#include "bench_support.h"

#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "support/recorder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

using namespace orvex;

int main() {
    constexpr uint32_t kSolids = 100'000;
    constexpr uint32_t kChanged = 10;
    bench::ScratchFolder folder;
    test::Recorder recorder;
    journal::Behaviour quiet;
    quiet.journaling = false;
    journal::setBehaviour(quiet);

    // Both containers are written in a child, so that the writer's garbage does not stay in
    // the heap of this process: its tables are to lie in memory as the program's would after
    // start-up, node after node. The host's change: ten solids spread over the scene are
    // deleted and sent again.
    const bool written = bench::inChild([&] {
        const writer::ModelBlockContent scene = bench::smallSolidsModel(kSolids, 1, 1);
        if (!bench::writeModel(folder.dataFile("_model.alm"), scene)) std::_Exit(1);
        writer::NamedList changed{u"Solid", {}};
        writer::ModelBlockContent changes;
        changes.solids.emplace();
        for (uint32_t i = 0; i < kChanged; ++i) {
            writer::SolidContent solid = (*scene.solids)[i * (kSolids / kChanged) + 7];
            solid.timestamp = 2;
            changed.ids.push_back(solid.id);
            changes.solids->push_back(solid);
        }
        writer::ChangeDirectoryContent directory;
        directory.lists = {changed};
        writer::ContainerWriter container;
        const std::u16string project = u"C:\\Projects\\Bench.pln"; // the project writeModel uses
        container.addChangeDirectory(project, directory).addModelBlock(project, changes);
        if (!container.writeFile(folder.dataFile("_mod.sm"))) std::_Exit(1);
    });
    if (!written) return 1;

    // The full start-up is timed in a child of its own, as compareStartUp does; this process
    // then starts up once, as the program does (not three start-ups and two teardowns).
    double startUp = 0;
    if (!bench::inChildMeasure(startUp, [&] {
            std::unique_ptr<ModelExchange> fresh;
            const double seconds = bench::bestOf(
                3,
                [&] {
                    fresh.reset();
                    fresh = std::make_unique<ModelExchange>(recorder.api());
                    fresh->session.handle = 1;
                    fresh->containerPath = dataFilePath(u"_model.alm");
                },
                [&] { loadModelEntry(*fresh, 0); });
            fresh->session.handle = 0;
            return seconds;
        }))
        return 1;
    auto exchange = std::make_unique<ModelExchange>(recorder.api());
    exchange->session.handle = 1;
    exchange->containerPath = dataFilePath(u"_model.alm");
    loadModelEntry(*exchange, 0);
    if (exchange->sourceProject != u"C:\\Projects\\Bench.pln") return 1;

    journal::resetCounters();
    syncModel(*exchange);
    const uint64_t callsPerSync = journal::callCount();
    const double sync = bench::bestOf(20, nullptr, [&] { syncModel(*exchange); });
    std::printf("incremental sync: %llu renderer calls per sync, %zu solids in the table\n",
                static_cast<unsigned long long>(callsPerSync), exchange->solidTable.size());
    bench::printFigure("incremental sync of 10 of 100000 solids", sync * 1e3, "ms",
                       "full start-up of the scene", startUp * 1e3, "ms");

    // writeSyncState and one fwrite of the same bytes are measured in turns, so that both
    // meet the same load of a shared machine, each after a pause (the host asks for the state
    // a few times a second at most). Rewriting a file whose previous version the file system
    // is still writing back waits for that write-back, a millisecond or more here that lands
    // on either side at random; so the main figure writes both files anew (each is removed
    // before its write, outside the timing), and the rewriting figure is printed beside it.
    writeSyncState(*exchange);
    const std::string statePath = folder.dataFile("_mod.sync");
    const uint64_t stateBytes = std::filesystem::file_size(statePath);
    std::vector<char> bytes(stateBytes);
    std::FILE* in = std::fopen(statePath.c_str(), "rb");
    if (!in || std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) return 1;
    std::fclose(in);
    const std::string copyPath = folder.dataFile("copy.sync");
    const auto oneWrite = [&] {
        std::FILE* out = std::fopen(copyPath.c_str(), "wb");
        if (!out) std::_Exit(1);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    };
    // Every solid sent again with another timestamp of the same length: all lines change.
    uint32_t timestamp = 1;
    const auto changeEveryLine = [&] {
        timestamp = timestamp == 1 ? 2 : 1;
        for (uint32_t id = 1; id <= kSolids; ++id) exchange->solidTable.record(id, timestamp);
    };
    struct Pair {
        double state = 1e300, plain = 1e300;
    } fresh, rewritten, allChanged;
    const auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(20)); };
    for (int run = 0; run < 15; ++run) {
        for (Pair* pair : {&fresh, &rewritten, &allChanged}) {
            if (pair == &allChanged) changeEveryLine();
            pause();
            if (pair != &rewritten) std::remove(statePath.c_str());
            pair->state = std::min(pair->state, bench::secondsOf([&] { writeSyncState(*exchange); }));
            pause();
            if (pair != &rewritten) std::remove(copyPath.c_str());
            pair->plain = std::min(pair->plain, bench::secondsOf(oneWrite));
        }
    }
    if (timestamp != 1) changeEveryLine();
    std::printf("sync-state file: %s for %zu solids\n", bench::megabytes(stateBytes).c_str(),
                exchange->solidTable.size());
    bench::printFigure("writeSyncState of 100000 solids", fresh.state * 1e3, "ms", "one fwrite of the same bytes",
                       fresh.plain * 1e3, "ms");
    bench::printFigure("same, rewriting the files", rewritten.state * 1e3, "ms", "one fwrite, rewriting",
                       rewritten.plain * 1e3, "ms");
    bench::printFigure("same, every line changed since the last", allChanged.state * 1e3, "ms",
                       "one fwrite of the same bytes", allChanged.plain * 1e3, "ms");
    exchange->session.handle = 0;
    return 0;
}
