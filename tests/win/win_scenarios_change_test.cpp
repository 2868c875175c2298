// A whole host session of changes: each round asks for the sync state (1026, answered by
// 1137), rewrites "_mod.sm" and asks for the model synchronisation (1027 logged, 1028 quiet).
// The rounds edit solids, materials, lights and views, reuse an earlier delete list, switch
// to another project and finally find no change file at all.
#include "scenario.h"
#include "support/scene_content.h"

#include "platform/text.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"

namespace orvex::scenario {
namespace {

using namespace hostsim;

const std::u16string kBarn = u"D:\\Other\\Barn.plan";

// One solid of one unindexed triangle; the corner moves with z so that every solid's
// positions hash differently.
writer::SolidContent triangle(uint32_t id, uint32_t timestamp, float z) {
    return solid(id, timestamp, {part(u"Part", {0, 0, z, 1, 0, z, 0, 1, z})});
}

Lines triangleCalls(uint32_t id, float z) {
    const std::vector<float> positions = {0, 0, z, 1, 0, z, 0, 1, z};
    return {op::beginNode(u"Solid_" + ascii(std::to_string(id))),
            op::mesh(u"Part", 3, 3, positions, false, false, {0, 1, 2}), op::endNode()};
}

MaterialRecord colour(const std::u16string& name, int32_t time, int32_t index, float red) {
    MaterialRecord m;
    m.MaterialID_Name = name;
    m.nTimeID = time;
    m._nMatDescIndex = index;
    m.Diffuse[0] = red;
    return m;
}

Lines colourCalls(const std::u16string& name, const std::u16string& text) {
    return MaterialCalls(name)
        .str(u"type", u"template_custom").str(u"name", u"").num(u"Opacity", 0).num(u"Refraction", 0)
        .str(u"Diffuse (Color)", text).num(u"roughness_value", 0).num(u"Metallic", 0);
}

LightRecord lamp(float x) {
    LightRecord l;
    l.LightSolidID = 10;
    l.Kind = LightKind::Point;
    l.LightName = u"Lamp";
    l.From[0] = x;
    l.Intensity = 100;
    l.Color[0] = l.Color[1] = l.Color[2] = 1;
    return l;
}

Lines lampCalls(float x) {
    return LightCalls(u"Light10", 0, u"Lamp", 100).colour({255, 255, 255}).transform({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -x, 0, 1});
}

CameraRecord view(const std::u16string& name, const std::u16string& id, float x) {
    CameraRecord c;
    c.name = name;
    c.nameId = id;
    c.eye[0] = x;
    c.up[2] = 1;
    c.fieldOfView = 1;
    c.nearClip = 0.5f;
    return c;
}

std::vector<float> viewCamera(float x) { return {0, -x, 0, 0, -0.0f, 0, 0, -0.0f, 1, 1.24f}; }

std::u16string viewsText(std::vector<CameraRecord> views, int32_t active) {
    ViewList list;
    list.views = std::move(views);
    list.active = active;
    return scene::viewsBlockText(list);
}

writer::MaterialEntry entry(const MaterialRecord& m) { return {scene::materialBlockText(m), std::nullopt}; }

class ChangeScenario : public ScenarioTest {
protected:
    // The host's half of a round: it asks for the sync state, checks the file the program
    // wrote, writes the change container and asks for the synchronisation.
    void round(const std::string& expectedSyncState, const writer::ContainerWriter& change, UINT request) {
        saveStateAndWait();
        EXPECT_EQ(readFile(dataFile(L"_mod.sync")), expectedSyncState);
        writeContainer(L"_mod.sm", change);
        ASSERT_TRUE(host_.post(request));
    }
};

TEST_F(ChangeScenario, RoundsOfChangesAProjectSwitchAndAMissingChangeFile) {
    writer::ModelBlockContent model;
    model.materials = std::vector<writer::MaterialEntry>{entry(colour(u"M_A", 10, 1, 1)), entry(colour(u"M_B", 20, 2, 0))};
    model.lights = std::vector<std::u16string>{scene::lightBlockText(lamp(1))};
    model.solids = std::vector<writer::SolidContent>{triangle(1, 100, 1), triangle(2, 100, 2), triangle(3, 100, 3)};
    model.views = viewsText({view(u"Front", u"V1", 1), view(u"Back", u"V2", 2)}, 0);
    writeModel(model);
    start();

    // Round 1: solid 2 edited (and 99, never sent, listed too), solid 4 new, M_B recoloured,
    // the lamp moved.
    writer::ModelBlockContent edit;
    edit.materials = std::vector<writer::MaterialEntry>{entry(colour(u"M_B", 21, 2, 0.5f))};
    edit.lights = std::vector<std::u16string>{scene::lightBlockText(lamp(5))};
    edit.solids = std::vector<writer::SolidContent>{triangle(2, 101, 20), triangle(4, 102, 4)};
    round("SourceProject: [C:\\Work\\House.plan]\r\n"
          "ID3D: [1] TimeStamp: [100]\r\nID3D: [2] TimeStamp: [100]\r\nID3D: [3] TimeStamp: [100]\r\n"
          "Material: [M_A] TimeStamp: [10] MatIndex: [1]\r\nMaterial: [M_B] TimeStamp: [20] MatIndex: [2]\r\n",
          writer::ContainerWriter()
              .addChangeDirectory(kProject, {{{u"Solid", {2, 99}}, {u"Material", {2}}}, std::nullopt})
              .addModelBlock(kProject, edit),
          1027);

    // Round 2, quiet: the directory carries no solid list, so the last one (2, 99) is used
    // again and solid 2, back since round 1, goes. No lights come back; a view is added.
    writer::ModelBlockContent addition;
    addition.solids = std::vector<writer::SolidContent>{triangle(5, 103, 5)};
    addition.views = viewsText({view(u"Side", u"V3", 3), view(u"Front", u"V1", 1)}, 1);
    round("SourceProject: [C:\\Work\\House.plan]\r\n"
          "ID3D: [1] TimeStamp: [100]\r\nID3D: [2] TimeStamp: [101]\r\nID3D: [3] TimeStamp: [100]\r\n"
          "ID3D: [4] TimeStamp: [102]\r\n"
          "Material: [M_A] TimeStamp: [10] MatIndex: [1]\r\nMaterial: [M_B] TimeStamp: [21] MatIndex: [2]\r\n",
          writer::ContainerWriter()
              .addChangeDirectory(kProject, {{{u"Material", {7}}}, std::nullopt})
              .addModelBlock(kProject, addition),
          1028);

    // Round 3: the host has opened another project. Its directory's list is not read.
    writer::ModelBlockContent barn;
    barn.materials = std::vector<writer::MaterialEntry>{entry(colour(u"M_Barn", 1, 9, 0.2f))};
    barn.solids = std::vector<writer::SolidContent>{triangle(1, 500, 50)};
    round("SourceProject: [C:\\Work\\House.plan]\r\n"
          "ID3D: [1] TimeStamp: [100]\r\nID3D: [3] TimeStamp: [100]\r\nID3D: [4] TimeStamp: [102]\r\n"
          "ID3D: [5] TimeStamp: [103]\r\n"
          "Material: [M_A] TimeStamp: [10] MatIndex: [1]\r\nMaterial: [M_B] TimeStamp: [21] MatIndex: [2]\r\n",
          writer::ContainerWriter()
              .addChangeDirectory(kBarn, {{{u"Solid", {1}}}, std::nullopt})
              .addModelBlock(kBarn, barn),
          1027);

    // Round 4: the new project deletes its solid and sends an empty block.
    round("SourceProject: [D:\\Other\\Barn.plan]\r\nID3D: [1] TimeStamp: [500]\r\n"
          "Material: [M_Barn] TimeStamp: [1] MatIndex: [9]\r\n",
          writer::ContainerWriter()
              .addChangeDirectory(kBarn, {{{u"Solid", {1}}}, std::nullopt})
              .addModelBlock(kBarn, writer::ModelBlockContent{}),
          1028);

    // Round 5: no change file. The program creates an empty one and only flushes.
    saveStateAndWait();
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [D:\\Other\\Barn.plan]\r\nMaterial: [M_Barn] TimeStamp: [1] MatIndex: [9]\r\n"));
    ASSERT_TRUE(DeleteFileW(dataFile(L"_mod.sm").c_str()));
    ASSERT_TRUE(host_.post(1027));
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    const Lines startUp = joined({colourCalls(u"M_A", u"#FF0000"), colourCalls(u"M_B", u"#000000"), lampCalls(1),
                                  triangleCalls(1, 1), triangleCalls(2, 2), triangleCalls(3, 3),
                                  op::sceneView(u"V2", u"Back", viewCamera(2), 0.5f),
                                  op::currentCamera(viewCamera(1), 0.5f), {op::endExport(), op::flush()}});
    const Lines round1 = joined({{op::deleteNode(u"Solid_2"), op::flush(), Line("RemoveLight").handle().str("name", u"Light10"),
                                  Line("SendLights").handle()},
                                 colourCalls(u"M_B", u"#7F0000"), lampCalls(5), triangleCalls(2, 20), triangleCalls(4, 4),
                                 {op::flush()}});
    const Lines round2 = joined({{op::deleteNode(u"Solid_2"), op::flush(), Line("RemoveLight").handle().str("name", u"Light10"),
                                  Line("SendLights").handle()},
                                 triangleCalls(5, 5), op::sceneView(u"V3", u"Side", viewCamera(3), 0.5f),
                                 op::currentCamera(viewCamera(1), 0.5f), {op::endExport(), op::flush()}});
    const Lines round3 = joined({{op::deleteNode(u"Solid_1"), op::deleteNode(u"Solid_3"), op::deleteNode(u"Solid_4"),
                                  op::deleteNode(u"Solid_5"), Line("ResetMaterial").handle().str("name", u"M_A"),
                                  Line("ResetMaterial").handle().str("name", u"M_B"), Line("ClearLights").handle(),
                                  Line("SendLights").handle(),
                                  // The stored views: Front holds the first slot, Side was added.
                                  Line("DeleteSceneView").handle().str("name", u"Front"),
                                  Line("SendSimpleSceneViews").handle(),
                                  Line("DeleteSceneView").handle().str("name", u"Side"),
                                  Line("SendSimpleSceneViews").handle(), op::endExport(), op::flush(),
                                  op::saveToFiles(u"D:\\Other\\Barn.orvexa")},
                                 colourCalls(u"M_Barn", u"#330000"), triangleCalls(1, 50), {op::flush()}});
    const Lines round4 = {op::deleteNode(u"Solid_1"), op::flush(), op::flush()};
    const Lines round5 = {op::flush()};
    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), startUp, round1, round2, round3,
                                 round4, round5, {op::destroy()}}));
    const std::string state = "A: Sync Model state 0";
    EXPECT_EQ(log(), (Lines{"A: Init Start", state, "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End",
                            state, state, "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End", state, state,
                            "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End", state}));
    const auto created = readFile(dataFile(L"_mod.sm"));
    ASSERT_TRUE(created.has_value());
    EXPECT_EQ(created->size(), 208644u);
    EXPECT_EQ(filesUnder(dataFolder_), (std::vector<std::string>{"_mod.sm", "_mod.sync", "_model.alm"}));
}

} // namespace
} // namespace orvex::scenario
