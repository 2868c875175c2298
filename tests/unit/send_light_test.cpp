// Lights to the renderer: which lights are sent, their names, transforms and exact calls.
#include "core/data_folder.h"
#include "lights/light_block.h"
#include "lights/send_light.h"
#include "scene-writer/light_text.h"
#include "support/fake_platform.h"
#include "support/journal_lines.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace orvex;
using namespace orvex::test;

namespace {

constexpr float kPi = 3.14159265358979f;

struct LightSending : ::testing::Test {
    test::Recorder recorder;
    test::FakePlatform fakePlatform;
    RendererSession session{&recorder.api(), kSessionHandle};
    SendContext context() const { return makeSendContext(session, false, nullptr); }
};

LightRecord lightOf(LightKind kind, int32_t id = 1) {
    LightRecord r;
    r.Kind = kind;
    r.LightSolidID = id;
    return r;
}

// A row-vector rotation about one axis, in double precision.
using Matrix3 = std::array<std::array<double, 3>, 3>;
Matrix3 multiply(const Matrix3& a, const Matrix3& b) {
    Matrix3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) m[i][j] += a[i][k] * b[k][j];
    return m;
}

} // namespace

TEST_F(LightSending, DisabledLightsAndUnsentKindsMakeNoCall) {
    LightRecord spot = lightOf(LightKind::Spot);
    spot.Enabled = false;
    sendLight(context(), spot);
    for (LightKind kind : {LightKind::Area, LightKind::Line, LightKind::Led, LightKind::Emissive,
                           LightKind::Camera, LightKind::Uninitialized, LightKind::InvalidParentSolid})
        sendLight(context(), lightOf(kind));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
}

TEST_F(LightSending, NameIsLightAndTheSignedId) {
    EXPECT_EQ(lightNodeName(lightOf(LightKind::Point, 0)), u"Light0");
    EXPECT_EQ(lightNodeName(lightOf(LightKind::Point, 42)), u"Light42");
    EXPECT_EQ(lightNodeName(lightOf(LightKind::Point, -7)), u"Light-7");
    EXPECT_EQ(lightNodeName(lightOf(LightKind::Point, std::numeric_limits<int32_t>::min())),
              u"Light-2147483648");

    sendLight(context(), lightOf(LightKind::Point, 0));
    ASSERT_EQ(recorder.linesOf("SetLightStringProperty").size(), 4u);
    EXPECT_EQ(recorder.linesOf("SetLightStringProperty")[2], LightCalls(u"Light0", 1, u"", 0).str(u"path", u"Lights/Light0"));
}

TEST_F(LightSending, SpotLightCallsInOrder) {
    LightRecord host;
    host.Kind = LightKind::Spot;
    host.From[0] = 120.5f, host.From[1] = -30, host.From[2] = 250;
    host.Color[0] = 1, host.Color[1] = 0.5f, host.Color[2] = 0.25f;
    host.Coneangle = 45;
    host.Conedeltaangle = 5;
    host.Intensity = 800;
    host.LightName = u"Desk \"A\"";
    host.LightSolidID = -12;
    LightRecord r;
    parseLightBlock(r, scene::lightBlockText(host));
    sendLight(context(), r);

    // To (0, 0, 0) in host axes is (0, -0, 0) here; the zeros of the rotation keep the signs
    // that single-precision arithmetic gives them.
    const float m0 = -0.0f;
    const Lines expected = LightCalls(u"Light-12", 1, u"Desk \"A\"", 800)
                               .colour({255, 127.5f, 63.75f})
                               .transform({1, 0, 0, 0, 0, 1, m0, 0, m0, 0, 1, 0, -30, -120.5f, 250, 1})
                               .cone(45);
    EXPECT_EQ(recorder.lines, expected);
}

TEST_F(LightSending, IesLightCallsInOrder) {
    fakePlatform.setAppData(u"C:\\Users\\Ann\\AppData\\Roaming");
    LightRecord r = lightOf(LightKind::Ies, 3);
    r.From[0] = 1, r.From[1] = 2, r.From[2] = 3;
    r.LightTemperature = 6500;
    r.Color[0] = 1; // a temperature replaces the colour
    r.Intensity = 1500.5f;
    r.strIESF_FilePath = u"spot1.ies";
    sendLight(context(), r);

    const float m0 = -0.0f;
    const Lines expected =
        LightCalls(u"Light3", 1, u"", 1500.5f)
            .temperature(6500)
            .transform({1, 0, 0, 0, m0, 1, 0, 0, m0, m0, 1, 0, 1, 2, 3, 1})
            .profile(u"C:\\Users\\Ann\\AppData\\Roaming\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\IES\\spot1.ies");
    EXPECT_EQ(recorder.lines, expected);
}

TEST_F(LightSending, IesPathIsJoinedWithoutNormalising) {
    fakePlatform.registry[u"SOFTWARE\\Tervanic\\Planomat2027_OrvexPlugin|TempPath"] = u"D:\\Data\\";
    ASSERT_EQ(getDataFolder(), u"D:\\Data\\");
    LightRecord r = lightOf(LightKind::Ies);
    r.strIESF_FilePath = u"..\\a b.ies";
    sendLight(context(), r);
    r.strIESF_FilePath.clear();
    sendLight(context(), r);

    std::vector<std::string> templates;
    for (const std::string& line : recorder.linesOf("SetLightStringProperty"))
        if (line.find(R"("property":"light_template")") != std::string::npos) templates.push_back(line);
    ASSERT_EQ(templates.size(), 2u);
    EXPECT_NE(templates[0].find(R"("value":"D:\\Data\\\\IES\\..\\a b.ies"})"), std::string::npos)
        << templates[0];
    EXPECT_NE(templates[1].find(R"("value":"D:\\Data\\\\IES\\"})"), std::string::npos) << templates[1];
}

TEST_F(LightSending, TemperatureAboveZeroReplacesTheColour) {
    LightRecord r = lightOf(LightKind::Point);
    r.Color[0] = 1, r.Color[1] = 0.5f, r.Color[2] = 0;
    for (float temperature : {6500.0f, 0.0f, -10.0f, std::numeric_limits<float>::quiet_NaN()}) {
        recorder.clear();
        r.LightTemperature = temperature;
        sendLight(context(), r);
        const auto colours = recorder.linesOf("SetLightFloatArrayProperty");
        const auto scalars = recorder.linesOf("SetLightFloatProperty");
        if (temperature > 0) {
            ASSERT_EQ(scalars.size(), 2u);
            EXPECT_EQ(scalars[1], LightCalls(u"Light1", 1, u"", 0).num(u"light_temperature", 6500));
            EXPECT_EQ(colours.size(), 1u); // the transform only
        } else {
            EXPECT_EQ(scalars.size(), 1u) << temperature; // the brightness only
            ASSERT_EQ(colours.size(), 2u) << temperature;
            EXPECT_EQ(colours[0], LightCalls(u"Light1", 1, u"", 0).array(u"light_color", {255, 127.5f, 0}));
        }
    }
}

TEST_F(LightSending, PointLightHasIdentityRotationAndNoKindProperty) {
    LightRecord r = lightOf(LightKind::Point);
    r.From[0] = 2, r.From[1] = -1, r.From[2] = 3;
    r.To[0] = 1, r.To[1] = 2, r.To[2] = 3; // ignored for a point light
    r.Coneangle = 30;
    r.strIESF_FilePath = u"x.ies";
    sendLight(context(), r);
    EXPECT_EQ(recorder.ops(),
              (std::vector<std::string>{"AddLight", "SetLightStringProperty", "SetLightStringProperty",
                                        "SetLightStringProperty", "SetLightIntProperty",
                                        "SetLightStringProperty", "SetLightIntProperty",
                                        "SetLightFloatProperty", "SetLightFloatArrayProperty",
                                        "SetLightFloatArrayProperty", "SendLights"}));
    EXPECT_NE(recorder.lines[4].find(R"("property":"type","value":0})"), std::string::npos);
    EXPECT_NE(recorder.lines[9].find(R"("values":[1,0,0,0,0,1,0,0,0,0,1,0,2,-1,3,1]})"), std::string::npos)
        << recorder.lines[9];
}

TEST(LightTransform, QuarterTurnOfRollSwapsTheFirstTwoAxes) {
    const float to[3] = {0, 0, kPi / 2};
    const float from[3] = {4, 5, 6};
    const std::array<float, 16> m = lightTransform(to, from);
    const float expected[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 4, 5, 6, 1};
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6f) << "element " << i;
}

TEST(LightTransform, IsRollThenPitchThenYawForRowVectors) {
    const float to[3] = {0.7f, -0.4f, 1.9f}; // yaw = -0.7
    const float from[3] = {0, 0, 0};
    const std::array<float, 16> m = lightTransform(to, from);

    const double y = -0.7, p = -0.4, r = 1.9;
    const Matrix3 roll = {{{std::cos(r), std::sin(r), 0}, {-std::sin(r), std::cos(r), 0}, {0, 0, 1}}};
    const Matrix3 pitch = {{{1, 0, 0}, {0, std::cos(p), std::sin(p)}, {0, -std::sin(p), std::cos(p)}}};
    const Matrix3 yaw = {{{std::cos(y), 0, -std::sin(y)}, {0, 1, 0}, {std::sin(y), 0, std::cos(y)}}};
    const Matrix3 expected = multiply(multiply(roll, pitch), yaw);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(m[i * 4 + j], expected[i][j], 1e-6) << "row " << i << " column " << j;
        EXPECT_EQ(m[i * 4 + 3], 0.0f);
    }
    EXPECT_EQ(m[15], 1.0f);
}
