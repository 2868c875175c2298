// Start-up read-and-send of 100,000 small solids against a plain read of the same file:
// the cost of a solid apart from its mesh.
#include "bench_support.h"

#include <cstdio>

using namespace orvex;

int main() {
    bench::ScratchFolder folder;
    const bool written = bench::inChild([&] {
        if (!bench::writeModel(folder.dataFile("_model.alm"), bench::smallSolidsModel(bench::kSmallSolids, 1, 1))) std::_Exit(1);
    });
    if (!written) {
        std::fprintf(stderr, "could not write the small-solids model\n");
        return 1;
    }
    bench::compareStartUp("100000 small solids", folder, bench::kBoxBytes, 9);
    return 0;
}
