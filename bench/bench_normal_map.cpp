// A 4096 x 4096 JPEG diffuse texture to its normal map: the program's CreateNormal (stb decode,
// kernel on every core, PNG bands compressed on every core) against libjpeg-turbo + plain
// kernel + libpng at zlib level 1 with default filters, and against libjpeg-turbo + plain
// kernel + libdeflate level 1 on one thread. The pieces are timed too, and every output is
// checked to decode to the kernel's pixels.
#include "bench_support.h"
#include "normal_map_reference.h"

#include "image/normal_map.h"
#include "image/png_writer.h"
#include "platform/text.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace orvex;

namespace {

constexpr uint32_t kSize = 4096;
constexpr int kRuns = 5;

bool decodesTo(const std::string& path, const PixelImage& expected, const char* what) {
    PixelImage back;
    if (!bench::decodePngLibpng(path, back) || back.width != expected.width || back.height != expected.height ||
        back.bgra != expected.bgra) {
        std::fprintf(stderr, "%s: %s does not decode to the kernel's pixels\n", what, path.c_str());
        return false;
    }
    return true;
}

// The fastest of kRuns runs of each pipeline, the pipelines taking turns so that each meets
// the same load of a shared machine.
std::vector<double> inTurns(const std::vector<std::function<void()>>& pipelines) {
    std::vector<double> best(pipelines.size(), 1e300);
    for (int run = 0; run < kRuns; ++run)
        for (size_t i = 0; i < pipelines.size(); ++i) best[i] = std::min(best[i], bench::secondsOf(pipelines[i]));
    return best;
}

} // namespace

int main() {
    bench::ScratchFolder folder;
    const std::string jpeg = folder.dataFile("oak.jpg");
    const std::string ours = folder.dataFile("oak.jpg_Normal.png");
    const std::string viaLibpng = folder.dataFile("libpng.png");
    const std::string viaLibdeflate = folder.dataFile("libdeflate.png");
    if (!bench::writeJpeg(jpeg, bench::makeTexture(kSize, kSize, 7), 90)) {
        std::fprintf(stderr, "could not write the JPEG texture\n");
        return 1;
    }
    std::printf("normal map: %ux%u JPEG texture of %s, %u hardware threads\n", kSize, kSize,
                bench::megabytes(std::filesystem::file_size(jpeg)).c_str(), std::thread::hardware_concurrency());

    // The pixels every pipeline must produce.
    PixelImage decoded, expected;
    if (!bench::decodeJpeg(jpeg, decoded)) return 1;
    bench::plainNormalMap(decoded, expected);
    PixelImage kernel;
    computeNormalMap(decoded, kernel);
    if (kernel.bgra != expected.bgra) {
        std::fprintf(stderr, "the program's kernel differs from the plain kernel\n");
        return 1;
    }

    const std::u16string input = fromUtf8(jpeg), output = fromUtf8(ours);
    const auto product = [&] {
        if (!CreateNormal(input, output)) std::_Exit(1);
    };
    const auto libpngPipeline = [&] {
        PixelImage image, normals;
        if (!bench::decodeJpeg(jpeg, image)) std::_Exit(1);
        bench::plainNormalMap(image, normals);
        if (!bench::writePngLibpng(viaLibpng, normals)) std::_Exit(1);
    };
    const auto libdeflatePipeline = [&] {
        PixelImage image, normals;
        if (!bench::decodeJpeg(jpeg, image)) std::_Exit(1);
        bench::plainNormalMap(image, normals);
        if (!bench::writePngLibdeflate(viaLibdeflate, normals)) std::_Exit(1);
    };
    const std::vector<double> whole = inTurns({product, libpngPipeline, libdeflatePipeline});
    // stb decodes the JPEG a little differently from libjpeg-turbo, so the program's output is
    // checked against the kernel run on stb's pixels.
    PixelImage stbDecoded, stbExpected;
    if (!platform().decodeImage(input, stbDecoded)) return 1;
    bench::plainNormalMap(stbDecoded, stbExpected);
    if (!decodesTo(ours, stbExpected, "CreateNormal") || !decodesTo(viaLibpng, expected, "libpng") ||
        !decodesTo(viaLibdeflate, expected, "libdeflate"))
        return 1;

    // The pieces, on the same pixels.
    std::vector<uint8_t> png;
    PixelImage scratch;
    const std::vector<double> pieces = inTurns({
        [&] { platform().decodeImage(input, scratch); },
        [&] { bench::decodeJpeg(jpeg, scratch); },
        [&] { computeNormalMap(decoded, scratch); },
        [&] { bench::plainNormalMap(decoded, scratch); },
        [&] { encodePng(expected, png); },
        [&] { bench::writePngLibpng(viaLibpng, expected); },
        [&] { bench::writePngLibdeflate(viaLibdeflate, expected); },
    });
    const uint64_t pngBytes = png.size();

    std::printf("normal map pieces: stb decode %.0f ms, libjpeg-turbo decode %.0f ms, kernel %.1f ms "
                "(plain one-thread kernel %.0f ms), PNG encode %.0f ms to %s (libpng %.0f ms to %s, "
                "libdeflate %.0f ms to %s)\n",
                pieces[0] * 1e3, pieces[1] * 1e3, pieces[2] * 1e3, pieces[3] * 1e3, pieces[4] * 1e3,
                bench::megabytes(pngBytes).c_str(), pieces[5] * 1e3,
                bench::megabytes(std::filesystem::file_size(viaLibpng)).c_str(), pieces[6] * 1e3,
                bench::megabytes(std::filesystem::file_size(viaLibdeflate)).c_str());
    bench::printFigure("normal map speed-up over libjpeg-turbo+libpng", whole[1] / whole[0], "x",
                       "required", 3.0, "x");
    bench::printFigure("normal map CreateNormal 4096x4096 JPEG", whole[0] * 1e3, "ms",
                       "libjpeg-turbo+libpng level 1", whole[1] * 1e3, "ms");
    bench::printFigure("normal map CreateNormal 4096x4096 JPEG", whole[0] * 1e3, "ms",
                       "libjpeg-turbo+libdeflate 1 thread", whole[2] * 1e3, "ms");
    return 0;
}
