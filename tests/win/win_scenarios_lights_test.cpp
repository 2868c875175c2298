// Lights of a model block to the renderer: every kind in one block, then a change that
// replaces all lights and a project switch that removes the enabled ones.
#include "scenario.h"

#include "scene-writer/light_text.h"

#include <cmath>

namespace orvex::scenario {
namespace {

using namespace hostsim;

LightRecord hostLight(int32_t id, LightKind kind, const std::u16string& name, std::vector<float> from) {
    LightRecord l;
    l.LightSolidID = id;
    l.LightSourceID = id + 1000;
    l.Kind = kind;
    l.LightName = name;
    for (int i = 0; i < 3; ++i) l.From[i] = from[i];
    l.Intensity = 800;
    l.Color[0] = 1, l.Color[1] = 0.5f, l.Color[2] = 0;
    l.LightTimeStamp = 9;
    return l;
}

// The rotation of a spot or IES light for its angles in renderer axes: roll about z, pitch
// about x, yaw about y, in single precision, then the position in the fourth row.
std::vector<float> spotTransform(const std::vector<float>& to, const std::vector<float>& from) {
    const float yaw = -to[0], pitch = to[1], roll = to[2];
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    return {cr * cy + sr * sp * sy, sr * cp, sr * sp * cy - cr * sy, 0,
            cr * sp * sy - sr * cy, cr * cp, sr * sy + cr * sp * cy, 0,
            cp * sy,                -sp,     cp * cy,                0,
            from[0],                from[1], from[2],                1};
}

std::vector<float> pointTransform(const std::vector<float>& from) {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, from[0], from[1], from[2], 1};
}

Lines removed(const std::vector<std::u16string>& names) {
    Lines lines;
    for (const auto& name : names)
        lines.insert(lines.end(), {Line("RemoveLight").handle().str("name", name), Line("SendLights").handle()});
    return lines;
}

class LightsScenario : public ScenarioTest {};

TEST_F(LightsScenario, EveryKindInOneBlockThenAChangeAndAProjectSwitch) {
    LightRecord ceiling = hostLight(501, LightKind::Point, u"Ceiling lamp", {1, 2, 3});
    LightRecord reading = hostLight(502, LightKind::Spot, u"Reading spot", {4, 5, 2.5f});
    reading.To[0] = 0.3f, reading.To[2] = 1.2f;
    reading.Coneangle = 35;
    reading.Conedeltaangle = 5;
    reading.LightTemperature = 3200;
    LightRecord washer = hostLight(503, LightKind::Ies, u"Wall washer", {9, 1, 2.2f});
    washer.To[0] = 0.5f, washer.To[1] = 0.25f;
    washer.strIESF_FilePath = u"wallwasher.ies";
    washer.LightTemperature = -5; // not above 0: the colour goes instead
    washer.Color[0] = 0.2f, washer.Color[1] = 0.4f, washer.Color[2] = 0.6f;
    LightRecord off = hostLight(504, LightKind::Spot, u"Switched off", {0, 0, 1});
    off.Enabled = false;
    LightRecord porch = hostLight(-7, LightKind::Point, u"", {0, 0, 0});
    std::vector<LightRecord> all = {ceiling, reading, washer, off, porch};
    int32_t id = 505;
    for (LightKind kind : {LightKind::Area, LightKind::Line, LightKind::Led, LightKind::Emissive, LightKind::Camera,
                           LightKind::Uninitialized, LightKind::InvalidParentSolid})
        all.push_back(hostLight(id++, kind, u"Not a renderer light", {1, 1, 1}));

    writer::ModelBlockContent model;
    model.lights.emplace();
    for (const LightRecord& l : all) model.lights->push_back(scene::lightBlockText(l));
    writeModel(model);

    start();
    saveStateAndWait();

    // The host's change: the same project, nothing to delete, the ceiling lamp moved and
    // two lights that the renderer never gets.
    LightRecord moved = ceiling;
    moved.From[0] = 6;
    LightRecord area = hostLight(505, LightKind::Area, u"Panel", {1, 1, 1});
    writer::ModelBlockContent change;
    change.lights = std::vector<std::u16string>{scene::lightBlockText(moved), scene::lightBlockText(off),
                                                scene::lightBlockText(area)};
    writeContainer(L"_mod.sm", writer::ContainerWriter()
                                   .addChangeDirectory(kProject, writer::ChangeDirectoryContent{})
                                   .addModelBlock(kProject, change));
    ASSERT_TRUE(host_.post(1027));
    saveStateAndWait();

    // Another project: only the enabled lights are removed one by one, then all are cleared.
    const std::u16string other = u"D:\\Other\\Barn.plan";
    writer::ModelBlockContent barn;
    barn.lights = std::vector<std::u16string>{scene::lightBlockText(hostLight(1, LightKind::Point, u"Barn lamp", {0, 1, 0}))};
    writeContainer(L"_mod.sm", writer::ContainerWriter()
                                   .addChangeDirectory(other, writer::ChangeDirectoryContent{})
                                   .addModelBlock(other, barn));
    ASSERT_TRUE(host_.post(1028));
    closeHostAndExpectCleanExit();

    const std::u16string ies = dataFolderText() + u"\\IES\\wallwasher.ies";
    const Lines startUp = joined({
        LightCalls(u"Light501", 0, u"Ceiling lamp", 800).colour({255, 127.5f, 0}).transform(pointTransform({2, -1, 3})),
        LightCalls(u"Light502", 1, u"Reading spot", 800)
            .temperature(3200)
            .transform(spotTransform({0, -0.3f, 1.2f}, {5, -4, 2.5f}))
            .cone(35),
        LightCalls(u"Light503", 1, u"Wall washer", 800)
            .colour({0.2f * 255.0f, 0.4f * 255.0f, 0.6f * 255.0f})
            .transform(spotTransform({0.25f, -0.5f, 0}, {1, -9, 2.2f}))
            .profile(ies),
        LightCalls(u"Light-7", 0, u"", 800).colour({255, 127.5f, 0}).transform(pointTransform({0, -0.0f, 0})),
    });
    // Every light of the table goes, whatever its kind or state, in unsigned id order.
    const Lines change1 = joined({
        {op::flush()},
        removed({u"Light501", u"Light502", u"Light503", u"Light504", u"Light505", u"Light506", u"Light507",
                 u"Light508", u"Light509", u"Light510", u"Light511", u"Light-7"}),
        LightCalls(u"Light501", 0, u"Ceiling lamp", 800).colour({255, 127.5f, 0}).transform(pointTransform({2, -6, 3})),
        {op::flush()},
    });
    const Lines switchProject = joined({
        removed({u"Light501", u"Light505"}),
        {Line("ClearLights").handle(), Line("SendLights").handle(), op::endExport(), op::flush(),
         op::saveToFiles(u"D:\\Other\\Barn.orvexa")},
        LightCalls(u"Light1", 0, u"Barn lamp", 800).colour({255, 127.5f, 0}).transform(pointTransform({1, -0.0f, 0})),
        {op::flush()},
    });
    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), startUp, {op::flush()}, change1,
                                 switchProject, {op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0", "A: Sync Model state 1 _ Start",
                            "A: Sync Model state 1 _ End", "A: Sync Model state 0"}));
    EXPECT_EQ(filesUnder(dataFolder_), (std::vector<std::string>{"_mod.sm", "_mod.sync", "_model.alm"}));
}

} // namespace
} // namespace orvex::scenario
