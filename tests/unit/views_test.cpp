// The views block, the comparison of views, and what reaches the renderer and the stored
// views when a view list is applied.
#include "records/views.h"

#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "scene-writer/camera_text.h"
#include "platform/text.h"
#include "renderer-standin/journal.h"
#include "support/exchange_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orvex;
using namespace orvex::test;

namespace {

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


struct ApplyViews : test::ExchangeTest {};
struct SyncViews : test::ExchangeTest {};

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

TEST_F(ApplyViews, ThreeViewsWithoutActiveLineTwice) {
    const ViewList list = threeViews();
    applyViewList(exchange, list);
    const float m0 = -0.0f; // the mapped up vector's negated zero
    EXPECT_EQ(recorder.lines, joined({op::sceneView(u"id-B", u"B", {2, -2, 3, 5, -4, 6, 0, m0, 1, 0.62f}, 0.25f),
                                        op::sceneView(u"id-C", u"C", {2, -3, 3, 5, -4, 6, 0, m0, 1, 0.62f}, 0.25f),
                                        op::currentCamera({2, -1, 3, 5, -4, 6, 0, m0, 1, 0.62f}, 0.25f),
                                        {op::endExport()}}));
    // B was stored first and then overwritten by the active view A.
    EXPECT_EQ(names(exchange.storedViews), (std::vector<std::u16string>{u"A", u"C"}));
    EXPECT_EQ(exchange.storedViews[0].eye[0], 1.0f);

    // Again: B is no longer found by name and is added anew; C is found and sent again.
    recorder.clear();
    applyViewList(exchange, list);
    EXPECT_EQ(recorder.ops(), joined({sceneViewOps(2), kCurrentCameraOps, {"EndExport"}}));
    const auto again = recorder.linesOf("AddSimpleSceneView");
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again[0].find(R"("name":"B")"), std::string::npos);
    EXPECT_NE(again[1].find(R"("name":"C")"), std::string::npos);
    EXPECT_EQ(names(exchange.storedViews), (std::vector<std::u16string>{u"A", u"C", u"B"}));
}

TEST_F(ApplyViews, FoundViewSendsStoredValuesWithinToleranceAndNewOnesBeyond) {
    ViewList list;
    list.active = -1;
    list.views = {view(u"A", 1.0f)};
    applyViewList(exchange, list);

    recorder.clear();
    list.views[0].eye[0] = 1.00005f;
    list.views[0].type = 9;
    applyViewList(exchange, list);
    ASSERT_EQ(recorder.linesOf("AddSimpleSceneView").size(), 1u);
    EXPECT_NE(recorder.linesOf("AddSimpleSceneView")[0].find(R"("camera":[2,-1,)"), std::string::npos);
    EXPECT_EQ(exchange.storedViews[0].eye[0], 1.0f);
    EXPECT_EQ(exchange.storedViews[0].type, 2); // nothing is copied when equal

    recorder.clear();
    list.views[0].eye[0] = 1.0002f;
    applyViewList(exchange, list);
    EXPECT_NE(recorder.linesOf("AddSimpleSceneView")[0].find(R"("camera":[2,-1.0002,)"),
              std::string::npos);
    EXPECT_EQ(exchange.storedViews.size(), 1u);
    EXPECT_EQ(exchange.storedViews[0].eye[0], 1.0002f);
    EXPECT_EQ(exchange.storedViews[0].type, 9);
}

TEST_F(ApplyViews, ActiveOutOfRangeSendsEveryViewAndNoCurrentCamera) {
    for (int32_t active : {-1, 3, INT32_MIN}) {
        recorder.clear();
        ViewList list = threeViews();
        list.active = active;
        exchange.storedViews = {view(u"Z", 9)};
        applyViewList(exchange, list);
        EXPECT_EQ(recorder.ops(), joined({sceneViewOps(3), {"EndExport"}})) << active;
        EXPECT_EQ(names(exchange.storedViews), (std::vector<std::u16string>{u"Z", u"A", u"B", u"C"}));
    }
}

TEST_F(ApplyViews, ActiveViewTakesTheFirstStoredSlotWhateverItsName) {
    exchange.storedViews = {view(u"Z", 9), view(u"Y", 8)};
    ViewList list;
    list.views = {view(u"Y", 1)};
    applyViewList(exchange, list);
    EXPECT_EQ(recorder.ops(), joined({kCurrentCameraOps, {"EndExport"}}));
    EXPECT_EQ(names(exchange.storedViews), (std::vector<std::u16string>{u"Y", u"Y"}));
    EXPECT_EQ(exchange.storedViews[0].eye[0], 1.0f);
    EXPECT_EQ(exchange.storedViews[1].eye[0], 8.0f);

    recorder.clear();
    applyViewList(exchange, ViewList{});
    EXPECT_EQ(recorder.ops(), std::vector<std::string>{"EndExport"});
    EXPECT_EQ(exchange.storedViews.size(), 2u);
}

// Many distinctly named views once made applying a list quadratic: each view was looked up
// by name from the front of the stored views it had just grown. (A return to that shows as
// the test's time-out.)
TEST_F(ApplyViews, ManyDistinctViewsAreStoredAndFoundAgain) {
    journal::setBehaviour({.journaling = false});
    ViewList list;
    constexpr int kViews = 50000;
    list.views.resize(kViews);
    for (int i = 0; i < kViews; ++i) list.views[size_t(i)].name = u"View " + decimal(i);
    list.active = kViews; // none active: every view is a scene view
    applyViewList(exchange, list);
    applyViewList(exchange, list); // every name is now found
    ASSERT_EQ(exchange.storedViews.size(), size_t(kViews));
    EXPECT_EQ(exchange.storedViews.back().name, u"View 49999");
}

TEST_F(SyncViews, ReadsViewsCamFromTheDataFolder) {

    syncViews(exchange);
    EXPECT_TRUE(recorder.lines.empty());

    ViewList list = threeViews();
    list.active = 1;
    data.write("Views.cam", scene::hostFileBytes(scene::viewsBlockText(list)));
    syncViews(exchange);
    EXPECT_EQ(recorder.ops(), joined({sceneViewOps(2), kCurrentCameraOps, {"EndExport"}}));
    EXPECT_EQ(names(exchange.storedViews), (std::vector<std::u16string>{u"B", u"C"}));
    EXPECT_EQ(recorder.linesOf("SendCurrentActiveCamera").size(), 1u);

    // A file without views still ends the export.
    recorder.clear();
    data.write("Views.cam", "Cameras_Start\r\nCameras_End\r\n");
    syncViews(exchange);
    EXPECT_EQ(recorder.ops(), std::vector<std::string>{"EndExport"});
}
