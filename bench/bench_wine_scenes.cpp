// Writes the scenes of the Wine benchmark (scripts/bench-wine.sh) into ROOT, each an APPDATA
// folder with the program's data folder inside: "large" (the large model of
// bench_large_model), "small" (100,000 small solids), "maps" (one material whose 4096 x 4096
// JPEG diffuse texture has a bump strength, so the program keeps a normal map of it) and
// "nomaps" (the same without the bump); and largest-part-bytes.txt, the large model's largest
// part in bytes.
//
//   bench_wine_scenes ROOT
#include "bench_support.h"
#include "normal_map_reference.h"

#include "scene-writer/material_text.h"

#include <cstdio>
#include <filesystem>
#include <string>

using namespace orvex;

namespace {

std::string dataFolder(const std::string& root, const std::string& scene) {
    const std::string folder = root + "/" + scene + "/Quorvel/Planomat2027_OrvexPlugin/Data";
    std::filesystem::create_directories(folder + "/Textures");
    return folder;
}

bool writeTextureScene(const std::string& folder, float bump) {
    if (!bench::writeJpeg(folder + "/Textures/wood.jpg", bench::makeTexture(4096, 4096, 7), 90)) return false;
    MaterialRecord wood;
    wood.MaterialID_Name = u"Wood";
    wood.InterfaceName = u"Wood";
    wood.Bump = bump;
    ExtendMaterialRecord diffuse;
    diffuse.Type = 1;
    diffuse.nFlag = 2;
    diffuse.strFile = u"wood.jpg";
    wood.MatExt.push_back(diffuse);
    writer::ModelBlockContent contents = bench::smallSolidsModel(100, 1, 1);
    contents.materials.emplace();
    contents.materials->push_back({scene::materialBlockText(wood), std::nullopt});
    return bench::writeModel(folder + "/_model.alm", contents);
}

// The launch benchmark reads a plain read's buffer size from it.
bool writeLargestPart(const std::string& path, uint64_t bytes) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    const bool written = std::fprintf(f, "%llu\n", static_cast<unsigned long long>(bytes)) > 0;
    return std::fclose(f) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_wine_scenes ROOT\n");
        return 2;
    }
    const std::string root = argv[1];
    uint64_t largest = 0;
    const bool written =
        bench::writeLargeModel(dataFolder(root, "large") + "/_model.alm", largest) &&
        bench::inChild([&] {
            if (!bench::writeModel(dataFolder(root, "small") + "/_model.alm",
                                   bench::smallSolidsModel(bench::kSmallSolids, 1, 1)))
                std::_Exit(1);
        }) &&
        writeTextureScene(dataFolder(root, "maps"), 0.5f) && writeTextureScene(dataFolder(root, "nomaps"), 0.0f) &&
        writeLargestPart(root + "/largest-part-bytes.txt", largest);
    if (!written) {
        std::fprintf(stderr, "bench_wine_scenes: could not write the scenes into %s\n", root.c_str());
        return 1;
    }
    return 0;
}
