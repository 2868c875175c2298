// The inspector: summaries of the sample data folder as the program reads it, the exact
// problems and byte offsets of damaged copies, the JSON report, and the glTF preview.
#include "core/container_layout.h"
#include "inspect/gltf_cases.h"
#include "inspect/gltf_export.h"
#include "inspect/inspect.h"
#include "inspect/report.h"
#include "image/normal_map.h"
#include "image/png_writer.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "platform/text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"
#include "scene-writer/sample_scene.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

using namespace orvex;
using namespace orvex::inspect;
using orvex::test::readFileBytes;
using orvex::test::TempFolder;
using orvex::test::writeFileBytes;

namespace {

constexpr uint64_t kBlock = layout::kHeaderSize; // the writer puts the first block right after the header

// The sample house with every texture it names, so that an intact copy has no problem.
struct SampleFolder {
    TempFolder temp;
    std::string data = temp.file("data");
    std::string model = data + "/_model.alm";
    SampleFolder() {
        EXPECT_TRUE(scene::writeSampleScene(data, temp.file("steps")));
        for (const char* name : {"brick_normal.png", "brick_rough.png"})
            if (!std::filesystem::exists(data + "/Textures/" + name))
                std::filesystem::copy_file(data + "/Textures/brick.png", data + "/Textures/" + name);
    }
    Inspection inspect() const { return inspectPath(fromUtf8(data)); }
};

// Offsets found by following the layout over the raw bytes, independently of the inspector.
struct Raw {
    std::string bytes;
    uint32_t u32(uint64_t at) const {
        uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    }
    void put(uint64_t at, uint32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
    uint64_t material(int i) const { return kBlock + u32(kBlock + 24 + 4 * i); }
    uint64_t light(int i) const { return kBlock + u32(kBlock + u32(kBlock) + 4 + 4 * i); }
    uint64_t solidsTable() const { return kBlock + u32(kBlock) + u32(kBlock + 4); }
    uint64_t solid(int i) const { return kBlock + u32(solidsTable() + 4 + 4 * i); }
    uint64_t partTable(uint64_t solid) const { return solid + 4 + u32(solid + 4); }
    uint64_t part(uint64_t solid, int k) const { return kBlock + u32(partTable(solid) + 4 + 4 * k); }
    // The count of array j (0 to 7) of a part.
    uint64_t array(uint64_t part, int j) const {
        uint64_t at = part + 4 + u32(part + 4);
        for (int k = 0; k < j; ++k) at += 4 + 4 * uint64_t(u32(at));
        return at;
    }
    uint64_t solidIdAt(uint64_t solid) const { return solid + 13 + 4 + 2 * uint64_t(u32(solid + 13)) + 8; }
};

std::vector<std::string> lines(const std::vector<Problem>& problems) {
    std::vector<std::string> out;
    for (const Problem& p : problems) out.push_back(problemLine(p));
    return out;
}

std::string at(uint64_t offset, const std::string& message, const std::string& file = "_model.alm") {
    char hex[24];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(offset));
    return file + ":" + std::to_string(offset) + " (0x" + hex + "): error: " + message;
}

const ModelBlockInfo& onlyModel(const Inspection& in) {
    static const ModelBlockInfo none;
    if (in.containers.empty() || in.containers[0].entries.empty() || !in.containers[0].entries[0].model)
        return ADD_FAILURE() << "no model block", none;
    return *in.containers[0].entries[0].model;
}

std::vector<std::string> propertyNames(const MaterialInfo& m) {
    std::vector<std::string> names;
    for (const PropertyValue& p : m.properties) names.push_back(toUtf8(p.name) + (p.generated ? "*" : ""));
    return names;
}

// The JSON text of a glTF file, after checking the binary header and chunk layout.
std::string glbJson(const std::string& glb) {
    EXPECT_GE(glb.size(), 20u);
    uint32_t w[5];
    std::memcpy(w, glb.data(), 20);
    EXPECT_EQ(w[0], 0x46546C67u);
    EXPECT_EQ(w[1], 2u);
    EXPECT_EQ(w[2], glb.size());
    EXPECT_EQ(w[3] % 4, 0u);
    EXPECT_EQ(w[4], 0x4E4F534Au);
    return glb.substr(20, w[3]);
}

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

} // namespace

TEST(InspectSample, SummaryIsWhatTheProgramReadsAndSends) {
    SampleFolder sample;
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems), std::vector<std::string>{});
    ASSERT_EQ(in.containers.size(), 1u);
    const ContainerInfo& c = in.containers[0];
    EXPECT_EQ(c.headerResult, 1);
    EXPECT_EQ(c.entryCount, 1);
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entries[0].project, u"C:\\Work\\Riverside House.plan");
    EXPECT_TRUE(c.entries[0].readByProgram);

    const ModelBlockInfo& m = onlyModel(in);
    ASSERT_EQ(m.materials.size(), 6u);
    ASSERT_EQ(m.lights.size(), 4u);
    ASSERT_EQ(m.solids.size(), 5u);
    ASSERT_TRUE(m.views);

    const SolidInfo& walls = m.solids[0];
    EXPECT_EQ(walls.id, 101u);
    EXPECT_EQ(walls.nodeName, u"Solid_101");
    EXPECT_EQ(walls.parts.size(), 4u);
    EXPECT_EQ(walls.vertexCount(), 32u);
    EXPECT_EQ(walls.triangleCount(), 48u);
    const Bounds b = walls.bounds();
    EXPECT_EQ(std::vector<float>(b.min, b.min + 3), (std::vector<float>{0, -10, 0}));
    EXPECT_EQ(std::vector<float>(b.max, b.max + 3), (std::vector<float>{8, 0, 2.8f}));
    const PartInfo& roof = m.solids[2].parts.at(0);
    EXPECT_FALSE(roof.indexed);
    EXPECT_EQ(roof.vertexCount, 18u);
    EXPECT_EQ(roof.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_TRUE(m.solids[4].parts.empty());
    EXPECT_EQ(m.solids[4].id, 105u);

    const MaterialInfo& oak = m.materials[1];
    EXPECT_EQ(oak.record.MaterialID_Name, u"M_Oak");
    EXPECT_EQ(oak.templateName, u"template_custom");
    EXPECT_EQ(propertyNames(oak), (std::vector<std::string>{"type", "name", "Opacity", "Refraction", "Diffuse Map",
                                                             "Normal Map One*", "normal_value*", "roughness_value",
                                                             "Metallic", "AOIntensity"}));
    EXPECT_EQ(oak.properties[5].text, fromUtf8(sample.data) + u"\\Textures\\oak_floor.png_Normal.png");
    EXPECT_EQ(m.materials[5].templateName, u"template_custom_alpha");
    EXPECT_EQ(m.materials[3].templateName, u"template_transparent");

    EXPECT_EQ(m.lights[0].record.Kind, LightKind::Point);
    EXPECT_TRUE(m.lights[0].sent);
    const LightInfo& spot = m.lights[1];
    EXPECT_EQ(spot.nodeName, u"Light502");
    EXPECT_EQ(spot.transform, lightTransform(spot.record.To, spot.record.From));
    EXPECT_EQ(m.lights[2].iesPath, fromUtf8(sample.data) + u"\\IES\\wallwasher.ies");
    EXPECT_FALSE(m.lights[3].sent); // switched off
    EXPECT_EQ(m.views->list.views.size(), 3u);
    EXPECT_EQ(m.views->list.active, 0);
    EXPECT_EQ(m.views->list.views[2].name, u"Living room");

    ASSERT_TRUE(in.camera && in.views);
    EXPECT_EQ(in.camera->camera.fieldOfView, 0.9f);

    const std::string json = jsonReport(in);
    EXPECT_NE(json.find(R"json({
                "offset": )json" + std::to_string(m.solids[2].offset) + R"json(,
                "id": 103,
                "timestamp": 1,
                "nodeName": "Solid_103",
                "vertices": 18,
                "triangles": 6,
                "bounds": {
                  "min": [0,-10,2.8],
                  "max": [8,0,5]
                },
                "parts": [
                  {
                    "offset": )json" + std::to_string(m.solids[2].parts[0].offset) + R"json(,
                    "label": "M_Plaster",
                    "positionCount": 54,
                    "vertices": 18,
                    "triangles": 6,
                    "indexed": false,)json"),
              std::string::npos);
    // The host's camera values and, beside them, what the renderer is sent.
    EXPECT_NE(json.find(R"json("axes": "host",
    "fieldOfView": 0.9,
    "eye": [6,-9,1.7],
    "target": [5,4,1.4],
    "up": [0,0,1],
    "nearClip": 0.1,
    "asSent": {
      "axes": "renderer",
      "fieldOfView": 1.1159999,
      "eye": [-9,-6,1.7],
      "target": [4,-5,1.4],
      "up": [0,-0,1]
    })json"),
              std::string::npos);
    EXPECT_EQ(json.substr(json.size() - 17), "\"problems\": []\n}\n");
    EXPECT_EQ(in.views->list.views.size(), 3u);
}

TEST(InspectSample, InspectingWritesNothing) {
    SampleFolder sample;
    const std::string before = readFileBytes(sample.model);
    size_t files = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(sample.data)) files += e.is_regular_file();
    sample.inspect();
    size_t after = 0;
    for (auto& e : std::filesystem::recursive_directory_iterator(sample.data)) after += e.is_regular_file();
    EXPECT_EQ(after, files); // no generated normal map
    EXPECT_FALSE(std::filesystem::exists(sample.data + "/Textures/oak_floor.png_Normal.png"));
    EXPECT_EQ(readFileBytes(sample.model), before);

    // A file shorter than a header is reported, never given a fresh header.
    writeFileBytes(sample.model, before.substr(0, 1000));
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems), (std::vector<std::string>{at(1000, "file is 1000 bytes, shorter than its 208644-byte header")}));
    EXPECT_EQ(readFileBytes(sample.model), before.substr(0, 1000));
}

TEST(InspectSample, TextReportAndValidationLines) {
    SampleFolder sample;
    std::filesystem::remove(sample.data + "/Textures/oak_floor.png");
    std::filesystem::remove(sample.data + "/IES/wallwasher.ies");
    Raw raw{readFileBytes(sample.model)};
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{
                  at(raw.material(1), "texture \"oak_floor.png\" (map type 1) is missing from the texture folder"),
                  at(raw.light(2), "IES profile \"wallwasher.ies\" is missing from the IES folder")}));
    const std::string problems = textReport(in, true);
    EXPECT_EQ(problems, sample.data + "/" + lines(in.problems)[0] + "\n" + sample.data + "/" + lines(in.problems)[1] +
                            "\n2 problems\n");
    const std::string summary = textReport(in, false);
    EXPECT_NE(summary.find("    solid 103 (Solid_103) at " + std::to_string(raw.solid(2)) +
                           ": timestamp 1, 1 part, 18 vertices, 6 triangles, bounds (0, -10, 2.8) .. (8, 0, 5)\n"),
              std::string::npos);
    EXPECT_NE(summary.find("    sections: 6 materials, 4 lights, 5 solids, 3 views\n"), std::string::npos);
    EXPECT_NE(summary.find("      Normal Map One = "), std::string::npos);
}

TEST(InspectDamaged, TruncatedInsideAnArray) {
    SampleFolder sample;
    Raw raw{readFileBytes(sample.model)};
    const uint64_t roofPart = raw.part(raw.solid(2), 0);
    const uint64_t positions = raw.array(roofPart, 0);
    writeFileBytes(sample.model, raw.bytes.substr(0, positions + 4 + 10));
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{
                  at(raw.solidsTable() + 4 + 12, "solids table entry 3: offset " +
                                                     std::to_string(raw.solid(3) - kBlock) +
                                                     " points past the end of the file"),
                  at(raw.solidsTable() + 4 + 16, "solids table entry 4: offset " +
                                                     std::to_string(raw.solid(4) - kBlock) +
                                                     " points past the end of the file"),
                  at(positions, "position array count 54 runs past the end of the file")}));
    // What the program still sends: the roof without vertices; the solids whose records lie
    // past the end are passed over rather than sent as solids of id 0.
    const ModelBlockInfo& m = onlyModel(in);
    ASSERT_EQ(m.solids.size(), 3u);
    EXPECT_EQ(m.solids[2].vertexCount(), 0u);
    EXPECT_EQ(m.solids[2].nodeName, u"Solid_103");
    EXPECT_TRUE(m.views && m.views->list.views.empty()); // read at the end: an empty text

    const std::string json = jsonReport(in);
    const std::string problems = R"json("problems": [
    {
      "file": "_model.alm",
      "offset": )json" + std::to_string(raw.solidsTable() + 16) + R"json(,
      "severity": "error",
      "message": "solids table entry 3: offset )json" + std::to_string(raw.solid(3) - kBlock) + R"json( points past the end of the file"
    },
    {
      "file": "_model.alm",
      "offset": )json" + std::to_string(raw.solidsTable() + 20) + R"json(,
      "severity": "error",
      "message": "solids table entry 4: offset )json" + std::to_string(raw.solid(4) - kBlock) + R"json( points past the end of the file"
    },
    {
      "file": "_model.alm",
      "offset": )json" + std::to_string(positions) + R"json(,
      "severity": "error",
      "message": "position array count 54 runs past the end of the file"
    }
  ]
}
)json";
    ASSERT_GE(json.size(), problems.size());
    EXPECT_EQ(json.substr(json.size() - problems.size()), problems);
}

// Every word that places something past the end, and a record cut short, each reported once
// at the word that holds the bad value (the reading that follows it is not reported again).
TEST(InspectDamaged, EveryKindOfOffsetPastTheEnd) {
    SampleFolder sample;
    const Raw intact{readFileBytes(sample.model)};
    const uint32_t size = static_cast<uint32_t>(intact.bytes.size());
    const std::string past = " past the end of the file";
    const uint64_t solid = intact.solid(0), part = intact.part(solid, 0), lightsTable = kBlock + intact.u32(kBlock);
    const struct {
        uint64_t at;
        uint32_t value;
        std::string message;
    } cases[] = {
        {kBlock, size, "model block word 0 " + std::to_string(size) + " puts the lights table" + past},
        {kBlock + 4, 0x7FFFFF00, "model block word 1 2147483392 puts the solids table" + past},
        {lightsTable + 4, size, "lights table entry 0: offset " + std::to_string(size) + " points" + past},
        {intact.material(0), 0x10000000, "material text length 268435456 runs" + past},
        {solid + 4, 0x10000000, "solid head length 268435456 puts the part table" + past},
        {part + 4, 0x10000000, "part head length 268435456 puts the arrays" + past},
    };
    for (const auto& c : cases) {
        Raw raw = intact;
        raw.put(c.at, c.value);
        writeFileBytes(sample.model, raw.bytes);
        EXPECT_EQ(lines(sample.inspect().problems), std::vector<std::string>{at(c.at, c.message)});
    }

    // The last solid cut inside its head: the read that ran out, where it started, and the head
    // length read before the cut, which now places the part table past the end.
    const uint64_t last = intact.solid(4);
    writeFileBytes(sample.model, intact.bytes.substr(0, last + 10));
    const Inspection cut = sample.inspect();
    EXPECT_EQ(lines(cut.problems),
              (std::vector<std::string>{at(last + 4, "solid head length " + std::to_string(intact.u32(last + 4)) +
                                                      " puts the part table" + past),
                                        at(last + 9, "solid record runs" + past)}));
    EXPECT_EQ(onlyModel(cut).solids.size(), 5u);
}

TEST(InspectDamaged, WrongCounts) {
    SampleFolder sample;
    Raw raw{readFileBytes(sample.model)};
    const uint64_t lastLight = raw.light(3);
    const uint64_t views = raw.partTable(raw.solid(4)) + 4; // after the last solid's empty part table
    raw.put(kBlock + 20, 0x10000000);     // materials table
    raw.put(lastLight, 0x7FFFFFFF);       // a light text
    raw.put(views, 1000000);              // the views text
    raw.put(raw.material(0), raw.u32(raw.material(0)) + 1); // an odd text length
    writeFileBytes(sample.model, raw.bytes);
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{
                  at(kBlock + 20, "materials table count 268435456 runs past the end of the file"),
                  at(lastLight, "light text count 2147483647 runs past the end of the file"),
                  at(views, "views text count 1000000 runs past the end of the file")}));
    const ModelBlockInfo& m = onlyModel(in);
    EXPECT_TRUE(m.materials.empty());
    EXPECT_EQ(m.lights.size(), 3u); // the program passes the cut-off light over
    EXPECT_EQ(m.solids.size(), 5u);
    EXPECT_TRUE(m.views && m.views->list.views.empty());
}

TEST(InspectDamaged, OddMaterialLengthDuplicateIdsAndUnknownKind) {
    SampleFolder sample;
    Raw raw{readFileBytes(sample.model)};
    raw.put(raw.material(0), raw.u32(raw.material(0)) + 1);
    const uint64_t floorId = raw.solidIdAt(raw.solid(1));
    ASSERT_EQ(raw.u32(floorId), 102u);
    raw.put(floorId, 101);
    // "LightSource [point]" of the first light becomes "LightSource [qoint]".
    std::string needle;
    for (char ch : std::string("LightSource [point]")) needle += ch, needle += '\0';
    const size_t line = raw.bytes.find(needle, raw.light(0));
    ASSERT_NE(line, std::string::npos);
    raw.bytes[line + 2 * 13] = 'q';
    writeFileBytes(sample.model, raw.bytes);

    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{
                  at(raw.material(0), "material text length " + std::to_string(raw.u32(raw.material(0))) +
                                          " is odd: the last byte is dropped"),
                  at(line, "light kind word \"qoint\" is unknown: the program takes it as point"),
                  at(floorId, "solid id 101 repeats the solid at offset " + std::to_string(raw.solid(0)))}));
    ASSERT_LT(line, floorId);
    const ModelBlockInfo& m = onlyModel(in);
    EXPECT_EQ(m.materials[0].record.MaterialID_Name, u"M_Plaster"); // the dropped byte is a zero unit's half
    EXPECT_FALSE(m.lights[0].knownKind);
    EXPECT_EQ(m.lights[0].record.Kind, LightKind::Point);
    EXPECT_EQ(m.solids[1].nodeName, u"Solid_101");
}

TEST(InspectDamaged, IndicesBeyondTheVertices) {
    SampleFolder sample;
    Raw raw{readFileBytes(sample.model)};
    const uint64_t south = raw.part(raw.solid(0), 0);
    const uint64_t indices = raw.array(south, 5);
    ASSERT_EQ(raw.u32(indices), 36u);
    raw.put(indices + 4 + 5 * 4, 99);
    const uint64_t north = raw.part(raw.solid(0), 1);
    const uint64_t all = raw.array(north, 5);
    for (int i = 0; i < 36; ++i) raw.put(all + 4 + 4 * i, 200);
    writeFileBytes(sample.model, raw.bytes);

    const Inspection in = sample.inspect();
    std::vector<std::string> expected{at(indices + 4 + 20, "index 99 is beyond the vertex count 8")};
    for (int i = 0; i < 20; ++i) expected.push_back(at(all + 4 + 4 * i, "index 200 is beyond the vertex count 8"));
    expected.push_back(at(all + 4 + 4 * 20, "16 more indices from here are beyond the vertex count 8"));
    EXPECT_EQ(lines(in.problems), expected);

    // The preview keeps the triangles it can draw: 11 of the south wall, none of the north.
    const GltfExport gltf = exportGltf(in);
    const std::string json = glbJson(gltf.glb);
    EXPECT_NE(json.find("\"componentType\":5125,\"count\":33,"), std::string::npos);
    EXPECT_EQ(gltf.notes.size(), 2u);
}

TEST(InspectDamaged, HeaderFaults) {
    SampleFolder sample;
    const Raw intact{readFileBytes(sample.model)};

    Raw raw = intact;
    raw.put(4, 208648);
    writeFileBytes(sample.model, raw.bytes);
    Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems), (std::vector<std::string>{at(4, "header end is 208648, not 208644")}));
    EXPECT_EQ(in.containers[0].headerResult, 4);
    EXPECT_FALSE(in.containers[0].entries.at(0).readByProgram);

    raw = intact;
    raw.put(0, 6);
    writeFileBytes(sample.model, raw.bytes);
    in = sample.inspect();
    EXPECT_EQ(lines(in.problems), (std::vector<std::string>{at(0, "version 6 is below 7: the program reads nothing more")}));

    raw = intact;
    raw.put(layout::entryBlockOffsetAt(0), static_cast<uint32_t>(raw.bytes.size()));
    writeFileBytes(sample.model, raw.bytes);
    in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{at(layout::entryBlockOffsetAt(0), "entry 0: block offset " + std::to_string(raw.bytes.size()) +
                                                            " lies outside the file (" +
                                                            std::to_string(raw.bytes.size()) + " bytes)")}));

    // Texts that must end with a zero unit within their field.
    raw = intact;
    for (size_t u = 0; u < layout::kNameUnits; ++u) raw.bytes[layout::kNameAt + 2 * u] = 'N';
    const uint64_t project = layout::kEntryTableAt + layout::kEntryProjectAt;
    for (size_t u = 0; u < layout::kEntryProjectUnits; ++u) raw.bytes[project + 2 * u] = 'P';
    writeFileBytes(sample.model, raw.bytes);
    in = sample.inspect();
    EXPECT_EQ(lines(in.problems),
              (std::vector<std::string>{at(layout::kNameAt, "header name has no zero unit in its 512 units: the host ends it with one"),
                                        at(project, "entry 0: project has no zero unit in its 1028 units: the program takes all of them")}));

    raw = intact;
    raw.put(layout::entryKindAt(0), 3);
    writeFileBytes(sample.model, raw.bytes);
    in = sample.inspect();
    EXPECT_EQ(lines(in.problems), (std::vector<std::string>{at(layout::entryKindAt(0), "entry 0 is not a model block: the program loads no model")}));
    EXPECT_TRUE(in.containers[0].entries.empty());
}

TEST(InspectChanges, ChangeDirectoryListsAndSyncState) {
    SampleFolder sample;
    std::filesystem::copy_file(sample.temp.file("steps/change.sm"), sample.data + "/_mod.sm");
    writeFileBytes(sample.data + "/_mod.sync",
                   "SourceProject: [C:\\Work\\Riverside House.plan]\r\nID3D: [101] TimeStamp: [1]\r\n"
                   "ID3D: [-5] TimeStamp: [2]\r\nMaterial: [M_a]b] TimeStamp: [1001] MatIndex: [1]\r\nnoise\r\n");
    const Inspection in = sample.inspect();
    EXPECT_EQ(lines(in.problems), std::vector<std::string>{"_mod.sync:5: error: not a line the program writes (\"ID3D: "
                                                           "[id] TimeStamp: [t]\" or \"Material: [name] TimeStamp: "
                                                           "[t] MatIndex: [i]\")"});
    ASSERT_EQ(in.containers.size(), 2u);
    const ContainerInfo& changes = in.containers[1];
    EXPECT_EQ(changes.name, u"_mod.sm");
    ASSERT_EQ(changes.entries.size(), 2u);
    EXPECT_TRUE(changes.entries[0].readByProgram && changes.entries[1].readByProgram);
    ASSERT_TRUE(changes.entries[0].directory);
    const auto& lists = changes.entries[0].directory->lists;
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].name, u"Solid");
    EXPECT_EQ(lists[0].ids, (std::vector<uint32_t>{101, 104}));
    EXPECT_EQ(lists[1].name, u"Material");
    EXPECT_EQ(lists[1].ids, (std::vector<uint32_t>{1}));
    ASSERT_TRUE(changes.entries[1].model);
    EXPECT_EQ(changes.entries[1].model->solids.size(), 1u);

    ASSERT_TRUE(in.syncState);
    EXPECT_EQ(in.syncState->sourceProject, u"C:\\Work\\Riverside House.plan");
    ASSERT_EQ(in.syncState->solids.size(), 2u);
    EXPECT_EQ(in.syncState->solids[1].id, -5);
    ASSERT_EQ(in.syncState->materials.size(), 1u);
    EXPECT_EQ(in.syncState->materials[0].name, u"M_a]b");
    EXPECT_EQ(in.syncState->materials[0].timestamp, 1001);
    EXPECT_EQ(in.syncState->otherLines, 1u);

    // A directory whose list offset points past the end.
    Raw raw{readFileBytes(sample.data + "/_mod.sm")};
    const uint64_t directory = raw.u32(layout::entryBlockOffsetAt(0));
    raw.put(directory + 4, static_cast<uint32_t>(raw.bytes.size()));
    writeFileBytes(sample.data + "/_mod.sm", raw.bytes);
    const Inspection damaged = inspectPath(fromUtf8(sample.data + "/_mod.sm"));
    EXPECT_EQ(lines(damaged.problems),
              (std::vector<std::string>{at(directory + 4, "change directory word 0: list offset " +
                                        std::to_string(raw.bytes.size()) + " points past the end of the file", "_mod.sm")}));
    EXPECT_EQ(damaged.containers.size(), 1u);
    EXPECT_FALSE(damaged.camera);
}

TEST(InspectJson, ExactForASmallContainer) {
    TempFolder temp;
    writer::ModelBlockContent contents;
    MaterialRecord mat;
    mat.MaterialID_Name = u"M";
    contents.materials = std::vector<writer::MaterialEntry>{{u"MaterialID_Name [M]\n", std::nullopt}};
    LightRecord light;
    light.LightSolidID = 7;
    light.From[0] = 1;
    contents.lights = std::vector<std::u16string>{u"LightSource [spot]\nLightSolidID [7]\nFrom [1 2 3]\nLightEnable: [0]\n"};
    writer::PartContent part;
    part.label = u"P";
    part.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0.5f};
    part.indices = {0, 1, 2};
    contents.solids = std::vector<writer::SolidContent>{{9, 4, u"", u"", {part}, 0}};
    ASSERT_TRUE(writer::ContainerWriter().addModelBlock(u"P.plan", contents).writeFile(temp.file("_model.alm")));
    const Inspection in = inspectPath(fromUtf8(temp.file("_model.alm")));
    const std::string json = jsonReport(in);
    const std::string expected = R"json({
  "dataFolder": ")json" + temp.path() + R"json(",
  "containers": [
    {
      "file": "_model.alm",
      "size": 209023,
      "headerResult": 1,
      "header": {
        "version": 7,
        "headerEnd": 208644,
        "reservedWord": 1,
        "nameLength": 0,
        "name": "",
        "entryCount": 1
      },
      "entries": [
        {
          "index": 0,
          "kind": 2,
          "project": "P.plan",
          "blockOffset": 208644,
          "readByProgram": true,
          "model": {
            "words": [
              80,
              144,
              155,
              0,
              0
            ],
            "materials": [
              {
                "offset": 208672,
                "byteLength": 40,
                "MaterialID_Name": "M",
                "InterfaceName": "",
                "template": "template_custom",
                "record": {
                  "_nMatDescIndex": 0,
                  "TypeNat": 0,
                  "Transparent": 1,
                  "Bump": 0,
                  "Diffuse": [0,0,0],
                  "Diffuse_Logical": -1,
                  "IOR": 0,
                  "Specular": [0,0,0],
                  "Reflection": 0,
                  "m_nContaintTransparent": 0,
                  "AmbientFactor": 0,
                  "DiffuseFactor": 0,
                  "SpecularFactor": 0,
                  "Roughness": 0,
                  "SpecularExponent": 0,
                  "Anizotropic": 0,
                  "Glossy": 0,
                  "Fresnel": 0,
                  "EmissiveIntensity": 0,
                  "Mat_Flags": 0,
                  "MixedColor": -1,
                  "nTimeID": -1,
                  "emissiveColor": 0,
                  "emissiveStrength": 1,
                  "MatExt": []
                },
                "properties": [
                  {
                    "name": "type",
                    "type": "string",
                    "value": "template_custom"
                  },
                  {
                    "name": "name",
                    "type": "string",
                    "value": ""
                  },
                  {
                    "name": "Opacity",
                    "type": "float",
                    "value": 0
                  },
                  {
                    "name": "Refraction",
                    "type": "float",
                    "value": 0
                  },
                  {
                    "name": "Diffuse (Color)",
                    "type": "string",
                    "value": "#000000"
                  },
                  {
                    "name": "roughness_value",
                    "type": "float",
                    "value": 0
                  },
                  {
                    "name": "Metallic",
                    "type": "float",
                    "value": 0
                  }
                ]
              }
            ],
            "lights": [
              {
                "offset": 208732,
                "LightSolidID": 7,
                "LightName": "",
                "kind": "Spot",
                "kindWord": "spot",
                "knownKind": true,
                "enabled": false,
                "sent": false,
                "nodeName": "Light7",
                "axes": "renderer",
                "transform": [1,0,0,0,0,1,-0,0,-0,0,1,0,2,-1,3,1],
                "record": {
                  "From": [2,-1,3],
                  "To": [0,-0,0],
                  "Color": [0,0,0],
                  "strIESF_FilePath": "",
                  "LightTemperature": 0,
                  "LightSourceID": 0,
                  "LightTimeStamp": 0,
                  "Coneangle": 0,
                  "Conedeltaangle": 0,
                  "Intensity": 0,
                  "fLedIntensitiUnit": 0,
                  "LightFlags": 0,
                  "LightSourceIDName": ""
                }
              }
            ],
            "solids": [
              {
                "offset": 208876,
                "id": 9,
                "timestamp": 4,
                "nodeName": "Solid_9",
                "vertices": 3,
                "triangles": 1,
                "bounds": {
                  "min": [0,0,0],
                  "max": [1,1,0.5]
                },
                "parts": [
                  {
                    "offset": 208917,
                    "label": "P",
                    "positionCount": 9,
                    "vertices": 3,
                    "triangles": 1,
                    "indexed": true,
                    "bounds": {
                      "min": [0,0,0],
                      "max": [1,1,0.5]
                    }
                  }
                ]
              }
            ],
            "views": null
          }
        }
      ]
    }
  ],
  "camera": null,
  "views": null,
  "syncState": null,
  "problems": []
}
)json";
    EXPECT_EQ(json, expected);
}

TEST(InspectGltf, SampleScene) {
    SampleFolder sample;
    const GltfExport gltf = exportGltf(sample.inspect());
    EXPECT_EQ(gltf.notes, std::vector<std::string>{});
    const std::string json = glbJson(gltf.glb);
    // The scene; 13 nodes (root, five solids, three lights sent, three views, the current
    // camera); three lights, four cameras, six materials, four meshes (solid 105 has none).
    EXPECT_EQ(occurrences(json, "{\"name\":"), 1u + 13u + 3u + 4u + 6u + 4u);
    EXPECT_NE(json.find("{\"name\":\"Renderer axes (Z up)\",\"children\":[1,2,3,4,5,6,7,8,9,10,11,12],"
                        "\"rotation\":[-0.70710677,0,0,0.70710677]}"),
              std::string::npos);
    EXPECT_NE(json.find("{\"name\":\"Solid_105\",\"extras\":{\"id\":105,\"timestamp\":1}}"), std::string::npos);
    EXPECT_NE(json.find("\"extensionsUsed\":[\"KHR_lights_punctual\"]"), std::string::npos);
    EXPECT_NE(json.find("\"type\":\"spot\",\"spot\":{\"innerConeAngle\":0,\"outerConeAngle\":0.3054326"), std::string::npos);
    EXPECT_NE(json.find("\"min\":[0,-10,2.8],\"max\":[8,0,5]"), std::string::npos);
    EXPECT_NE(json.find("\"alphaMode\":\"BLEND\""), std::string::npos);
    // Oak, the oak's generated normal map, brick and the brick's normal map; a roughness map
    // has no place of its own in glTF.
    EXPECT_EQ(occurrences(json, "\"mimeType\":\"image/png\""), 4u);
    // Every part wears the material of its label, with flat normals; the normal-mapped ones
    // (brick walls, oak slab and shed) carry tangents.
    EXPECT_EQ(occurrences(json, "\"material\":"), 7u);
    EXPECT_EQ(occurrences(json, "\"NORMAL\""), 7u);
    EXPECT_EQ(occurrences(json, "\"TANGENT\""), 4u);
}

TEST(InspectGltf, GeneratedNormalMapOnDiskIsUsedWhenItMatchesTheTexture) {
    SampleFolder sample;
    const std::string texture = sample.data + "/Textures/oak_floor.png";
    const std::string normal = texture + "_Normal.png";
    ASSERT_TRUE(CreateNormal(fromUtf8(texture), fromUtf8(normal)));
    const std::string made = readFileBytes(normal);
    EXPECT_NE(exportGltf(sample.inspect()).glb.find(made), std::string::npos);

    // One of another size is stale: the map is made afresh in memory and the file is left
    // as it was.
    PixelImage tiny{1, 1, {128, 128, 255, 255}};
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(tiny, png));
    const std::string stale(png.begin(), png.end());
    writeFileBytes(normal, stale);
    const std::string glb = exportGltf(sample.inspect()).glb;
    EXPECT_EQ(glb.find(stale), std::string::npos);
    EXPECT_EQ(occurrences(glbJson(glb), "\"mimeType\":\"image/png\""), 4u);
    EXPECT_EQ(readFileBytes(normal), stale);
}

TEST(InspectGltf, EdgeCases) {
    TempFolder temp;
    std::vector<std::string> names;
    ASSERT_TRUE(writeGltfCaseFolders(temp.path(), names));
    const auto exported = [&](const std::string& name) {
        return exportGltf(inspectPath(fromUtf8(temp.file(name))));
    };

    const std::string noParts = glbJson(exported("no-parts").glb);
    EXPECT_NE(noParts.find("{\"name\":\"Solid_1\",\"extras\":{\"id\":1,\"timestamp\":1}}"), std::string::npos);
    EXPECT_EQ(occurrences(noParts, "\"POSITION\""), 1u); // the empty part is left out

    const std::string unindexed = glbJson(exported("unindexed").glb);
    EXPECT_EQ(occurrences(unindexed, "\"POSITION\""), 3u);
    EXPECT_NE(unindexed.find("\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"min\":[0,0,1],\"max\":[1,1,1]"),
              std::string::npos); // ten values: three vertices

    const GltfExport textured = exported("textured");
    const std::string t = glbJson(textured.glb);
    EXPECT_EQ(occurrences(t, "\"mimeType\":\"image/png\""), 3u);
    EXPECT_EQ(occurrences(t, "\"TEXCOORD_0\""), 2u); // M_Tex and M_Glow are textured
    EXPECT_EQ(occurrences(t, "\"material\":"), 5u);  // every part named after a material
    EXPECT_NE(t.find("\"normalTexture\":{\"index\":1,\"scale\":0.7}"), std::string::npos);
    EXPECT_NE(t.find("\"emissiveTexture\":{\"index\":0},\"emissiveFactor\":[1,1,1]"), std::string::npos);
    EXPECT_EQ(textured.notes.size(), 3u);
    EXPECT_EQ(textured.notes[2], "part label \"No such material\" is no material's MaterialID_Name: drawn in the "
                                 "default material");

    const std::string damaged = glbJson(exported("damaged").glb);
    EXPECT_NE(damaged.find("\"min\":[0,0,0],\"max\":[1,1,0]"), std::string::npos); // not-a-number values made 0
    EXPECT_EQ(occurrences(damaged, "\"POSITION\""), 1u);

    const std::string lights = glbJson(exported("lights-views").glb);
    EXPECT_EQ(occurrences(lights, "\"KHR_lights_punctual\":{\"light\":"), 3u); // two spots and the IES light
    EXPECT_NE(lights.find("\"outerConeAngle\":1.5707963267948966"), std::string::npos);
    EXPECT_NE(lights.find("\"outerConeAngle\":0.25"), std::string::npos);
    EXPECT_EQ(occurrences(lights, "\"yfov\":"), 3u); // a camera with a field of view for each view

    const std::string nothing = glbJson(exported("nothing").glb);
    EXPECT_EQ(nothing.find("\"buffers\""), std::string::npos);
}

TEST(InspectTexts, LinesThatTheProgramReadsOtherwiseThanMeant) {
    SampleFolder sample;
    EXPECT_EQ(lines(sample.inspect().problems), std::vector<std::string>{}); // the host's own texts are clean
    writeFileBytes(sample.data + "/camera.cam", "Camera_Start\r\nCamera_nType [x]\r\nCamera__fov [nan]\r\n"
                                                "Camera__from [1 2]\r\nCamera__to [1 2 inf]\r\nCamera__up [0 0 1]\r\n"
                                                "Camera__fNear [0.1]\r\nCamera_End\r\nCamera__fov [1]\r\n");
    writeFileBytes(sample.data + "/Views.cam", "Cameras_Start\nCameras_nActCamera [3]\nCameras_Camera_ObjectSTART\n"
                                               "Camera_Start\nCamera__fov [0.8]\nCamera_End\nCameras_Camera_ObjectEND\n"
                                               "Cameras_End\n");
    writeFileBytes(sample.data + "/_mod.sync", "ID3D: [1] TimeStamp: [2]\r\nSourceProject: [p]\r\n"
                                               "ID3D: [1] TimeStamp: [99999999999]\r\n"
                                               "Material: [a]b] TimeStamp: [1] MatIndex: [0]\r\n");
    std::vector<std::string> found;
    for (const Problem& p : sample.inspect().problems)
        if (p.file != u"_model.alm") found.push_back(problemLine(p));
    const std::string notWritten = "error: not a line the program writes (\"ID3D: [id] TimeStamp: [t]\" or "
                                   "\"Material: [name] TimeStamp: [t] MatIndex: [i]\")";
    EXPECT_EQ(found, (std::vector<std::string>{
                         "camera.cam:2: error: Camera_nType: \"x\" is not a number: the program keeps the value it had",
                         "camera.cam:3: error: Camera__fov: \"nan\" is not a finite number",
                         "camera.cam:4: error: Camera__from: \"1 2\" holds 2 of 3 numbers: the program keeps the "
                         "value it had",
                         "camera.cam:5: error: Camera__to: \"1 2 inf\" is not a finite number",
                         "camera.cam:7: warning: unknown key \"Camera__fNear\" is ignored",
                         "camera.cam:8: error: no Camera__fNerClipp line: the program sends 0",
                         "camera.cam:9: warning: line after Camera_End is ignored",
                         "Views.cam:2: warning: active view 3 is not one of the 1 views: no current camera is sent",
                         "Views.cam:6: error: view 0: no Camera__from line: the program sends 0",
                         "Views.cam:6: error: view 0: no Camera__to line: the program sends 0",
                         "Views.cam:6: error: view 0: no Camera__up line: the program sends 0",
                         "Views.cam:6: error: view 0: no Camera__fNerClipp line: the program sends 0",
                         "_mod.sync:1: error: the first line is not the SourceProject line the program writes",
                         "_mod.sync:2: error: the program writes the SourceProject line once, as the first line",
                         "_mod.sync:3: " + notWritten}));

    // Random bytes are one problem each, not a line each.
    std::string noise(4000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    writeFileBytes(sample.data + "/camera.cam", noise);
    writeFileBytes(sample.data + "/Views.cam", noise);
    found.clear();
    for (const Problem& p : sample.inspect().problems)
        if (p.file == u"camera.cam" || p.file == u"Views.cam") found.push_back(problemLine(p));
    EXPECT_EQ(found, (std::vector<std::string>{"camera.cam:1: error: no Camera_Start line: the program reads nothing from it",
                                               "Views.cam:1: error: no Cameras_Start line: the program reads no view"}));
}
