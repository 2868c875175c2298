// Start-up on a model of several solids: every node, every part with the hashes of the
// arrays the renderer was handed, in file order, the sections in their fixed order, the
// flush at the end, and the sync state the host then reads.
#include "scenario.h"
#include "support/scene_content.h"

#include "scene-writer/camera_text.h"
#include "scene-writer/material_text.h"

namespace orvex::scenario {
namespace {

using namespace hostsim;

// A solid with both its texts, which the program passes over.
writer::SolidContent solidWithTexts(uint32_t id, uint32_t timestamp, std::vector<writer::PartContent> parts) {
    writer::SolidContent s = solid(id, timestamp, std::move(parts));
    s.firstText = u"Solid text";
    s.secondText = u"Second text";
    return s;
}

class ModelScenario : public ScenarioTest {};

TEST_F(ModelScenario, StartUpSendsEverySolidAndPartInFileOrderThenFlushes) {
    // An indexed part with both attribute arrays, an unindexed one, one with no arrays at
    // all, zero entries in the part and solid tables, a solid without parts, an id above
    // 2^31 and a solid that comes twice.
    writer::PartContent slab = part(u"Slab", {0, 0, 0, 4, 0, 0, 4, 3, 0, 0, 3, 0}, {0, 1, 2, 0, 2, 3});
    slab.attributes2 = {7, 7, 7, 7};
    slab.attributes5 = {1, 2, 3, 4};
    slab.unused3 = {99};
    const writer::PartContent gable = part(u"Gable", {0, 0, 3, 4, 0, 3, 2, 0, 5});
    const writer::PartContent empty = part(u"Nothing", {});
    const writer::PartContent post = part(u"Post", {1, 1, 0, 1, 1, 2, 1.5f, 1, 0, 9, 9, 9});
    const writer::PartContent again = part(u"Slab v2", {0, 0, 1, 4, 0, 1, 4, 3, 1}, {2, 1, 0});

    writer::SolidContent floor = solidWithTexts(30, 11, {slab, gable, empty});
    floor.zeroPartOffsets = 1;
    writer::ModelBlockContent model;
    model.solids = std::vector<writer::SolidContent>{floor, solidWithTexts(5, 12, {}),
                                                  solidWithTexts(4000000000u, 13, {post}),
                                                  solidWithTexts(30, 14, {again})};
    model.zeroSolidOffsets = 1;
    MaterialRecord plain;
    plain.MaterialID_Name = u"M_Plain";
    model.materials = std::vector<writer::MaterialEntry>{{scene::materialBlockText(plain), std::nullopt}};
    CameraRecord view;
    view.name = u"Street";
    view.nameId = u"V1";
    view.eye[0] = 1, view.eye[1] = 2, view.eye[2] = 3;
    view.up[2] = 1;
    view.fieldOfView = 1;
    view.nearClip = 0.25f;
    ViewList views;
    views.views = {view};
    model.views = scene::viewsBlockText(views);
    writeModel(model);

    start();
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    const Lines material = {
        Line("AddMaterial").handle().str("name", u"M_Plain"),
        op::materialString(u"M_Plain", u"type", u"template_custom"),
        op::materialString(u"M_Plain", u"name", u""),
        op::materialFloat(u"M_Plain", u"Opacity", 0),
        op::materialFloat(u"M_Plain", u"Refraction", 0),
        op::materialString(u"M_Plain", u"Diffuse (Color)", u"#000000"),
        op::materialFloat(u"M_Plain", u"roughness_value", 0),
        op::materialFloat(u"M_Plain", u"Metallic", 0),
    };
    const Lines solids = {
        op::beginNode(u"Solid_30"),
        op::mesh(u"Slab", 12, 6, slab.positions, true, true, slab.indices),
        // Unindexed: the first count is the number of vertices, the indices are generated.
        op::mesh(u"Gable", 3, 3, gable.positions, false, false, {0, 1, 2}),
        op::mesh(u"Nothing", 0, 0, {}, false, false, {}),
        op::endNode(),
        op::beginNode(u"Solid_5"),
        op::endNode(),
        op::beginNode(u"Solid_-294967296"),
        op::mesh(u"Post", 4, 4, post.positions, false, false, {0, 1, 2, 3}),
        op::endNode(),
        op::beginNode(u"Solid_30"),
        op::mesh(u"Slab v2", 9, 3, again.positions, false, false, again.indices),
        op::endNode(),
    };
    // The only view is the active one: it becomes the current camera, no scene view.
    const Lines viewLines = joined({op::currentCamera({2, -1, 3, 0, -0.0f, 0, 0, -0.0f, 1, 1.24f}, 0.25f),
                                    {op::endExport()}});
    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), material, solids, viewLines,
                                 {op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0"}));
    // Ascending ids as unsigned numbers, written signed; the solid sent twice keeps its
    // second timestamp.
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [C:\\Work\\House.plan]\r\n"
                          "ID3D: [5] TimeStamp: [12]\r\n"
                          "ID3D: [30] TimeStamp: [14]\r\n"
                          "ID3D: [-294967296] TimeStamp: [13]\r\n"
                          "Material: [M_Plain] TimeStamp: [-1] MatIndex: [0]\r\n"));
    EXPECT_EQ(filesUnder(dataFolder_), (std::vector<std::string>{"_mod.sync", "_model.alm"}));
}

} // namespace
} // namespace orvex::scenario
