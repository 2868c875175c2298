// The memory of generated normal maps: an unchanged texture is not generated again and its
// existing map is used as it stands, in the same process and in a new one (which knows the
// map by the record written into it); a change of the source (even one that keeps its size
// and time), of the parameters, a deleted, damaged, edited or unreadable output, a map
// without the record, or a source that cannot be read means a fresh map, byte for byte
// what a fresh generation writes.
#include "core/data_folder.h"
#include "image/content_hash.h"
#include "image/normal_map.h"
#include "materials/normal_map_memory.h"
#include "image/png_writer.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "platform/files.h"
#include "platform/text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/material_text.h"
#include "support/fake_platform.h"
#include "support/images.h"
#include "support/journal_lines.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

using namespace orvex;
namespace fs = std::filesystem;

namespace {

using test::randomImage;

// Decodes as the fake platform does and counts the decodes, which only a generation makes.
class CountingPlatform final : public Platform {
public:
    explicit CountingPlatform(Platform& inner) : inner_(inner) { setPlatform(this); }
    ~CountingPlatform() override { setPlatform(&inner_); }
    int decodes = 0;

    std::optional<std::u16string> environmentVariable(const std::u16string& n, size_t b) override {
        return inner_.environmentVariable(n, b);
    }
    std::optional<std::u16string> registryValue(const std::u16string& k, const std::u16string& v, size_t b) override {
        return inner_.registryValue(k, v, b);
    }
    void messageBoxW(const std::u16string& c, const std::u16string& t) override { inner_.messageBoxW(c, t); }
    void messageBoxA(const std::string& c, const std::string& t) override { inner_.messageBoxA(c, t); }
    bool decodeImage(const std::u16string& path, PixelImage& out) override {
        ++decodes;
        return inner_.decodeImage(path, out);
    }

private:
    Platform& inner_;
};

// A 24-bit BMP: its size depends on the dimensions only, so a change of pixels keeps it.
std::string bmpBytes(const PixelImage& image) {
    const uint32_t pitch = (image.width * 3 + 3) & ~3u;
    const uint32_t size = 54 + pitch * image.height;
    std::string b(size, '\0');
    const auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, image.width);
    put32(22, image.height);
    b[26] = 1;
    b[28] = 24;
    for (uint32_t y = 0; y < image.height; ++y)
        for (uint32_t x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c)
                b[54 + (image.height - 1 - y) * pitch + x * 3 + c] =
                    static_cast<char>(image.bgra[(size_t(y) * image.width + x) * 4 + c]);
    return b;
}

std::string pngBytes(const PixelImage& image) {
    std::vector<uint8_t> png;
    EXPECT_TRUE(encodePng(image, png));
    return std::string(png.begin(), png.end());
}

// Every case runs twice: the maps are provided again by the same memory (the same process),
// or by a new one (a new process, which knows nothing but the files).
class NormalMapMemoryTest : public ::testing::TestWithParam<bool> {
protected:
    test::FakePlatform fake;
    CountingPlatform counting{fake};
    test::TempFolder temp;
    std::unique_ptr<NormalMapMemory> memory = std::make_unique<NormalMapMemory>();
    const std::string sourceFile = temp.file("oak.png");
    const std::string outputFile = temp.file("oak.png_Normal.png");
    const std::u16string source = fromUtf8(sourceFile);
    const std::u16string output = fromUtf8(outputFile);

    bool newProcess() const { return GetParam(); }
    // The next provide, after a restart when the case runs in new processes.
    bool provideAgain(const std::u16string& from = {}) {
        if (newProcess()) memory = std::make_unique<NormalMapMemory>();
        return memory->provide(from.empty() ? source : from, output);
    }

    // The map as a fresh generation writes it for the source file as it is now: the PNG of
    // the kernel's pixels, sealed with the source's state and the parameters.
    static std::string freshMap(const PixelImage& image, const std::string& sourcePath,
                                const NormalMapParameters& parameters = {}) {
        PixelImage normals;
        computeNormalMap(image, normals);
        PngPieces png;
        EXPECT_TRUE(encodePngPieces(normals, png));
        FileState state;
        std::vector<unsigned char> buffer;
        EXPECT_TRUE(examineFile(fromUtf8(sourcePath), true, state, buffer));
        EXPECT_TRUE(sealWithOrigin(png, NormalMapOrigin{state, parameters}));
        std::string bytes;
        for (const auto& piece : png.pieces) bytes.append(reinterpret_cast<const char*>(piece.bytes.get()), piece.size);
        return bytes;
    }
    std::string freshMap(const PixelImage& image) const { return freshMap(image, sourceFile); }
    // Gives a file a modification time of its own, away from "now".
    static void setTime(const std::string& path, int secondsAgo) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
    }
    // Replaces the map by other bytes. The same process notices a change by the map's size
    // and time, so there it gets a new time; a new process is left only the bytes to judge.
    void replaceMap(const std::string& bytes) {
        const auto time = fs::last_write_time(outputFile);
        test::writeFileBytes(outputFile, bytes);
        if (newProcess())
            fs::last_write_time(outputFile, time);
        else
            setTime(outputFile, 30);
    }
};

std::string caseName(const ::testing::TestParamInfo<bool>& info) { return info.param ? "NewProcess" : "SameProcess"; }

} // namespace

INSTANTIATE_TEST_SUITE_P(, NormalMapMemoryTest, ::testing::Bool(), caseName);

TEST_P(NormalMapMemoryTest, UnchangedSourceReusesTheWrittenMap) {
    const PixelImage image = randomImage(19, 11, 1);
    test::writeFileBytes(sourceFile, pngBytes(image));
    ASSERT_TRUE(memory->provide(source, output));
    EXPECT_EQ(counting.decodes, 1);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(image));
    const auto written = fs::last_write_time(outputFile);

    for (int i = 0; i < 3; ++i) ASSERT_TRUE(provideAgain());
    EXPECT_EQ(counting.decodes, 1);
    EXPECT_EQ(fs::last_write_time(outputFile), written);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(image));
    EXPECT_EQ(memory->size(), 1u);
}

TEST_P(NormalMapMemoryTest, ChangedContentWithTheSameSizeAndTimeRegenerates) {
    PixelImage first = randomImage(16, 16, 2);
    for (size_t i = 3; i < first.bgra.size(); i += 4) first.bgra[i] = 255; // BMP has no alpha
    const std::string bmp = temp.file("oak.bmp");
    const std::u16string bmpSource = fromUtf8(bmp);
    test::writeFileBytes(bmp, bmpBytes(first));
    setTime(bmp, 100);
    ASSERT_TRUE(memory->provide(bmpSource, output));

    // One pixel changed: same size, and the old time given back.
    PixelImage second = first;
    second.bgra[0] ^= 0xFF;
    const std::string bytes = bmpBytes(second);
    ASSERT_EQ(bytes.size(), fs::file_size(bmp));
    const auto time = fs::last_write_time(bmp);
    test::writeFileBytes(bmp, bytes);
    fs::last_write_time(bmp, time);

    ASSERT_TRUE(provideAgain(bmpSource));
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(second, bmp));
    ASSERT_TRUE(provideAgain(bmpSource));
    EXPECT_EQ(counting.decodes, 2);
}

TEST_P(NormalMapMemoryTest, ChangedSourceTimeOrSizeRegenerates) {
    const PixelImage image = randomImage(8, 8, 3);
    test::writeFileBytes(sourceFile, pngBytes(image));
    setTime(sourceFile, 50);
    ASSERT_TRUE(memory->provide(source, output));
    setTime(sourceFile, 40); // touched, same content
    ASSERT_TRUE(provideAgain());
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(image));
    ASSERT_TRUE(provideAgain());
    EXPECT_EQ(counting.decodes, 2);

    const PixelImage bigger = randomImage(9, 8, 3);
    test::writeFileBytes(sourceFile, pngBytes(bigger));
    setTime(sourceFile, 40);
    ASSERT_TRUE(provideAgain());
    EXPECT_EQ(counting.decodes, 3);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(bigger));
}

TEST_P(NormalMapMemoryTest, MissingDamagedEditedOrUnrecordedOutputRegenerates) {
    const PixelImage image = randomImage(12, 7, 4);
    test::writeFileBytes(sourceFile, pngBytes(image));
    ASSERT_TRUE(memory->provide(source, output));
    const std::string map = test::readFileBytes(outputFile);
    ASSERT_EQ(map, freshMap(image));

    fs::remove(outputFile);
    ASSERT_TRUE(provideAgain());
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(test::readFileBytes(outputFile), map);

    PixelImage normals;
    computeNormalMap(image, normals);
    const auto flipped = [](std::string bytes, size_t at) {
        bytes[at] ^= 0x55;
        return bytes;
    };
    const std::pair<const char*, std::string> outputs[] = {
        {"cut short", map.substr(0, map.size() - 1)},
        {"cut after the record", map.substr(0, 33 + 12 + 40)},
        {"a byte changed in the pixels", flipped(map, map.size() / 2)},
        {"a byte changed in the record", flipped(map, 33 + 8 + 3)},
        {"bytes after the end", map + "trailing"},
        {"the map without the record (as an editor saves it)", pngBytes(normals)},
        {"another image with the record", map.substr(0, 33 + 52) + pngBytes(randomImage(12, 7, 9)).substr(33)},
    };
    int decodes = counting.decodes;
    for (const auto& [what, bytes] : outputs) {
        replaceMap(bytes);
        ASSERT_TRUE(provideAgain()) << what;
        EXPECT_EQ(counting.decodes, ++decodes) << what;
        EXPECT_EQ(test::readFileBytes(outputFile), map) << what;
    }
}

TEST_P(NormalMapMemoryTest, MapOfOtherParametersRegenerates) {
    const PixelImage image = randomImage(10, 6, 10);
    test::writeFileBytes(sourceFile, pngBytes(image));
    ASSERT_TRUE(memory->provide(source, output));
    // As an earlier generator with another kernel or encoding would have recorded it.
    for (const NormalMapParameters other : {NormalMapParameters{2, 1}, NormalMapParameters{1, 2}}) {
        replaceMap(freshMap(image, sourceFile, other));
        ASSERT_TRUE(provideAgain());
        EXPECT_EQ(test::readFileBytes(outputFile), freshMap(image));
    }
    EXPECT_EQ(counting.decodes, 3);
}

TEST_P(NormalMapMemoryTest, UnreadableOutputIsNotTrusted) {
    test::writeFileBytes(sourceFile, pngBytes(randomImage(5, 5, 11)));
    ASSERT_TRUE(memory->provide(source, output));
    // A folder in the map's place can be neither read nor written: a generation is tried,
    // and nothing is sent.
    fs::remove(outputFile);
    fs::create_directory(outputFile);
    EXPECT_FALSE(provideAgain());
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(memory->size(), 0u);
}

TEST_P(NormalMapMemoryTest, MissingOrUnreadableSourceIsNotRemembered) {
    EXPECT_FALSE(memory->provide(source, output));
    EXPECT_EQ(memory->size(), 0u);
    test::writeFileBytes(sourceFile, "not an image");
    EXPECT_FALSE(memory->provide(source, output));
    EXPECT_FALSE(pathExists(output));
    EXPECT_EQ(memory->size(), 0u);

    // A map that was generated, whose source then goes: the old map is not sent again.
    test::writeFileBytes(sourceFile, pngBytes(randomImage(4, 4, 5)));
    ASSERT_TRUE(memory->provide(source, output));
    fs::remove(sourceFile);
    EXPECT_FALSE(provideAgain());
    EXPECT_EQ(memory->size(), 0u);
}

TEST_P(NormalMapMemoryTest, MapsAreRememberedByOutputAndSource) {
    const std::string otherFile = temp.file("elm.png");
    test::writeFileBytes(sourceFile, pngBytes(randomImage(6, 6, 6)));
    test::writeFileBytes(otherFile, pngBytes(randomImage(6, 6, 7)));
    ASSERT_TRUE(memory->provide(source, output));
    // Another source for the same output replaces the map.
    ASSERT_TRUE(provideAgain(fromUtf8(otherFile)));
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(test::readFileBytes(outputFile), freshMap(randomImage(6, 6, 7), otherFile));
    ASSERT_TRUE(provideAgain(fromUtf8(otherFile)));
    EXPECT_EQ(counting.decodes, 2);
    EXPECT_EQ(memory->size(), 1u);
}

TEST(ContentHash, PiecesOfAnySizeGiveTheHashOfTheWhole) {
    std::string bytes(1000, 'a');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    const uint64_t whole = contentHash(bytes.data(), bytes.size());
    for (size_t piece : {1u, 5u, 31u, 32u, 33u, 100u, 999u}) {
        ContentHash hash;
        for (size_t at = 0; at < bytes.size(); at += piece) hash.add(bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(hash.value(), whole) << piece;
    }
    for (size_t at : {0u, 7u, 31u, 32u, 500u, 999u}) {
        std::string changed = bytes;
        changed[at] ^= 1;
        EXPECT_NE(contentHash(changed.data(), changed.size()), whole) << at;
    }
    EXPECT_NE(contentHash(bytes.data(), 999), whole);
    EXPECT_NE(contentHash((bytes + '\0').data(), 1001), whole);
}

TEST(NormalMapMemoryInSync, LaterStartUpsSendTheSameMaterialWithoutGenerating) {
    test::ScratchDataFolder data;
    CountingPlatform counting{data.platform};
    fs::create_directories(data.file("Textures"));
    data.write("Textures/oak.png", pngBytes(randomImage(10, 10, 8)));

    MaterialRecord oak;
    oak.MaterialID_Name = u"Oak";
    oak.Bump = 0.5f;
    ExtendMaterialRecord diffuse;
    diffuse.Type = 1;
    diffuse.nFlag = 2;
    diffuse.strFile = u"oak.png";
    oak.MatExt = {diffuse};
    writer::ModelBlockContent contents;
    contents.materials.emplace();
    contents.materials->push_back({scene::materialBlockText(oak), std::nullopt});
    writer::ContainerWriter container;
    container.addModelBlock(u"C:\\P.pln", contents);
    ASSERT_TRUE(container.writeFile(data.file("_model.alm")));

    test::Recorder recorder;
    ModelExchange exchange(recorder.api());
    exchange.session.handle = test::kSessionHandle;
    exchange.containerPath = dataFilePath(u"_model.alm");
    loadModelEntry(exchange, 0);
    const std::vector<std::string> first = recorder.lines;
    EXPECT_EQ(counting.decodes, 1);
    ASSERT_EQ(recorder.linesOf("SetMaterialStringProperty").size(), 4u); // type, name, diffuse, normal map
    const std::string map = data.read("Textures/oak.png_Normal.png");

    // Again in the same exchange, and in a new one as a new process starts it.
    ModelExchange restarted(recorder.api());
    restarted.session.handle = test::kSessionHandle;
    for (ModelExchange* ex : {&exchange, &restarted}) {
        recorder.clear();
        ex->containerPath = dataFilePath(u"_model.alm");
        loadModelEntry(*ex, 0);
        EXPECT_EQ(recorder.lines, first);
        EXPECT_EQ(counting.decodes, 1);
        EXPECT_EQ(data.read("Textures/oak.png_Normal.png"), map);
        ex->session.handle = 0;
    }
}
