// Model blocks to the renderer: section placement and order, solids as nodes, parts as
// indexed meshes, and what damaged or truncated blocks do.
#include "support/allocation_watch.h"
#include "core/data_folder.h"
#include "lights/light_block.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "materials/send_material.h"
#include "model/container.h"
#include "model/model_block.h"
#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "platform/text.h"
#include "records/views.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"
#include "scene-writer/sample_scene.h"
#include "support/exchange_fixture.h"
#include "support/scene_content.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>

using namespace orvex;
using namespace orvex::test;
using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::PartContent;
using writer::SolidContent;

namespace {

const std::u16string kProject = u"C:\\Projects\\House.pln";
const std::string kEndNode = op::endNode();

// The line of an indexed part: positions hashed over all position values.
std::string indexedLine(const std::u16string& label, const PartContent& part) {
    return op::mesh(label, static_cast<uint32_t>(part.positions.size()), static_cast<uint32_t>(part.indices.size()),
                    part.positions, !part.attributes2.empty(), !part.attributes5.empty(), part.indices);
}

PartContent trianglePart(std::u16string label, float shift) {
    PartContent part;
    part.label = std::move(label);
    part.positions = {0, 0, shift, 1, 0, shift, 0, 1, shift, 1, 1, shift};
    part.attributes2 = {11, 12, 13, 14};
    part.attributes5 = {21, 22, 23, 24, 25, 26, 27, 28};
    part.indices = {0, 1, 2, 2, 1, 3};
    part.unused3 = {99};
    part.unused8 = {98, 97};
    return part;
}

writer::MaterialEntry materialEntry(std::u16string text, std::optional<uint32_t> byteLength = {}) {
    writer::MaterialEntry entry;
    entry.text = std::move(text);
    entry.byteLength = byteLength;
    return entry;
}

SolidContent withZeroParts(SolidContent contents, int zeroOffsets) {
    contents.zeroPartOffsets = zeroOffsets;
    return contents;
}

uint32_t u32At(const std::string& bytes, size_t at) {
    return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
           uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

struct ModelBlockTest : test::ExchangeTest {
    std::string modelPath() const { return data.file("_model.alm"); }

    void write(const ContainerWriter& container) { ASSERT_TRUE(container.writeFile(modelPath())); }
    void loadEntry0() {
        exchange.containerPath = dataFilePath(u"_model.alm");
        loadModelEntry(exchange, 0);
    }
    void load(const ContainerWriter& container) {
        write(container);
        loadEntry0();
    }
    void loadBlock(const ModelBlockContent& contents) {
        ContainerWriter container;
        container.addModelBlock(kProject, contents);
        load(container);
    }
    // A model entry whose block is given as bytes.
    void loadRawBlock(const std::string& block) {
        ContainerWriter container;
        container.entries.push_back({kProject, layout::kModelBlockKind, block, std::nullopt});
        load(container);
    }
};

TEST_F(ModelBlockTest, BlockWithFiveZeroWordsSendsNothing) {
    std::string block;
    for (int i = 0; i < 5; ++i) writer::appendU32(block, 0);
    // Tables follow that would be read if any word were taken as set.
    writer::appendU32(block, 1);
    writer::appendU32(block, 20);
    loadRawBlock(block);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_TRUE(exchange.solidTable.empty());
    EXPECT_TRUE(exchange.materialTable.empty());
    EXPECT_TRUE(exchange.lightTable.empty());
    EXPECT_EQ(exchange.sourceProject, kProject);
}

TEST_F(ModelBlockTest, WithoutMaterialsLightsStartAfterTheHeadAndSolidsAtTheirLength) {
    // A lights section of exactly 100 bytes (the five words, the table, one text of 34 units)
    // places the solids table at B + 100 while w0 stays 0.
    std::u16string light = u"LightSolidID [4]\n";
    light.resize(34, u'\n');
    const PartContent part = trianglePart(u"Glass", 0);
    ModelBlockContent contents;
    contents.lights = std::vector<std::u16string>{light};
    contents.solids = std::vector<SolidContent>{solid(7, 70, {part})};
    const std::string block = writer::encodeModelBlock(contents);
    ASSERT_EQ(u32At(block, 0), 0u);
    ASSERT_EQ(u32At(block, 4), 100u);
    ASSERT_NE(u32At(block, 8), 0u);
    ASSERT_EQ(u32At(block, 12), 0u);
    loadRawBlock(block);

    ASSERT_EQ(exchange.lightTable.size(), 1u);
    EXPECT_EQ(exchange.lightTable.begin()->first, 4u);
    const std::vector<std::string> nodes = recorder.linesOf("BeginNode");
    EXPECT_EQ(nodes, std::vector<std::string>{op::beginNode(u"Solid_7")});
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"), std::vector<std::string>{indexedLine(u"Glass", part)});
}

TEST_F(ModelBlockTest, SolidIsOneNodeWithItsPartsInTableOrder) {
    const PartContent first = trianglePart(u"Frame", 0);
    PartContent second = trianglePart(u"Pane", 5);
    second.attributes2.clear();
    second.indices = {3, 2, 1};
    loadBlock(solidsBlock({solid(7, 1234, {first, second})}));

    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_7"), indexedLine(u"Frame", first),
                                                        indexedLine(u"Pane", second), kEndNode}));
    ASSERT_EQ(exchange.solidTable.size(), 1u);
    const SolidState* state = exchange.solidTable.find(7);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->id, 7u);
    EXPECT_EQ(state->timestamp, 1234u);
}

TEST_F(ModelBlockTest, UnindexedPartsGetIndicesOfTheirOwnVertexCount) {
    // A larger unindexed part before a smaller one: the smaller still gets exactly 0 .. n-1.
    PartContent big;
    big.label = u"Big";
    for (int i = 0; i < 18; ++i) big.positions.push_back(float(i));
    PartContent small;
    small.label = u"Small";
    small.positions = {1, 1, 1, 2, 2, 2, 3, 3, 3};
    PartContent indexed = small;
    indexed.label = u"Tied";
    indexed.indices = {0, 1, 2, 2, 1, 0};
    loadBlock(solidsBlock({solid(1, 0, {big, small, indexed})}));

    // The journal hashes firstCount position values: for an unindexed part that is the
    // vertex count.
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"),
              (Lines{op::mesh(u"Big", 6, 6, big.positions, false, false, {0, 1, 2, 3, 4, 5}),
                     op::mesh(u"Small", 3, 3, small.positions, false, false, {0, 1, 2}),
                     op::mesh(u"Tied", 9, 6, indexed.positions, false, false, indexed.indices)}));
}

TEST_F(ModelBlockTest, PartsGrowingAndShrinkingAcrossSolidsAndLoadsSendTheirOwnArrays) {
    // Part storage is kept from part to part and from load to load and grows in place: every
    // part must still be sent with exactly its own arrays, whatever came before it.
    const auto sizedPart = [](std::u16string label, uint32_t vertices, float seed) {
        PartContent part;
        part.label = std::move(label);
        for (uint32_t i = 0; i < vertices * 3; ++i) part.positions.push_back(seed + float(i));
        for (uint32_t i = 0; i < vertices; ++i) {
            part.attributes2.push_back(uint32_t(seed) * 7 + i);
            part.attributes5.push_back(i);
            part.attributes5.push_back(i + 1);
        }
        for (uint32_t i = 0; i + 2 < vertices; ++i) part.indices.insert(part.indices.end(), {i, i + 1, i + 2});
        return part;
    };
    const PartContent small = sizedPart(u"Small", 4, 1), large = sizedPart(u"Large", 40000, 2),
                      middle = sizedPart(u"Middle", 300, 3), larger = sizedPart(u"Larger", 70000, 4);
    loadBlock(solidsBlock({solid(1, 0, {small, large}), solid(2, 0, {middle})}));
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"),
              (Lines{indexedLine(u"Small", small), indexedLine(u"Large", large),
                                        indexedLine(u"Middle", middle)}));
    recorder.lines.clear();
    loadBlock(solidsBlock({solid(3, 0, {middle, larger, small})}));
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"),
              (Lines{indexedLine(u"Middle", middle), indexedLine(u"Larger", larger),
                                        indexedLine(u"Small", small)}));
}

TEST_F(ModelBlockTest, EmptyPartIsSentWithZeroCountsAndNullArrays) {
    PartContent empty;
    empty.label = u"Nothing";
    loadBlock(solidsBlock({solid(3, 0, {empty})}));
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_3"),
                                                        op::mesh(u"Nothing", 0, 0, {}, false, false, {}),
                                                        kEndNode}));
}

TEST_F(ModelBlockTest, SolidWithoutPartsStillGetsItsNode) {
    loadBlock(solidsBlock({solid(12, 5), withZeroParts(solid(13), 2)}));
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_12"), kEndNode,
                                                        op::beginNode(u"Solid_13"), kEndNode}));
    EXPECT_EQ(exchange.solidTable.size(), 2u);
}

TEST_F(ModelBlockTest, SolidTwiceInOneBlockIsSentTwiceAndKeepsTheSecondTimestamp) {
    const PartContent a = trianglePart(u"A", 0);
    const PartContent b = trianglePart(u"B", 1);
    loadBlock(solidsBlock({solid(9, 100, {a}), solid(9, 200, {b})}));
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_9"), indexedLine(u"A", a), kEndNode,
                                                        op::beginNode(u"Solid_9"), indexedLine(u"B", b), kEndNode}));
    ASSERT_EQ(exchange.solidTable.size(), 1u);
    ASSERT_TRUE(exchange.solidTable.contains(9));
    EXPECT_EQ(exchange.solidTable.find(9)->timestamp, 200u);
}

TEST_F(ModelBlockTest, ZeroOffsetsInSolidAndPartTablesAreSkipped) {
    const PartContent a = trianglePart(u"A", 0);
    ModelBlockContent contents;
    contents.solids = std::vector<SolidContent>{withZeroParts(solid(4, 0, {a}), 3)};
    contents.zeroSolidOffsets = 2;
    loadBlock(contents);
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_4"), indexedLine(u"A", a), kEndNode}));
    // An offset of 0 would read the block head as a solid record; nothing else was stored.
    EXPECT_EQ(exchange.solidTable.size(), 1u);
}

TEST_F(ModelBlockTest, NodeNameWritesTheIdAsSigned) {
    loadBlock(solidsBlock({solid(0x80000000u), solid(0xFFFFFFFFu), solid(2147483647)}));
    EXPECT_EQ(recorder.linesOf("BeginNode"),
              (Lines{op::beginNode(u"Solid_-2147483648"), op::beginNode(u"Solid_-1"),
                                        op::beginNode(u"Solid_2147483647")}));
    // The table is ordered by the unsigned id.
    EXPECT_EQ(exchange.solidTable.runs().front().solids().front().id, 2147483647u);
}

TEST_F(ModelBlockTest, MaterialTextIsCutAtAnOddByteAndAtItsFirstZeroUnit) {
    const std::u16string odd = u"MaterialID_Name [M_12";
    const std::u16string padded = u"MaterialID_Name [M_2]";
    ModelBlockContent contents;
    contents.materials = std::vector<writer::MaterialEntry>{
        materialEntry(odd, static_cast<uint32_t>(odd.size() * 2 - 1)),
        materialEntry(padded, static_cast<uint32_t>(padded.size() * 2 + 9))};
    loadBlock(contents);
    std::vector<std::u16string> names;
    for (const auto& [name, record] : exchange.materialTable) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"M_1", u"M_2"}));
}

// Materials, then lights, then solids, then views, whichever sections are present: the
// journal is exactly what each sender makes of its section, in that order.
TEST_F(ModelBlockTest, SectionsArePlacedAndSentInOrderForEveryCombination) {
    MaterialRecord oak;
    oak.MaterialID_Name = u"M_oak";
    oak.InterfaceName = u"Oak";
    oak.Diffuse[0] = 0.5f;
    oak.nTimeID = 4;
    MaterialRecord steel = oak;
    steel.MaterialID_Name = u"M_steel";
    LightRecord lamp;
    lamp.Kind = LightKind::Point;
    lamp.LightSolidID = 31;
    lamp.Intensity = 2;
    LightRecord spot = lamp;
    spot.Kind = LightKind::Spot;
    spot.LightSolidID = 32;
    ViewList views;
    views.views.resize(2);
    views.views[0].name = u"Front";
    views.views[0].fieldOfView = 0.8f;
    views.views[1].name = u"Back";
    views.views[1].eye[0] = 3;
    const std::vector<std::u16string> materialTexts = {scene::materialBlockText(oak), scene::materialBlockText(steel)};
    const std::vector<std::u16string> lightTexts = {scene::lightBlockText(lamp), scene::lightBlockText(spot)};
    const std::u16string viewsText = scene::viewsBlockText(views);
    const PartContent part = trianglePart(u"Body", 2);

    for (int mask = 0; mask < 16; ++mask) {
        SCOPED_TRACE("sections " + std::to_string(mask));
        ModelBlockContent contents;
        if (mask & 1) contents.materials = std::vector<writer::MaterialEntry>{materialEntry(materialTexts[0]), materialEntry(materialTexts[1])};
        if (mask & 2) contents.lights = lightTexts;
        if (mask & 4) contents.solids = std::vector<SolidContent>{solid(5, 0, {part})};
        if (mask & 8) contents.views = viewsText;

        ModelExchange loaded(recorder.api());
        loaded.session.handle = kSessionHandle;
        write(ContainerWriter().addModelBlock(kProject, contents));
        loaded.containerPath = dataFilePath(u"_model.alm");
        loadModelEntry(loaded, 0);
        const std::vector<std::string> journal = recorder.lines;
        recorder.clear();

        ModelExchange reference(recorder.api());
        reference.session.handle = kSessionHandle;
        if (mask & 1) {
            for (const std::u16string& text : materialTexts) {
                MaterialRecord record;
                parseMaterialBlock(record, text);
                sendMaterial(reference.sendContext(), record);
            }
        }
        if (mask & 2) {
            for (const std::u16string& text : lightTexts) {
                LightRecord record;
                parseLightBlock(record, text);
                sendLight(reference.sendContext(), record);
            }
        }
        if (mask & 4) recorder.lines.insert(recorder.lines.end(), {op::beginNode(u"Solid_5"), indexedLine(u"Body", part), kEndNode});
        if (mask & 8) {
            ViewList list;
            parseViewsBlock(viewsText, list);
            applyViewList(reference, list);
        }
        EXPECT_EQ(journal, recorder.lines);
        EXPECT_EQ(loaded.materialTable.size(), (mask & 1) ? 2u : 0u);
        EXPECT_EQ(loaded.lightTable.size(), (mask & 2) ? 2u : 0u);
        EXPECT_EQ(loaded.solidTable.size(), (mask & 4) ? 1u : 0u);
        // View 1 is stored, then overwritten by the active view 0.
        EXPECT_EQ(loaded.storedViews.size(), (mask & 8) ? 1u : 0u);
        loaded.session.handle = 0;
        reference.session.handle = 0;
        recorder.clear();
    }
}

// A small container with every section, and where its counts and offsets lie.
struct SmallScene {
    ContainerWriter container;
    std::string bytes;
    size_t block = 0;
    size_t solidRecord = 0, firstPart = 0, firstPartArrays = 0;
    PartContent a = trianglePart(u"A", 0), b = trianglePart(u"B", 1);

    SmallScene() {
        MaterialRecord material;
        material.MaterialID_Name = u"M";
        LightRecord light;
        light.Kind = LightKind::Point;
        light.LightSolidID = 2;
        ViewList views;
        views.views.resize(1);
        views.views[0].name = u"V";
        ModelBlockContent contents;
        contents.materials = std::vector<writer::MaterialEntry>{materialEntry(scene::materialBlockText(material))};
        contents.lights = std::vector<std::u16string>{scene::lightBlockText(light)};
        contents.solids = std::vector<SolidContent>{solid(7, 1, {a, b})};
        contents.views = scene::viewsBlockText(views);
        container.addModelBlock(kProject, contents);
        bytes = container.bytes();
        block = layout::kHeaderSize;
        const size_t solidTable = block + u32At(bytes, block) + u32At(bytes, block + 4);
        solidRecord = block + u32At(bytes, solidTable + 4);
        const size_t partTable = solidRecord + 4 + u32At(bytes, solidRecord + 4);
        firstPart = block + u32At(bytes, partTable + 4);
        firstPartArrays = firstPart + 4 + u32At(bytes, firstPart + 4);
    }
};

void patchFile(const std::string& path, size_t at, uint32_t value) {
    std::string word;
    writer::appendU32(word, value);
    std::FILE* f = std::fopen(path.c_str(), "rb+");
    ASSERT_NE(f, nullptr);
    std::fseek(f, static_cast<long>(at), SEEK_SET);
    std::fwrite(word.data(), 1, 4, f);
    std::fclose(f);
}

// Nodes open and close in pairs, with parts only inside them.
void expectWellFormed(const std::vector<std::string>& ops, int maxTriangles) {
    int open = 0, triangles = 0;
    for (const std::string& op : ops) {
        if (op == "BeginNode") {
            EXPECT_EQ(open++, 0);
        }
        if (op == "EndNode") {
            EXPECT_EQ(--open, 0);
        }
        if (op == "AddIndexedTriangle") {
            EXPECT_EQ(open, 1);
            ++triangles;
        }
    }
    EXPECT_EQ(open, 0);
    EXPECT_LE(triangles, maxTriangles);
}

TEST_F(ModelBlockTest, EveryTruncationOfTheBlockReadsSafely) {
    SmallScene scene;
    write(scene.container);
    loadEntry0();
    const std::vector<std::string> full = recorder.lines;
    ASSERT_EQ(recorder.linesOf("AddIndexedTriangle").size(), 2u);

    for (size_t size = scene.bytes.size() - 1; size >= layout::kHeaderSize; --size) {
        SCOPED_TRACE("cut at " + std::to_string(size));
        std::filesystem::resize_file(modelPath(), size);
        recorder.clear();
        ModelExchange cut(recorder.api());
        cut.session.handle = kSessionHandle;
        cut.containerPath = dataFilePath(u"_model.alm");
        test::largestAllocation = 0;
        loadModelEntry(cut, 0);
        EXPECT_LE(test::largestAllocation, scene.bytes.size());
        expectWellFormed(recorder.ops(), 2);
        EXPECT_EQ(cut.sourceProject, kProject);
        cut.session.handle = 0;
        if (HasFailure()) break;
    }
    // Cut inside the header: a fresh header is written and nothing is read.
    std::filesystem::resize_file(modelPath(), layout::kHeaderSize - 1);
    recorder.clear();
    loadEntry0();
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(std::filesystem::file_size(modelPath()), layout::kHeaderSize);
}

TEST_F(ModelBlockTest, AllOnesInAnyWordOfTheBlockReadsSafely) {
    SmallScene scene;
    write(scene.container);
    for (size_t at = scene.block; at + 4 <= scene.bytes.size(); ++at) {
        SCOPED_TRACE("0xFFFFFFFF at " + std::to_string(at));
        patchFile(modelPath(), at, 0xFFFFFFFFu);
        recorder.clear();
        ModelExchange damaged(recorder.api());
        damaged.session.handle = kSessionHandle;
        damaged.containerPath = dataFilePath(u"_model.alm");
        test::largestAllocation = 0;
        loadModelEntry(damaged, 0);
        EXPECT_LE(test::largestAllocation, scene.bytes.size());
        // A damaged offset may point a table at other parts of the block, so a part can be
        // sent more than once; the journal still has to be well formed.
        expectWellFormed(recorder.ops(), 1 << 20);
        damaged.session.handle = 0;
        patchFile(modelPath(), at, u32At(scene.bytes, at));
        if (HasFailure()) break;
    }
}

TEST_F(ModelBlockTest, AbsurdCountsEmptyOnlyWhatTheyCount) {
    SmallScene scene;
    write(scene.container);
    const std::vector<std::string> partB = {indexedLine(u"B", scene.b)};

    // The positions count of part A: A goes as an empty mesh, B is read as usual.
    patchFile(modelPath(), scene.firstPartArrays, 0xFFFFFFFFu);
    loadEntry0();
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"),
              (Lines{op::mesh(u"A", 0, 0, {}, false, false, {}), partB[0]}));

    // The label count of part A: the label is empty, the arrays are still found.
    patchFile(modelPath(), scene.firstPartArrays, u32At(scene.bytes, scene.firstPartArrays));
    patchFile(modelPath(), scene.firstPart + 16, 0xFFFFFFFFu);
    recorder.clear();
    loadEntry0();
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"), (Lines{indexedLine(u"", scene.a), partB[0]}));

    // The part table count: the node is sent empty.
    patchFile(modelPath(), scene.firstPart + 16, u32At(scene.bytes, scene.firstPart + 16));
    const size_t partTable = scene.solidRecord + 4 + u32At(scene.bytes, scene.solidRecord + 4);
    patchFile(modelPath(), partTable, 0xFFFFFFFFu);
    recorder.clear();
    loadEntry0();
    EXPECT_EQ(recorder.linesOf("BeginNode").size(), 1u);
    EXPECT_EQ(recorder.linesOf("AddIndexedTriangle"), std::vector<std::string>{});
}

TEST_F(ModelBlockTest, NegativeOrFarBlockOffsetReadsAnEmptyBlock) {
    for (int32_t offset : {-1, std::numeric_limits<int32_t>::min(), 0x7FFFFFF0}) {
        ContainerWriter container;
        container.addModelBlock(kProject, solidsBlock({solid(1)}));
        container.entries[0].blockOffset = offset;
        recorder.clear();
        load(container);
        EXPECT_EQ(recorder.lines, std::vector<std::string>{});
        EXPECT_EQ(exchange.sourceProject, kProject);
    }
}

TEST_F(ModelBlockTest, RecordsStartingPastTheEndOfTheFileAreNotInvented) {
    SmallScene scene;
    write(scene.container);
    const size_t block = scene.block;
    const size_t materialTable = block + 20;
    const size_t lightTable = block + u32At(scene.bytes, block);
    const size_t solidTable = lightTable + u32At(scene.bytes, block + 4);
    const size_t partTable = scene.solidRecord + 4 + u32At(scene.bytes, scene.solidRecord + 4);
    const uint32_t beyond = static_cast<uint32_t>(scene.bytes.size() - block); // first byte after the file
    for (size_t slot : {materialTable + 4, lightTable + 4, solidTable + 4}) {
        write(scene.container);
        patchFile(modelPath(), slot, beyond);
        recorder.clear();
        exchange.solidTable.clear();
        exchange.materialTable.clear();
        exchange.lightTable.clear();
        loadEntry0();
        // Nothing is made up from zeros: no solid 0, no unnamed material, no light 0.
        EXPECT_FALSE(exchange.solidTable.contains(0));
        EXPECT_EQ(exchange.materialTable.count(u""), 0u);
        EXPECT_EQ(exchange.lightTable.count(0), 0u);
        EXPECT_TRUE(recorder.linesOf("AddLight").empty() || slot != lightTable + 4);
        EXPECT_TRUE(recorder.linesOf("AddMaterial").empty() || slot != materialTable + 4);
        EXPECT_TRUE(recorder.linesOf("BeginNode").empty() || slot != solidTable + 4);
    }
    // A part past the end is passed over too; the solid keeps its node and its other part.
    write(scene.container);
    patchFile(modelPath(), partTable + 4, beyond);
    recorder.clear();
    loadEntry0();
    EXPECT_EQ(recorder.linesOf("BeginNode").size(), 1u);
    ASSERT_EQ(recorder.linesOf("AddIndexedTriangle").size(), 1u);
    EXPECT_NE(recorder.linesOf("AddIndexedTriangle")[0].find("\"label\":\"B\""), std::string::npos);
}

TEST_F(ModelBlockTest, LightTextCutOffByTheEndOfTheFileIsNotInvented) {
    SmallScene scene;
    const size_t lightTable = scene.block + u32At(scene.bytes, scene.block);
    const size_t lightRecord = scene.block + u32At(scene.bytes, lightTable + 4);
    const uint32_t unitsToTheEnd = static_cast<uint32_t>((scene.bytes.size() - lightRecord - 4) / 2);
    const uint32_t lastTwoBytes = static_cast<uint32_t>(scene.bytes.size() - 2 - scene.block);
    // The text runs one unit past the end; the record starts two bytes before the end, so
    // that even its count is cut off.
    for (auto [slot, value] : {std::pair{lightRecord, unitsToTheEnd + 1}, std::pair{lightTable + 4, lastTwoBytes}}) {
        SCOPED_TRACE("word at " + std::to_string(slot));
        write(scene.container);
        patchFile(modelPath(), slot, value);
        recorder.clear();
        exchange.lightTable.clear();
        loadEntry0();
        EXPECT_TRUE(exchange.lightTable.empty());
        EXPECT_EQ(recorder.linesOf("AddLight"), std::vector<std::string>{});
        // The rest of the block is read as usual.
        EXPECT_EQ(recorder.linesOf("AddMaterial").size(), 1u);
        EXPECT_EQ(recorder.linesOf("AddIndexedTriangle").size(), 2u);
    }
}

// What one load of entry `entry` sent and kept, and where its reader ran out.
std::string loadSummary(const test::Recorder& recorder, const ModelExchange& ex) {
    std::string out;
    for (const std::string& line : recorder.lines) out += line + "\n";
    out += std::to_string(ex.solidTable.size()) + " solids, " + std::to_string(ex.materialTable.size()) +
           " materials, " + std::to_string(ex.lightTable.size()) + " lights, project " + toUtf8(ex.sourceProject);
    if (const auto& o = ex.container.overrun())
        out += "; ran out at " + std::to_string(o->at) + " (read at " + std::to_string(o->readAt) + ", cause " +
               std::to_string(int(o->cause)) + ", " + (o->what ? o->what : "") + ")";
    return out;
}

TEST_F(ModelBlockTest, FileAndMemoryReadTheSame) {
    ASSERT_TRUE(scene::writeSampleScene(data.temp.file("sample"), data.temp.file("steps")));
    const SmallScene small;
    struct Case {
        std::string bytes;
        int32_t entry;
        bool cut;
    };
    std::vector<Case> containers = {{test::readFileBytes(data.temp.file("sample/_model.alm")), 0, false},
                                    {test::readFileBytes(data.temp.file("steps/change.sm")), 1, false}};
    // Cut anywhere in a block, the reads run out at the same place.
    for (size_t cut = small.block; cut < small.bytes.size(); cut += 7)
        containers.push_back({small.bytes.substr(0, cut), 0, true});
    for (const auto& [bytes, entry, cut] : containers) {
        SCOPED_TRACE(std::to_string(bytes.size()) + " bytes, entry " + std::to_string(entry));
        std::string summaries[2];
        for (bool memory : {false, true}) {
            write(ContainerWriter{}); // a file that memory must not be read from
            if (!memory) test::writeFileBytes(modelPath(), bytes);
            recorder.clear();
            ModelExchange ex(recorder.api());
            ex.session.handle = kSessionHandle;
            ex.containerPath = dataFilePath(u"_model.alm");
            if (memory) ex.containerBytes = bytes;
            loadModelEntry(ex, entry);
            summaries[memory] = loadSummary(recorder, ex);
            ex.session.handle = 0;
        }
        EXPECT_EQ(summaries[true], summaries[false]);
        EXPECT_EQ(summaries[true].find("ran out") != std::string::npos, cut);
    }
}

// Where the reader says data first ran out: at the count, the offset or the read of a record
// cut off, and not at any of the reads that fail after it.
TEST_F(ModelBlockTest, ReaderSaysWhereDataFirstRanOut) {
    const SmallScene scene;
    const size_t block = scene.block;
    const size_t light = block + u32At(scene.bytes, block + u32At(scene.bytes, block) + 4);
    const size_t views = block + u32At(scene.bytes, block) + u32At(scene.bytes, block + 4) + u32At(scene.bytes, block + 8);
    const auto overrunOf = [&](const std::string& bytes) {
        ModelExchange ex(recorder.api());
        ex.containerBytes = bytes;
        loadModelEntry(ex, 0);
        return ex.container.overrun();
    };
    const auto patched = [&](size_t at, uint32_t value) {
        std::string bytes = scene.bytes;
        std::string word;
        writer::appendU32(word, value);
        bytes.replace(at, 4, word);
        return bytes;
    };
    EXPECT_FALSE(overrunOf(scene.bytes));

    // A count past the end, and a second one later in the block.
    std::string bytes = patched(light, 0x7FFFFFFF);
    bytes.replace(views, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    auto o = overrunOf(bytes);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->cause, Overrun::Cause::Count);
    EXPECT_EQ(o->at, light);
    EXPECT_EQ(o->readAt, light + 4);
    EXPECT_STREQ(o->what, "light text");

    // An offset past the end: the solid's head length puts its part table beyond the file.
    o = overrunOf(patched(scene.solidRecord + 4, 0x7FFFFFF0));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->cause, Overrun::Cause::Offset);
    EXPECT_EQ(o->at, scene.solidRecord + 4);
    EXPECT_EQ(o->readAt, scene.solidRecord + 4 + 0x7FFFFFF0);
    EXPECT_STREQ(o->what, "part table");

    // A record cut off: the file ends inside the head of the first part, whose head length
    // is then read as 0, so its arrays are looked for right there, at the end, too.
    o = overrunOf(scene.bytes.substr(0, scene.firstPart + 6));
    ASSERT_TRUE(o);
    EXPECT_EQ(o->cause, Overrun::Cause::Read);
    EXPECT_EQ(o->at, scene.firstPart + 4);
    EXPECT_EQ(o->readAt, scene.firstPart + 4);
    EXPECT_STREQ(o->what, "part record");
}

// Tables that point many times at the same records once made one block cost the product
// of their counts: a solid table naming one solid 400 times, whose part table names one
// part 400 times, asked for 160000 meshes from 212 KB. Reading is bounded by a few passes
// over the file; what fits is still sent in order, and past it the rest reads as cut off.
TEST_F(ModelBlockTest, RepeatedOffsetsCostAtMostAFewPassesOverTheFile) {
    constexpr uint32_t kSolids = 400, kParts = 400, kPositions = 30;
    std::string block;
    for (uint32_t w : {0u, 0u, 1u, 0u, 0u}) writer::appendU32(block, w);
    writer::appendU32(block, kSolids);
    for (uint32_t i = 0; i < kSolids; ++i) writer::appendU32(block, 20 + 4 + 4 * kSolids);
    // The solid record: its part table follows its head (head length 29).
    for (uint32_t w : {0u, 29u}) writer::appendU32(block, w);
    block += '\0';
    writer::appendU32(block, 1); // timestamp
    writer::appendCountedText(block, u"");
    for (uint32_t w : {0u, 0u, 42u}) writer::appendU32(block, w); // .. id
    writer::appendCountedText(block, u"");
    const uint32_t part = static_cast<uint32_t>(block.size()) + 4 + 4 * kParts;
    writer::appendU32(block, kParts);
    for (uint32_t i = 0; i < kParts; ++i) writer::appendU32(block, part);
    // The part record: head length 22, then eight arrays of which only the positions hold values.
    for (uint32_t w : {0u, 22u, 0u, 0u}) writer::appendU32(block, w);
    writer::appendCountedText(block, u"P");
    writer::appendCountedText(block, u"");
    writer::appendU32(block, kPositions);
    for (uint32_t i = 0; i < kPositions; ++i) writer::appendU32(block, 0x3F800000u); // 1.0f
    for (int i = 0; i < 7; ++i) writer::appendU32(block, 0);
    loadRawBlock(block);

    const auto meshes = recorder.linesOf("AddIndexedTriangle");
    EXPECT_LT(meshes.size(), size_t(kSolids * kParts / 4));
    size_t whole = 0;
    while (whole < meshes.size() && meshes[whole].find("\"firstCount\":10,") != std::string::npos) ++whole;
    EXPECT_GE(whole, size_t(kParts)) << "the first solid arrived whole";
    for (size_t i = whole; i < meshes.size(); ++i)
        ASSERT_NE(meshes[i].find("\"firstCount\":0,"), std::string::npos) << meshes[i];
    EXPECT_EQ(recorder.linesOf("BeginNode").size(), size_t(kSolids));
    EXPECT_EQ(recorder.linesOf("EndNode").size(), size_t(kSolids));
    EXPECT_EQ(exchange.sourceProject, kProject);
}

// Empty tables have no storage: their zero-byte reads once handed memcpy a null
// destination, which the sanitized tier reports.
TEST_F(ModelBlockTest, EmptyTablesReadNothing) {
    ModelBlockContent contents;
    contents.materials.emplace();
    contents.lights.emplace();
    contents.solids = std::vector<SolidContent>{SolidContent{3, 1, u"", u"", {}, 0}};
    loadBlock(contents);
    EXPECT_EQ(recorder.ops(), (std::vector<std::string>{"BeginNode", "EndNode"}));
    EXPECT_TRUE(exchange.solidTable.contains(3));
}

} // namespace
