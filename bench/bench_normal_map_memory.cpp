// A scene of 20 materials with diffuse textures and bump strengths, synchronised twice: the
// first start-up generates the 20 normal maps, a second start-up in the same program finds
// the textures unchanged and sends the maps it generated. The figure is the second sync's
// time per material against the first's.
#include "bench_support.h"
#include "normal_map_reference.h"

#include "core/data_folder.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "scene-writer/material_text.h"
#include "support/recorder.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

using namespace orvex;

int main() {
    constexpr int kMaterials = 20;
    constexpr uint32_t kTextureSize = 2048;
    bench::ScratchFolder folder;
    const std::string textures = folder.dataFile("Textures");
    std::filesystem::create_directories(textures);

    writer::ModelBlockContent contents;
    contents.materials.emplace();
    uint64_t textureBytes = 0;
    for (int i = 0; i < kMaterials; ++i) {
        const std::string name = "wood" + std::to_string(i) + ".jpg";
        const std::string path = textures + "/" + name;
        if (!bench::writeJpeg(path, bench::makeTexture(kTextureSize, kTextureSize, 100 + i), 90)) return 1;
        textureBytes += std::filesystem::file_size(path);
        MaterialRecord material;
        material.MaterialID_Name = u"Wood" + std::u16string(1, char16_t(u'A' + i));
        material.InterfaceName = material.MaterialID_Name;
        material.Bump = 0.5f;
        ExtendMaterialRecord diffuse;
        diffuse.Type = 1;
        diffuse.nFlag = 2;
        diffuse.strFile = std::u16string(name.begin(), name.end());
        material.MatExt.push_back(diffuse);
        contents.materials->push_back({scene::materialBlockText(material), std::nullopt});
    }
    if (!bench::writeModel(folder.dataFile("_model.alm"), contents)) return 1;
    std::printf("normal-map memory: %d materials with %ux%u JPEG textures (%s in all)\n", kMaterials, kTextureSize,
                kTextureSize, bench::megabytes(textureBytes).c_str());

    test::Recorder recorder;
    journal::Behaviour quiet;
    quiet.journaling = false;
    journal::setBehaviour(quiet);
    ModelExchange exchange(recorder.api());
    exchange.session.handle = 1;
    const auto sync = [&] {
        exchange.containerPath = dataFilePath(u"_model.alm");
        loadModelEntry(exchange, 0);
    };
    const double first = bench::secondsOf(sync);
    if (exchange.normalMaps.size() != kMaterials) {
        std::fprintf(stderr, "%zu normal maps generated, %d expected\n", exchange.normalMaps.size(), kMaterials);
        return 1;
    }
    double second = 1e300;
    for (int run = 0; run < 5; ++run) second = std::min(second, bench::secondsOf(sync));
    bench::printFigure("normal maps, second sync, per material", second / kMaterials * 1e3, "ms",
                       "first sync, per material", first / kMaterials * 1e3, "ms");
    exchange.session.handle = 0;
    return 0;
}
