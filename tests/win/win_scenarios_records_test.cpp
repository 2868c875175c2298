// Camera and views from the host's files: message 1025 and the word "cameraSync" make
// camera.cam the current camera; message 1029 and the word "viewsSync" send the saved views
// of Views.cam; views also arrive inside the model block at start-up.
#include "scenario.h"

#include "scene-writer/camera_text.h"

#include <windows.h>

namespace orvex::scenario {
namespace {

using namespace hostsim;

CameraRecord camera(const std::u16string& name, const std::u16string& id, std::vector<float> eye,
                    std::vector<float> target, std::vector<float> up, float fov, float nearClip) {
    CameraRecord c;
    c.type = 1;
    c.name = name;
    c.nameId = id;
    for (int i = 0; i < 3; ++i) c.eye[i] = eye[i], c.target[i] = target[i], c.up[i] = up[i];
    c.fieldOfView = fov;
    c.nearClip = nearClip;
    return c;
}

std::string cameraFile(const CameraRecord& c) { return scene::hostFileBytes(scene::cameraBlockText(c)); }

std::string viewsFile(const std::vector<CameraRecord>& views, int32_t active) {
    ViewList list;
    list.views = views;
    list.active = active;
    return scene::hostFileBytes(scene::viewsBlockText(list));
}

class RecordsScenario : public ScenarioTest {};

TEST_F(RecordsScenario, CameraSyncWordAndMessage1025SendTheHostCameraInRendererAxes) {
    writeModel(writer::ModelBlockContent{});
    writeDataFile(L"camera.cam", cameraFile(camera(u"", u"", {10, 20, 1.6f}, {10, 30, 1.6f}, {0, 0, 1}, 0.8f, 0.1f)));
    start(L"cameraSync");
    // The word's 1025 is posted once start-up is over: a request of the host posted as soon
    // as the window exists could run before it, so the file stays until the camera is sent.
    ASSERT_TRUE(waitForJournal([](const Lines& lines) { return containsOperation(lines, "SendCurrentActiveCamera"); }));

    // The host moves its camera; then the file is gone (nothing happens); then it is empty
    // (every value at its default, zero).
    writeDataFile(L"camera.cam", cameraFile(camera(u"", u"", {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, 1, 0.5f)));
    ASSERT_TRUE(host_.post(1025));
    saveStateAndWait();
    ASSERT_TRUE(DeleteFileW(dataFile(L"camera.cam").c_str()));
    ASSERT_TRUE(host_.post(1025));
    saveStateAndWait(); // the 1025 without a file has run before the empty file is written
    writeDataFile(L"camera.cam", "");
    ASSERT_TRUE(host_.post(1025));
    closeHostAndExpectCleanExit();

    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), {op::flush()},
                                 op::currentCamera({20, -10, 1.6f, 30, -10, 1.6f, 0, -0.0f, 1, 0.8f * 1.24f}, 0.1f),
                                 op::currentCamera({0, -1, 0, 0, -0.0f, 0, 1, -0.0f, 0, 1.24f}, 0.5f),
                                 op::currentCamera({0, -0.0f, 0, 0, -0.0f, 0, 0, -0.0f, 0, 0}, 0),
                                 {op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Args - ", "W: cameraSync", "A: Init Start", "A: Sync Model state 0",
                            "A: Sync Model state 0"}));
    EXPECT_EQ(filesUnder(dataFolder_), (std::vector<std::string>{"_mod.sync", "_model.alm", "camera.cam"}));
}

TEST_F(RecordsScenario, ViewsFromTheModelBlockAndFromViewsCamShareTheStoredViews) {
    // At start-up the model block brings two views; the second is active.
    const CameraRecord front = camera(u"Front", u"V1", {0, -10, 1.5f}, {0, 0, 1.5f}, {0, 0, 1}, 0.8f, 0.1f);
    const CameraRecord back = camera(u"Back", u"V2", {0, 10, 1.5f}, {0, 0, 1.5f}, {0, 0, 1}, 0.7f, 0.2f);
    writer::ModelBlockContent model;
    ViewList startViews;
    startViews.views = {front, back};
    startViews.active = 1;
    model.views = scene::viewsBlockText(startViews);
    writeModel(model);

    const CameraRecord street = camera(u"Street", u"V1", {5, -12, 1.7f}, {5, 4, 1.5f}, {0, 0, 1}, 0.8f, 0.1f);
    CameraRecord garden = camera(u"Garden", u"V2", {18, 4, 1.7f}, {5, 4, 1.5f}, {0, 0, 1}, 0.9f, 0.1f);
    CameraRecord living = camera(u"Living room", u"V3", {2, 1, 1.6f}, {8, 6, 1.2f}, {0, 0, 1}, 1, 0.05f);
    writeDataFile(L"Views.cam", viewsFile({street, garden, living}, 0));

    start(L"viewsSync");
    saveStateAndWait();
    // A second start with the word hands 1029 to the running program and ends.
    const auto second = host_.runInstance(options_, L"viewsSync");
    ASSERT_TRUE(second.has_value()) << "the second instance did not end";
    EXPECT_EQ(*second, 0u);
    saveStateAndWait();
    // The garden view moves within the tolerance, the living-room view beyond it.
    garden.eye[1] = 4.00005f;
    living.eye[0] = 2.0002f;
    writeDataFile(L"Views.cam", viewsFile({street, garden, living}, 0));
    ASSERT_TRUE(host_.post(1029));
    closeHostAndExpectCleanExit();

    const float fov08 = 0.8f * 1.24f;
    const std::vector<float> frontCam = {-10, -0.0f, 1.5f, 0, -0.0f, 1.5f, 0, -0.0f, 1, fov08};
    const std::vector<float> backCam = {10, -0.0f, 1.5f, 0, -0.0f, 1.5f, 0, -0.0f, 1, 0.7f * 1.24f};
    const std::vector<float> streetCam = {-12, -5, 1.7f, 4, -5, 1.5f, 0, -0.0f, 1, fov08};
    const std::vector<float> gardenCam = {4, -18, 1.7f, 4, -5, 1.5f, 0, -0.0f, 1, 0.9f * 1.24f};
    const std::vector<float> livingCam = {1, -2, 1.6f, 6, -8, 1.2f, 0, -0.0f, 1, 1.24f};
    const std::vector<float> livingMovedCam = {1, -2.0002f, 1.6f, 6, -8, 1.2f, 0, -0.0f, 1, 1.24f};

    EXPECT_EQ(journal(),
              joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"),
                      // Start-up: Front is a scene view, Back the current camera; Back then
                      // holds the first stored slot.
                      op::sceneView(u"V1", u"Front", frontCam, 0.1f), op::currentCamera(backCam, 0.2f),
                      {op::endExport(), op::flush()},
                      // The word's 1029: Garden and Living room are new names; Street is active
                      // and takes the first slot from Back.
                      op::sceneView(u"V2", u"Garden", gardenCam, 0.1f),
                      op::sceneView(u"V3", u"Living room", livingCam, 0.05f), op::currentCamera(streetCam, 0.1f),
                      {op::endExport()},
                      // The forwarded 1029: both found and equal, sent again as stored.
                      op::sceneView(u"V2", u"Garden", gardenCam, 0.1f),
                      op::sceneView(u"V3", u"Living room", livingCam, 0.05f), op::currentCamera(streetCam, 0.1f),
                      {op::endExport()},
                      // Within the tolerance the stored garden view is sent unchanged; the
                      // living room is sent as moved.
                      op::sceneView(u"V2", u"Garden", gardenCam, 0.1f),
                      op::sceneView(u"V3", u"Living room", livingMovedCam, 0.05f), op::currentCamera(streetCam, 0.1f),
                      {op::endExport(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Args - ", "W: viewsSync", "A: Init Start", "A: Sync Model state 0", "A: Args - ",
                            "W: viewsSync", "A: Sync Model state 0"}));
    EXPECT_EQ(filesUnder(dataFolder_), (std::vector<std::string>{"Views.cam", "_mod.sync", "_model.alm"}));
}

} // namespace
} // namespace orvex::scenario
