// The camera block, the host-to-renderer axis rule and the camera synchronisation, checked
// against the exact renderer calls in the journal.
#include "records/camera.h"

#include "core/axes.h"
#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "scene-writer/camera_text.h"
#include "support/exchange_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace orvex;
using namespace orvex::test;

namespace {

CameraRecord workedExample() {
    CameraRecord c;
    c.type = 1;
    c.fieldOfView = 0.8f;
    c.eye[0] = 10, c.eye[1] = 20, c.eye[2] = 1.6f;
    c.target[0] = 10, c.target[1] = 30, c.target[2] = 1.6f;
    c.up[0] = 0, c.up[1] = 0, c.up[2] = 1;
    c.name = u"Front";
    c.nameId = u"{7A}";
    c.nearClip = 0.1f;
    return c;
}

const float m0 = -0.0f; // the axis rule's negated zeros
const Lines kWorkedExampleLines = op::currentCamera({20, -10, 1.6f, 30, -10, 1.6f, 0, m0, 1, 0.99200004f}, 0.1f);
// What an all-default record sends.
const Lines kDefaultLines = op::currentCamera({0, m0, 0, 0, m0, 0, 0, m0, 0, 0}, 0);

void expectSame(const CameraRecord& a, const CameraRecord& b) {
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.fieldOfView, b.fieldOfView);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.eye[i], b.eye[i]) << i;
        EXPECT_EQ(a.target[i], b.target[i]) << i;
        EXPECT_EQ(a.up[i], b.up[i]) << i;
    }
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.nameId, b.nameId);
    EXPECT_EQ(a.nearClip, b.nearClip);
}

struct CameraSync : test::ExchangeTest {};

} // namespace

TEST(Camera, AxisRuleSwapsAndNegatesWithSignedZero) {
    const float eye[3] = {1, 0, 0};
    float out[3];
    toRendererAxes(eye, out);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_FALSE(std::signbit(out[0]));
    EXPECT_EQ(out[1], -1.0f);
    EXPECT_EQ(out[2], 0.0f);
    EXPECT_FALSE(std::signbit(out[2]));

    const float up[3] = {0, 1, 0};
    toRendererAxes(up, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_TRUE(std::signbit(out[1]));

    float inPlace[3] = {3, 4, 5};
    toRendererAxes(inPlace, inPlace);
    EXPECT_EQ(inPlace[0], 4.0f);
    EXPECT_EQ(inPlace[1], -3.0f);
    EXPECT_EQ(inPlace[2], 5.0f);
}

TEST(Camera, FieldOfViewIsScaledInSinglePrecision) {
    EXPECT_EQ(rendererFieldOfView(0.0f), 0.0f);
    EXPECT_FALSE(std::signbit(rendererFieldOfView(0.0f)));
    EXPECT_EQ(rendererFieldOfView(1.0f), 1.24f);
    EXPECT_EQ(rendererFieldOfView(0.8f), 0.99200004f);
    const SimpleCamera c = toSimpleCamera(workedExample());
    const float expected[10] = {20, -10, 1.6f, 30, -10, 1.6f, 0, -0.0f, 1, 0.99200004f};
    EXPECT_EQ(std::memcmp(&c, expected, sizeof expected), 0);
}

TEST(Camera, BlockWrittenAsTheHostWritesItReadsBack) {
    EXPECT_EQ(scene::cameraBlockText(workedExample()),
              u"Camera_Start\n"
              u"Camera_Version [1]\n"
              u"Camera_nType [1]\n"
              u"Camera__fov [0.8]\n"
              u"Camera_Name [Front]\n"
              u"Camera__from [10 20 1.6]\n"
              u"Camera__to [10 30 1.6]\n"
              u"Camera__up [0 0 1]\n"
              u"Camera__fNerClipp [0.1]\n"
              u"Camera_Name_ID [{7A}]\n"
              u"Camera_End\n");
    EXPECT_EQ(scene::hostFileBytes(u"a\nb\u00e9\u0100\n"), "a\r\nb\xE9?\r\n");

    CameraRecord read;
    parseCameraBlock(scene::cameraBlockText(workedExample()), read);
    expectSame(read, workedExample());

    CameraRecord odd = workedExample();
    odd.eye[0] = -1.0e-7f;
    odd.up[1] = -0.0f;
    odd.fieldOfView = 3.4e38f;
    odd.name = u"Name_ID [x]";
    odd.nameId = u"";
    CameraRecord back;
    parseCameraBlock(scene::cameraBlockText(odd), back);
    expectSame(back, odd);
    EXPECT_TRUE(std::signbit(back.up[1]));
}

TEST(Camera, KeysInAnyOrderAndOnlyInsideTheMarkers) {
    CameraRecord r;
    parseCameraBlock(u"Camera_nType [9]\n"               // before the block: ignored
                     u"Camera_Start\n"
                     u"Camera_Name_ID [id]\n"
                     u"Camera__up [0 0 1]\n"
                     u"Camera_Name [Top]\n"
                     u"Camera__from [1 2]\n"             // z keeps its default
                     u"Camera__fov [abc]\n"              // keeps its default
                     u"Camera__to[4 5 6]\n"              // no blank before "[": not a key line
                     u"Camera_Version [3]\n"
                     u"Camera__fNerClipp [0.25]\n"
                     u"Camera_End\n"
                     u"Camera_nType [5]\n",
                     r);
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.nameId, u"id");
    EXPECT_EQ(r.name, u"Top");
    EXPECT_EQ(r.up[2], 1.0f);
    EXPECT_EQ(r.eye[0], 1.0f);
    EXPECT_EQ(r.eye[1], 2.0f);
    EXPECT_EQ(r.eye[2], 0.0f);
    EXPECT_EQ(r.fieldOfView, 0.0f);
    EXPECT_EQ(r.target[0], 0.0f);
    EXPECT_EQ(r.nearClip, 0.25f);

    // A second block overwrites what it names; the rest of the first survives.
    CameraRecord two;
    parseCameraBlock(u"Camera_Start\nCamera_nType [2]\nCamera__fov [0.5]\nCamera_End\n"
                     u"Camera_Start\nCamera_nType [5]\nCamera_End\n",
                     two);
    EXPECT_EQ(two.type, 5);
    EXPECT_EQ(two.fieldOfView, 0.5f);

    // Without the start marker nothing is read.
    CameraRecord none;
    parseCameraBlock(u"Camera_nType [2]\n Camera_Start\nCamera__fov [0.5]\n", none);
    EXPECT_EQ(none.type, 0);
    EXPECT_EQ(none.fieldOfView, 0.0f);
}

TEST_F(CameraSync, WorkedExampleSendsTheNearClipAroundTheCamera) {
    sendCamera(exchange.session, workedExample());
    EXPECT_EQ(recorder.lines, kWorkedExampleLines);
}

TEST_F(CameraSync, ReadsCameraCamFromTheDataFolder) {
    // No file: nothing at all.
    syncCamera(exchange);
    EXPECT_TRUE(recorder.lines.empty());

    // The host's CR LF file reads the same as the block it was made from.
    data.write("camera.cam", scene::hostFileBytes(scene::cameraBlockText(workedExample())));
    syncCamera(exchange);
    EXPECT_EQ(recorder.lines, kWorkedExampleLines);

    // Every sync starts from the defaults: an empty file sends all zeros.
    recorder.clear();
    data.write("camera.cam", "");
    syncCamera(exchange);
    EXPECT_EQ(recorder.lines, kDefaultLines);

    // Two blocks in one file: the later values win, the others survive.
    recorder.clear();
    data.write("camera.cam", "Camera_Start\r\nCamera__fNerClipp [0.1]\r\nCamera__fov [1]\r\nCamera_End\r\n"
                               "Camera_Start\r\nCamera__fov [0]\r\nCamera_End\r\n");
    syncCamera(exchange);
    EXPECT_EQ(recorder.lines, op::currentCamera({0, m0, 0, 0, m0, 0, 0, m0, 0, 0}, 0.1f));
}
