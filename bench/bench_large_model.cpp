// Start-up read-and-send of a large model (over 500 MB of meshes in parts of 10k to 200k
// vertices) against a plain read of the same file, and its peak memory against the
// largest part.
#include "bench_support.h"

#include <cstdio>

using namespace orvex;

int main() {
    bench::ScratchFolder folder;

    uint64_t largest = 0;
    if (!bench::writeLargeModel(folder.dataFile("_model.alm"), largest)) {
        std::fprintf(stderr, "could not write the large model\n");
        return 1;
    }
    bench::compareStartUp("large model", folder, largest, 5);
    return 0;
}
