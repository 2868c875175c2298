// Writes the glTF edge-case data folders and their previews for the validator run:
// orvex-inspect-gltf-cases OUT  (folders in OUT/data/NAME, previews in OUT/cases/NAME.glb,
// the sample house data folder in OUT/sample).
#include "inspect/gltf_cases.h"
#include "inspect/gltf_export.h"
#include "inspect/inspect.h"
#include "platform/text.h"
#include "scene-writer/sample_scene.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

int main(int argc, char** argv) {
    // The folder is emptied first, so anything that looks like an option is refused.
    const bool help = argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
    if (argc != 2 || help || argv[1][0] == '-') {
        std::fprintf(help ? stdout : stderr, "usage: %s OUT_FOLDER\n", argv[0]);
        return help ? 0 : 2;
    }
    namespace fs = std::filesystem;
    const fs::path out(argv[1]);
    std::error_code ec;
    fs::remove_all(out, ec);
    fs::create_directories(out / "cases", ec);
    if (!orvex::scene::writeSampleScene((out / "sample" / "data").string(), (out / "sample" / "steps").string())) {
        std::fprintf(stderr, "cannot write the sample scene\n");
        return 1;
    }
    std::vector<std::string> names;
    if (!orvex::inspect::writeGltfCaseFolders((out / "data").string(), names)) {
        std::fprintf(stderr, "cannot write the case folders\n");
        return 1;
    }
    for (const std::string& name : names) {
        const auto inspection = orvex::inspect::inspectPath(orvex::fromUtf8((out / "data" / name).string()));
        const auto gltf = orvex::inspect::exportGltf(inspection);
        const fs::path file = out / "cases" / (name + ".glb");
        if (!orvex::inspect::writeGltf(gltf, orvex::fromUtf8(file.string()))) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            return 1;
        }
        std::printf("%s: %zu bytes, %zu notes\n", file.string().c_str(), gltf.glb.size(), gltf.notes.size());
    }
    return 0;
}
