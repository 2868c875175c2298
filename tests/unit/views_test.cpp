// The views block, the comparison of views, and what reaches the renderer and the stored
// views when a view list is applied.
#include "records/views.h"

#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "scene-writer/camera_text.h"
#include "support/fake_platform.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

using namespace orvex;

namespace {

constexpr RendererHandle kHandle = 9;

CameraRecord view(const std::u16string& name, float x) {
    CameraRecord v;
    v.type = 2;
    v.name = name;
    v.nameId = u"id-" + name;
    v.fieldOfView = 0.5f;
    v.eye[0] = x, v.eye[1] = 2, v.eye[2] = 3;
    v.target[0] = 4, v.target[1] = 5, v.target[2] = 6;
    v.up[2] = 1;
    v.nearClip = 0.25f;
    return v;
}

ViewList threeViews() {
    ViewList list;
    list.views = {view(u"A", 1), view(u"B", 2), view(u"C", 3)};
    return list;
}

std::vector<std::u16string> names(const std::vector<CameraRecord>& views) {
    std::vector<std::u16string> out;
    for (const auto& v : views) out.push_back(v.name);
    return out;
}

std::vector<std::string> sceneViewOps(int count) {
    std::vector<std::string> ops;
    for (int i = 0; i < count; ++i)
        ops.insert(ops.end(), {"AddSimpleSceneView", "SendSimpleCamera", "SetCameraFloatProperty",
                               "SendSimpleSceneViews"});
    return ops;
}

const std::vector<std::string> kCurrentCameraOps = {"SetCameraFloatProperty", "SendSimpleCamera",
                                                    "SetCameraFloatProperty", "SendCurrentActiveCamera"};

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Session {
    test::Recorder recorder;
    ModelExchange exchange{recorder.api()};
    Session() { exchange.session.handle = kHandle; }
    ~Session() { exchange.session.handle = 0; }
};

} // namespace

TEST(ViewsBlock, WrittenListReadsBack) {
    ViewList written = threeViews();
    written.active = 2;
    written.views[1].name = u"";
    written.views[2].nameId = u"Cameras_End";
    const std::u16string text = scene::viewsBlockText(written);
    const std::u16string head =
        u"Cameras_Start\nCameras_Version [1]\nCameras_nActCamera [2]\nCameras_Camera_ObjectSTART\n"
        u"Camera_Start\n";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::u16string tail = u"Camera_End\nCameras_Camera_ObjectEND\nCameras_End\n";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    ViewList read;
    read.views.push_back(view(u"stale", 0));
    read.active = 7;
    parseViewsBlock(text, read);
    EXPECT_EQ(read.active, 2);
    ASSERT_EQ(read.views.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.views[i].name, written.views[i].name);
        EXPECT_EQ(read.views[i].nameId, written.views[i].nameId);
        EXPECT_EQ(read.views[i].type, 2);
        EXPECT_EQ(read.views[i].eye[0], written.views[i].eye[0]);
        EXPECT_EQ(read.views[i].nearClip, 0.25f);
    }
}

TEST(ViewsBlock, LinesOutsideTheBlockAndBadNumbersAreIgnored) {
    ViewList list;
    parseViewsBlock(u"Cameras_nActCamera [4]\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [out]\nCamera_End\n"
                    u"Cameras_Camera_ObjectEND\n"
                    u"Cameras_Start\n"
                    u"Cameras_Version [x]\n"
                    u"Cameras_nActCamera [x]\n"
                    u"Cameras_Camera_ObjectSTART\n"
                    u"Camera_Name [no markers]\n" // the camera block's own start marker is missing
                    u"Cameras_Camera_ObjectEND\n"
                    u"Cameras_End\n",
                    list);
    EXPECT_EQ(list.active, 0);
    ASSERT_EQ(list.views.size(), 1u);
    EXPECT_EQ(list.views[0].name, u"");
}

TEST(ViewsBlock, UnclosedObjectIsDroppedAndNestedObjectsNeedTwoEnds) {
    ViewList list;
    parseViewsBlock(u"Cameras_Start\nCameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [A]\n"
                    u"Camera_End\n",
                    list);
    EXPECT_TRUE(list.views.empty());

    // Views closed before the unclosed one are kept.
    parseViewsBlock(u"Cameras_Start\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [A]\nCameras_Camera_ObjectEND\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [B]\n",
                    list);
    ASSERT_EQ(list.views.size(), 1u);
    EXPECT_EQ(list.views[0].name, u"A");

    // An inner start line is collected into the outer object, which then needs two ends;
    // the second camera block in it overwrites the name.
    parseViewsBlock(u"Cameras_Start\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [outer]\n"
                    u"Cameras_Camera_ObjectSTART\nCamera_Name [inner]\nCameras_Camera_ObjectEND\n"
                    u"Camera__fov [0.5]\n"
                    u"Cameras_Camera_ObjectEND\n"
                    u"Cameras_nActCamera [3]\n",
                    list);
    ASSERT_EQ(list.views.size(), 1u);
    EXPECT_EQ(list.views[0].name, u"inner");
    EXPECT_EQ(list.views[0].fieldOfView, 0.5f);
    EXPECT_EQ(list.active, 3);
}

TEST(ViewsEqual, TolerancesOnPointsClipAndFieldOfView) {
    const CameraRecord a = view(u"A", 1.0f);
    CameraRecord b = a;
    b.type = 5;
    b.name = u"other";
    EXPECT_TRUE(viewsEqual(a, b)); // type and name are not compared

    for (float* field : {&b.eye[0], &b.target[1], &b.up[2], &b.nearClip, &b.fieldOfView}) {
        const float original = *field;
        *field = original + 0.00005f;
        EXPECT_TRUE(viewsEqual(a, b)) << original;
        *field = original - 0.00005f;
        EXPECT_TRUE(viewsEqual(a, b)) << original;
        *field = original + 0.0002f;
        EXPECT_FALSE(viewsEqual(a, b)) << original;
        *field = original - 0.0002f;
        EXPECT_FALSE(viewsEqual(a, b)) << original;
        *field = original;
    }
    EXPECT_TRUE(viewsEqual(a, b));

    b.nameId = u"id-a";
    EXPECT_FALSE(viewsEqual(a, b));
    b.nameId = u"id-A ";
    EXPECT_FALSE(viewsEqual(a, b));

    CameraRecord nan = a;
    nan.eye[1] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(viewsEqual(a, nan));
    EXPECT_FALSE(viewsEqual(nan, CameraRecord(nan)));
    EXPECT_TRUE(viewsEqual(nan, nan)); // the same record
}

TEST(ApplyViews, ThreeViewsWithoutActiveLineTwice) {
    Session s;
    const ViewList list = threeViews();
    applyViewList(s.exchange, list);
    EXPECT_EQ(s.recorder.ops(), join(join(sceneViewOps(2), kCurrentCameraOps), {"EndExport"}));
    const auto add = s.recorder.linesOf("AddSimpleSceneView");
    ASSERT_EQ(add.size(), 2u);
    EXPECT_EQ(add[0], R"({"op":"AddSimpleSceneView","h":9,"nameId":"id-B","name":"B",)"
                      R"("camera":[2,-2,3,5,-4,6,0,-0,1,0.62],"fov":0.62})");
    EXPECT_EQ(s.recorder.lines[2],
              R"({"op":"SetCameraFloatProperty","h":9,"property":"camera_near_clip_plane","value":0.25})");
    EXPECT_EQ(s.recorder.lines[9], R"({"op":"SendSimpleCamera","h":9,"camera":[2,-1,3,5,-4,6,0,-0,1,0.62],"fov":0.62})");
    EXPECT_EQ(s.recorder.lines.back(), R"({"op":"EndExport","h":9})");
    // B was stored first and then overwritten by the active view A.
    EXPECT_EQ(names(s.exchange.storedViews), (std::vector<std::u16string>{u"A", u"C"}));
    EXPECT_EQ(s.exchange.storedViews[0].eye[0], 1.0f);

    // Again: B is no longer found by name and is added anew; C is found and sent again.
    s.recorder.clear();
    applyViewList(s.exchange, list);
    EXPECT_EQ(s.recorder.ops(), join(join(sceneViewOps(2), kCurrentCameraOps), {"EndExport"}));
    const auto again = s.recorder.linesOf("AddSimpleSceneView");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again[0].find(R"("name":"B")"), std::string::npos);
    EXPECT_NE(again[1].find(R"("name":"C")"), std::string::npos);
    EXPECT_EQ(names(s.exchange.storedViews), (std::vector<std::u16string>{u"A", u"C", u"B"}));
}

TEST(ApplyViews, FoundViewSendsStoredValuesWithinToleranceAndNewOnesBeyond) {
    Session s;
    ViewList list;
    list.active = -1;
    list.views = {view(u"A", 1.0f)};
    applyViewList(s.exchange, list);

    s.recorder.clear();
    list.views[0].eye[0] = 1.00005f;
    list.views[0].type = 9;
    applyViewList(s.exchange, list);
    ASSERT_EQ(s.recorder.linesOf("AddSimpleSceneView").size(), 1u);
    EXPECT_NE(s.recorder.linesOf("AddSimpleSceneView")[0].find(R"("camera":[2,-1,)"), std::string::npos);
    EXPECT_EQ(s.exchange.storedViews[0].eye[0], 1.0f);
    EXPECT_EQ(s.exchange.storedViews[0].type, 2); // nothing is copied when equal

    s.recorder.clear();
    list.views[0].eye[0] = 1.0002f;
    applyViewList(s.exchange, list);
    EXPECT_NE(s.recorder.linesOf("AddSimpleSceneView")[0].find(R"("camera":[2,-1.0002,)"),
              std::string::npos);
    EXPECT_EQ(s.exchange.storedViews.size(), 1u);
    EXPECT_EQ(s.exchange.storedViews[0].eye[0], 1.0002f);
    EXPECT_EQ(s.exchange.storedViews[0].type, 9);
}

TEST(ApplyViews, ActiveOutOfRangeSendsEveryViewAndNoCurrentCamera) {
    for (int32_t active : {-1, 3, INT32_MIN}) {
        Session s;
        ViewList list = threeViews();
        list.active = active;
        s.exchange.storedViews = {view(u"Z", 9)};
        applyViewList(s.exchange, list);
        EXPECT_EQ(s.recorder.ops(), join(sceneViewOps(3), {"EndExport"})) << active;
        EXPECT_EQ(names(s.exchange.storedViews), (std::vector<std::u16string>{u"Z", u"A", u"B", u"C"}));
    }
}

TEST(ApplyViews, ActiveViewTakesTheFirstStoredSlotWhateverItsName) {
    Session s;
    s.exchange.storedViews = {view(u"Z", 9), view(u"Y", 8)};
    ViewList list;
    list.views = {view(u"Y", 1)};
    applyViewList(s.exchange, list);
    EXPECT_EQ(s.recorder.ops(), join(kCurrentCameraOps, {"EndExport"}));
    EXPECT_EQ(names(s.exchange.storedViews), (std::vector<std::u16string>{u"Y", u"Y"}));
    EXPECT_EQ(s.exchange.storedViews[0].eye[0], 1.0f);
    EXPECT_EQ(s.exchange.storedViews[1].eye[0], 8.0f);

    s.recorder.clear();
    applyViewList(s.exchange, ViewList{});
    EXPECT_EQ(s.recorder.ops(), std::vector<std::string>{"EndExport"});
    EXPECT_EQ(s.exchange.storedViews.size(), 2u);
}

TEST(SyncViews, ReadsViewsCamFromTheDataFolder) {
    test::FakePlatform platform;
    test::TempFolder temp;
    platform.setAppData(temp.path16());
    const std::string data = temp.path() + "/Quorvel/Planomat2027_OrvexPlugin/Data";
    std::filesystem::create_directories(data);
    Session s;

    syncViews(s.exchange);
    EXPECT_TRUE(s.recorder.lines.empty());

    ViewList list = threeViews();
    list.active = 1;
    test::writeFileBytes(data + "/Views.cam", scene::hostFileBytes(scene::viewsBlockText(list)));
    syncViews(s.exchange);
    EXPECT_EQ(s.recorder.ops(), join(join(sceneViewOps(2), kCurrentCameraOps), {"EndExport"}));
    EXPECT_EQ(names(s.exchange.storedViews), (std::vector<std::u16string>{u"B", u"C"}));
    EXPECT_EQ(s.recorder.linesOf("SendCurrentActiveCamera").size(), 1u);

    // A file without views still ends the export.
    s.recorder.clear();
    test::writeFileBytes(data + "/Views.cam", "Cameras_Start\r\nCameras_End\r\n");
    syncViews(s.exchange);
    EXPECT_EQ(s.recorder.ops(), std::vector<std::string>{"EndExport"});
}
