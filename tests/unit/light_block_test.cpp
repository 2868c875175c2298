// The light block: keys, kind words, enable flag, renderer axes, and the host-form writer.
#include "lights/light_block.h"
#include "model/model_exchange.h"
#include "scene-writer/light_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace orvex;

namespace {

LightRecord parsed(const std::u16string& text) {
    LightRecord record;
    parseLightBlock(record, text);
    return record;
}

// Exact comparison that tells -0 from 0.
void expectTriple(const float actual[3], float x, float y, float z) {
    const float expected[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "component " << i;
        EXPECT_EQ(std::signbit(actual[i]), std::signbit(expected[i])) << "sign of component " << i;
    }
}

} // namespace

TEST(LightBlock, EmptyTextGivesEnabledPointWithAxesConvertedOnce) {
    const LightRecord r = parsed(u"");
    EXPECT_EQ(r.Kind, LightKind::Point);
    EXPECT_TRUE(r.Enabled);
    expectTriple(r.From, 0, -0.0f, 0);
    expectTriple(r.To, 0, -0.0f, 0);
    expectTriple(r.Color, 0, 0, 0);
    EXPECT_EQ(r.LightSolidID, 0);
    EXPECT_EQ(r.LightName, u"");

    // Values the caller left in the record are converted too, and only once.
    LightRecord preset;
    preset.From[0] = 1, preset.From[1] = 2, preset.From[2] = 3;
    parseLightBlock(preset, u"Ver 2\n");
    expectTriple(preset.From, 2, -1, 3);
}

TEST(LightBlock, PositionAndAnglesAreStoredInRendererAxesColourAsRead) {
    const LightRecord r = parsed(u"From [1 2 3]\nTo [0.5 0 1.2]\nColor [0.1 0.2 0.3]");
    expectTriple(r.From, 2, -1, 3);
    expectTriple(r.To, 0, -0.5f, 1.2f);
    expectTriple(r.Color, 0.1f, 0.2f, 0.3f);
}

TEST(LightBlock, KindWordsAreWholeAndCaseSensitive) {
    EXPECT_EQ(parsed(u"LightSource [spot]").Kind, LightKind::Spot);
    EXPECT_EQ(parsed(u"LightSource [spot").Kind, LightKind::Spot);
    EXPECT_EQ(parsed(u"LightSource [Spot]").Kind, LightKind::Point);
    EXPECT_EQ(parsed(u"LightSource [spot]]").Kind, LightKind::Point);
    EXPECT_EQ(parsed(u"LightSource [spot ]").Kind, LightKind::Point);
    EXPECT_EQ(parsed(u"LightSource [IES]").Kind, LightKind::Ies);
    EXPECT_EQ(parsed(u"LightSource [ies]").Kind, LightKind::Point);
    EXPECT_EQ(static_cast<int32_t>(parsed(u"LightSource [eInvalidLightParentSolidID]").Kind), -88888888);
    EXPECT_EQ(static_cast<int32_t>(parsed(u"LightSource [Uninitialized]").Kind), -1);
    // The last kind line wins.
    EXPECT_EQ(parsed(u"LightSource [IES]\nLightSource [Area]").Kind, LightKind::Area);

    const std::vector<std::pair<std::u16string, LightKind>> table = {
        {u"point", LightKind::Point},       {u"spot", LightKind::Spot},
        {u"IES", LightKind::Ies},           {u"Area", LightKind::Area},
        {u"Line", LightKind::Line},         {u"Led", LightKind::Led},
        {u"Emissive", LightKind::Emissive}, {u"Camera", LightKind::Camera},
        {u"Uninitialized", LightKind::Uninitialized},
        {u"eInvalidLightParentSolidID", LightKind::InvalidParentSolid},
        {u"", LightKind::Point},            {u"LED", LightKind::Point},
        {u"spotlight", LightKind::Point},
    };
    for (const auto& [word, kind] : table)
        EXPECT_EQ(lightKindFromWord(word), kind) << std::string(word.begin(), word.end());
}

TEST(LightBlock, EnableValueStartsAtOneAndOnlyZeroDisables) {
    EXPECT_FALSE(parsed(u"LightEnable: [0]").Enabled);
    EXPECT_TRUE(parsed(u"LightEnable: [7]").Enabled);
    EXPECT_TRUE(parsed(u"LightEnable: [-1]").Enabled);
    EXPECT_TRUE(parsed(u"LightEnable: [abc]").Enabled);
    EXPECT_TRUE(parsed(u"LightEnable [0]").Enabled); // the key carries its colon
    EXPECT_TRUE(parsed(u"LightEnable: [0]\nLightEnable: [1]").Enabled);
    // Each block starts enabled, whatever the record held before.
    LightRecord r;
    r.Enabled = false;
    parseLightBlock(r, u"");
    EXPECT_TRUE(r.Enabled);
}

TEST(LightBlock, KeysMatchOnlyAtLineStartWithTheirSeparator) {
    const LightRecord r = parsed(u" From [1 2 3]\n"
                                 u"From[4 5 6]\n"
                                 u"LightTimeStamp [9]\n"
                                 u"LightSourceIDName [Bulb]\n"
                                 u"LightSourceID [4]\n"
                                 u"LightTimeStamp: [5]\n");
    expectTriple(r.From, 0, -0.0f, 0);
    EXPECT_EQ(r.LightSourceIDName, u"Bulb");
    EXPECT_EQ(r.LightSourceID, 4);
    EXPECT_EQ(r.LightTimeStamp, 5);
    EXPECT_EQ(r.Kind, LightKind::Point); // no LightSource line was taken
}

TEST(LightBlock, TextValuesLoseOneClosingBracket) {
    EXPECT_EQ(parsed(u"LightName [Hall]").LightName, u"Hall");
    EXPECT_EQ(parsed(u"LightName [a]b]").LightName, u"a]b");
    EXPECT_EQ(parsed(u"LightName [x]]").LightName, u"x]");
    EXPECT_EQ(parsed(u"LightName []").LightName, u"");
    EXPECT_EQ(parsed(u"LightName [ Hall ]").LightName, u" Hall ");
    EXPECT_EQ(parsed(u"strIESF_FilePath [lamps\\spot1.ies]").strIESF_FilePath, u"lamps\\spot1.ies");
}

TEST(LightBlock, LastLineWinsAndMalformedNumbersKeepTheirFields) {
    const LightRecord r = parsed(u"LightSolidID [5]\nLightSolidID [-7]\n"
                                 u"Intensity [120]\nIntensity [abc]\n"
                                 u"Color [0.5 0.25 1]\nColor [0.75 x 0]\n"
                                 u"Coneangle [30]\nLightTemperature [6500]\n");
    EXPECT_EQ(r.LightSolidID, -7);
    EXPECT_EQ(r.Intensity, 120.0f);
    expectTriple(r.Color, 0.75f, 0.25f, 1);
    EXPECT_EQ(r.Coneangle, 30.0f);
    EXPECT_EQ(r.LightTemperature, 6500.0f);
}

TEST(LightBlock, WriterProducesTheHostLinesAndRoundTrips) {
    LightRecord host;
    host.Kind = LightKind::Spot;
    host.From[0] = 120.5f, host.From[1] = -30, host.From[2] = 250;
    host.To[0] = 0.25f, host.To[1] = -1.5f, host.To[2] = 0;
    host.Color[0] = 1, host.Color[1] = 0.5f, host.Color[2] = 0;
    host.Coneangle = 45;
    host.Intensity = 800;
    host.LightTimeStamp = 5;
    host.LightName = u"Ceiling lamp";
    host.LightSourceID = 3;
    host.LightSolidID = 42;
    host.LightSourceIDName = u"Spot_3";

    const std::u16string text = scene::lightBlockText(host);
    EXPECT_EQ(text, u"Ver 1\n"
                    u"LightFlags [0]\n"
                    u"LightSource [spot]\n"
                    u"LightSourceIDName [Spot_3]\n"
                    u"From [120.5 -30 250]\n"
                    u"To [0.25 -1.5 0]\n"
                    u"Color [1 0.5 0]\n"
                    u"Coneangle [45]\n"
                    u"Conedeltaangle [0]\n"
                    u"Intensity [800]\n"
                    u"fLedIntensitiUnit [0]\n"
                    u"LightTimeStamp: [5]\n"
                    u"LightName [Ceiling lamp]\n"
                    u"strIESF_FilePath []\n"
                    u"LightTemperature [0]\n"
                    u"LightEnable: [1]\n"
                    u"LightSourceID [3]\n"
                    u"LightSolidID [42]\n");

    const LightRecord r = parsed(text);
    EXPECT_EQ(r.Kind, LightKind::Spot);
    EXPECT_TRUE(r.Enabled);
    expectTriple(r.From, -30, -120.5f, 250);
    expectTriple(r.To, -1.5f, -0.25f, 0);
    expectTriple(r.Color, 1, 0.5f, 0);
    EXPECT_EQ(r.Coneangle, 45.0f);
    EXPECT_EQ(r.Intensity, 800.0f);
    EXPECT_EQ(r.LightTimeStamp, 5);
    EXPECT_EQ(r.LightName, u"Ceiling lamp");
    EXPECT_EQ(r.LightSourceIDName, u"Spot_3");
    EXPECT_EQ(r.LightSourceID, 3);
    EXPECT_EQ(r.LightSolidID, 42);

    host.Enabled = false;
    host.Kind = LightKind::InvalidParentSolid;
    const LightRecord off = parsed(scene::lightBlockText(host));
    EXPECT_FALSE(off.Enabled);
    EXPECT_EQ(off.Kind, LightKind::InvalidParentSolid);
}

TEST(LightBlock, WriterNumbersArePlainAndReadBackExactly) {
    EXPECT_EQ(scene::hostFloat(-0.0f), u"-0");
    EXPECT_EQ(scene::hostFloat(0.0001f), u"0.0001");
    EXPECT_EQ(scene::hostFloat(1e10f), u"10000000000");
    EXPECT_EQ(scene::hostFloat(0.1f), u"0.1");
    LightRecord host;
    host.From[0] = 1e-7f, host.From[1] = 3.4e38f, host.From[2] = 0.1f;
    const LightRecord r = parsed(scene::lightBlockText(host));
    expectTriple(r.From, 3.4e38f, -1e-7f, 0.1f);
}

TEST(LightBlock, LightTableKeyPutsNegativeIdsLast) {
    decltype(ModelExchange::lightTable) table;
    for (int32_t id : {5, -7, 0, 42, -1}) {
        LightRecord r;
        r.LightSolidID = id;
        table[static_cast<uint32_t>(id)] = r;
    }
    std::vector<int32_t> order;
    for (const auto& [key, record] : table) order.push_back(record.LightSolidID);
    EXPECT_EQ(order, (std::vector<int32_t>{0, 5, 42, -7, -1}));
}
