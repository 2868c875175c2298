// Start-up read-and-send of a large model (over 500 MB of meshes in parts of 10k to 200k
// vertices) against a plain read of the same file, and its peak memory against the
// largest part.
#include "bench_support.h"

#include <cstdio>

using namespace orvex;

int main() {
    bench::ScratchFolder folder;

    // The plan is made in the parent, the scene in a child, so that neither the plan nor
    // the writer's copies stay in the memory of the measuring processes.
    std::vector<std::vector<uint32_t>> solids;
    uint64_t meshBytes = 0, largest = 0, parts = 0;
    uint32_t random = 12345;
    const auto next = [&] {
        random = random * 1664525u + 1013904223u;
        return random >> 8;
    };
    while (meshBytes < 520'000'000) {
        std::vector<uint32_t> vertexCounts(1 + next() % 4);
        for (uint32_t& v : vertexCounts) {
            v = 10'000 + next() % 190'001;
            meshBytes += bench::meshPartBytes(v);
            largest = std::max(largest, bench::meshPartBytes(v));
            ++parts;
        }
        solids.push_back(std::move(vertexCounts));
    }
    std::printf("large model: %zu solids, %llu parts, %s of mesh arrays, largest part %s\n", solids.size(),
                static_cast<unsigned long long>(parts), bench::megabytes(meshBytes).c_str(),
                bench::megabytes(largest).c_str());

    const bool written = bench::inChild([&] {
        const double seconds = bench::secondsOf([&] {
            writer::ModelBlockContent contents;
            contents.solids.emplace();
            uint32_t seed = 1;
            for (size_t s = 0; s < solids.size(); ++s) {
                writer::SolidContent solid;
                solid.id = static_cast<uint32_t>(s + 1);
                solid.timestamp = 1;
                for (uint32_t vertexCount : solids[s]) solid.parts.push_back(bench::meshPart(u"Mesh", vertexCount, seed++));
                contents.solids->push_back(std::move(solid));
            }
            if (!bench::writeModel(folder.dataFile("_model.alm"), contents)) std::_Exit(1);
        });
        std::printf("large model: written in %.1f s\n", seconds);
    });
    if (!written) {
        std::fprintf(stderr, "could not write the large model\n");
        return 1;
    }
    bench::compareStartUp("large model", folder, largest, 5);
    return 0;
}
