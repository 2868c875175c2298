// A scene of 20 materials with diffuse textures and bump strengths: the first start-up
// generates the 20 normal maps; the start-up of a new process (a forked child with a fresh
// exchange) finds the textures unchanged and sends the maps as they are, after checking each
// map's record and bytes; a second start-up in the same process finds them in its memory. The
// figures are those start-ups' time per material against the first's. The maps must keep
// the bytes of the first start-up, which are the bytes of a fresh generation.
#include "bench_support.h"
#include "normal_map_reference.h"

#include "core/data_folder.h"
#include "image/normal_map.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "platform/text.h"
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
    const auto mapBytes = [&] {
        std::string all;
        for (int i = 0; i < kMaterials; ++i)
            all += bench::fileBytes(textures + "/wood" + std::to_string(i) + ".jpg_Normal.png");
        return all;
    };
    const std::string generated = mapBytes();
    // The first start-up's maps are what a fresh generation writes today.
    const std::u16string source = fromUtf8(textures + "/wood0.jpg");
    if (!CreateNormal(source, fromUtf8(textures + "/fresh.png")) ||
        bench::fileBytes(textures + "/fresh.png") != bench::fileBytes(textures + "/wood0.jpg_Normal.png")) {
        std::fprintf(stderr, "a fresh generation differs from the first start-up's map\n");
        return 1;
    }

    double restart = 1e300, second = 1e300;
    for (int run = 0; run < 10; ++run) {
        double inChild = 0;
        const bool ran = bench::inChildMeasure(inChild, [&] {
            ModelExchange fresh(recorder.api());
            fresh.session.handle = 1;
            fresh.containerPath = dataFilePath(u"_model.alm");
            const double seconds = bench::secondsOf([&] { loadModelEntry(fresh, 0); });
            fresh.session.handle = 0;
            // Every map sent as it was, none generated again.
            return fresh.normalMaps.size() == kMaterials ? seconds : -1.0;
        });
        if (!ran || inChild < 0) {
            std::fprintf(stderr, "the start-up of a new process did not find its %d maps\n", kMaterials);
            return 1;
        }
        restart = std::min(restart, inChild);
        second = std::min(second, bench::secondsOf(sync));
    }
    if (mapBytes() != generated) {
        std::fprintf(stderr, "a later start-up changed a map\n");
        return 1;
    }
    bench::printFigure("normal maps, first sync of a new process, per material", restart / kMaterials * 1e3, "ms",
                       "first sync (generating), per material", first / kMaterials * 1e3, "ms");
    bench::printFigure("normal maps, second sync, per material", second / kMaterials * 1e3, "ms",
                       "first sync (generating), per material", first / kMaterials * 1e3, "ms");
    std::printf("normal maps: %s in all, unchanged by the later syncs and equal to a fresh generation\n",
                bench::megabytes(generated.size()).c_str());
    exchange.session.handle = 0;
    return 0;
}
