// Writes the sample data folder: orvex-sample-scene DATA_FOLDER STEPS_FOLDER
#include "scene-writer/sample_scene.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_FOLDER STEPS_FOLDER\n", argv[0]);
        return 2;
    }
    if (!orvex::scene::writeSampleScene(argv[1], argv[2])) {
        std::fprintf(stderr, "could not write the sample scene\n");
        return 1;
    }
    std::printf("sample data folder written to %s (change files in %s)\n", argv[1], argv[2]);
    return 0;
}
