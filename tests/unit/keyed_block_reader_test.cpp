// The keyed text reader: lines, markers, key lines, numbers by scanf rules, text values,
// nested objects, and whole files read as one unit per byte.
#include "core/keyed_block_reader.h"

#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

using namespace orvex;

namespace {

std::vector<std::u16string> allLines(std::u16string_view text) {
    KeyedBlockReader reader(text, u"Camera");
    std::vector<std::u16string> out;
    std::u16string_view line;
    while (reader.nextLine(line)) out.emplace_back(line);
    return out;
}

// The lines of a camera block that reach the key tests.
std::vector<std::u16string> acceptedLines(std::u16string_view text, std::u16string_view name) {
    KeyedBlockReader reader(text, name);
    std::vector<std::u16string> out;
    std::u16string_view line;
    while (reader.nextLine(line))
        if (reader.acceptLine(line)) out.emplace_back(line);
    return out;
}

int32_t readInt(std::u16string_view line, int32_t start = 77) {
    KeyedBlockReader reader(u"", u"Camera");
    int32_t value = start;
    reader.readInts(line, u"nType", Separator::Bracket, &value, 1);
    return value;
}

struct Three {
    float v[3] = {7, 8, 9};
};

Three readThree(std::u16string_view line) {
    KeyedBlockReader reader(u"", u"Camera");
    Three t;
    reader.readFloats(line, u"_from", Separator::Bracket, t.v, 3);
    return t;
}

} // namespace

TEST(KeyedBlockReader, LinesAreCutAtLineFeedsWithNothingTrimmed) {
    EXPECT_EQ(allLines(u""), std::vector<std::u16string>{});
    EXPECT_EQ(allLines(u"a"), std::vector<std::u16string>{u"a"});
    EXPECT_EQ(allLines(u"a\n"), std::vector<std::u16string>{u"a"});
    EXPECT_EQ(allLines(u"\n"), std::vector<std::u16string>{u""});
    EXPECT_EQ(allLines(u" a\r\n\n\tb "),
              (std::vector<std::u16string>{u" a\r", u"", u"\tb "}));
    // A feed at every place in runs of four units, among units that share a byte with a feed
    // or lie next to it; none of those cuts a line.
    const std::u16string nearFeeds = u"\u0A00\u010A\u0A0A\u000B\u0009\u800A\u0A01";
    EXPECT_EQ(allLines(nearFeeds + nearFeeds), std::vector<std::u16string>{nearFeeds + nearFeeds});
    for (size_t at = 0; at <= 2 * nearFeeds.size(); ++at) {
        std::u16string text = nearFeeds + nearFeeds;
        text.insert(at, 1, u'\n');
        std::vector<std::u16string> expected{text.substr(0, at)};
        if (at < 2 * nearFeeds.size()) expected.push_back(text.substr(at + 1));
        EXPECT_EQ(allLines(text), expected) << "feed at " << at;
    }
}

TEST(KeyedBlockReader, MarkersMustMatchTheWholeLine) {
    EXPECT_EQ(acceptedLines(u"Camera_Start\nCamera_nType [2]\nCamera_End\nCamera_nType [5]", u"Camera"),
              std::vector<std::u16string>{u"Camera_nType [2]"});
    // A later start marker enters the block again.
    EXPECT_EQ(acceptedLines(u"Camera_Start\na\nCamera_End\nb\nCamera_Start\nc", u"Camera"),
              (std::vector<std::u16string>{u"a", u"c"}));
    // Lines before the start marker, and near-markers, are outside.
    EXPECT_EQ(acceptedLines(u"x\n Camera_Start\nCamera_Start \nCamera_Start\r\ncamera_start\ny", u"Camera"),
              std::vector<std::u16string>{});
    EXPECT_EQ(acceptedLines(u"Camera_Start\nCamera_End \nz", u"Camera"),
              (std::vector<std::u16string>{u"Camera_End ", u"z"}));
    // Without a block name every line counts, marker-like or not.
    EXPECT_EQ(acceptedLines(u"Camera_Start\n_End\nDiffuse 1 1 1", u""),
              (std::vector<std::u16string>{u"Camera_Start", u"_End", u"Diffuse 1 1 1"}));
    KeyedBlockReader reader(u"", u"Camera");
    EXPECT_TRUE(reader.isStartMarker(u"Camera_Start"));
    EXPECT_FALSE(reader.isStartMarker(u"Camera_Star"));
    EXPECT_TRUE(reader.isEndMarker(u"Camera_End"));
    EXPECT_FALSE(reader.isEndMarker(u"Cameras_End"));
}

TEST(KeyedBlockReader, KeyLineNeedsTheWholeTestPrefixAtTheStart) {
    KeyedBlockReader camera(u"", u"Camera");
    EXPECT_TRUE(camera.isKeyLine(u"Camera_Name [x]", u"Name", Separator::Bracket));
    EXPECT_TRUE(camera.isKeyLine(u"Camera_Name [", u"Name", Separator::Bracket));
    EXPECT_FALSE(camera.isKeyLine(u"Camera_Name_ID [x]", u"Name", Separator::Bracket));
    EXPECT_TRUE(camera.isKeyLine(u"Camera_Name_ID [x]", u"Name_ID", Separator::Bracket));
    EXPECT_TRUE(camera.isKeyLine(u"Camera__fov [1]", u"_fov", Separator::Bracket));
    EXPECT_FALSE(camera.isKeyLine(u"Camera__from[1 2 3]", u"_from", Separator::Bracket));
    EXPECT_FALSE(camera.isKeyLine(u" Camera__from [1]", u"_from", Separator::Bracket));
    EXPECT_FALSE(camera.isKeyLine(u"Camera_Name ", u"Name", Separator::Bracket));
    EXPECT_FALSE(camera.isKeyLine(u"camera_Name [x]", u"Name", Separator::Bracket));
    KeyedBlockReader bare(u"", u"");
    EXPECT_TRUE(bare.isKeyLine(u"TypeNat 3", u"TypeNat", Separator::Blank));
    EXPECT_FALSE(bare.isKeyLine(u"TypeNat\t3", u"TypeNat", Separator::Blank));
    EXPECT_FALSE(bare.isKeyLine(u"TypeNatural 3", u"TypeNat", Separator::Blank));
    EXPECT_EQ(bare.blockPrefix(), u"");
    EXPECT_EQ(camera.blockPrefix(), u"Camera_");
}

TEST(KeyedBlockReader, IntegersFollowScanfRules) {
    EXPECT_EQ(readInt(u"Camera_nType [1]"), 1);
    EXPECT_EQ(readInt(u"Camera_nType [-12]"), -12);
    EXPECT_EQ(readInt(u"Camera_nType [+12"), 12);
    EXPECT_EQ(readInt(u"Camera_nType [ \t 5 ]"), 5);
    EXPECT_EQ(readInt(u"Camera_nType   [5]"), 5);   // the blank matches any run
    EXPECT_EQ(readInt(u"Camera_nType[5]"), 5);      // ... including none
    EXPECT_EQ(readInt(u"Camera_nType [3.9]"), 3);   // what follows is not looked at
    EXPECT_EQ(readInt(u"Camera_nType [7x"), 7);
    EXPECT_EQ(readInt(u"Camera_nType [x7]"), 77);
    EXPECT_EQ(readInt(u"Camera_nType []"), 77);
    EXPECT_EQ(readInt(u"Camera_nType ["), 77);
    EXPECT_EQ(readInt(u"Camera_nType [-]"), 77);
    EXPECT_EQ(readInt(u"Camera_nType 5"), 77);      // "[" must be there
    EXPECT_EQ(readInt(u"Camera_nTyp [5]"), 77);
    EXPECT_EQ(readInt(u"Camera_nType [\u0665]"), 77); // only ASCII digits
    // Out of range values are clamped.
    EXPECT_EQ(readInt(u"Camera_nType [2147483647]"), INT32_MAX);
    EXPECT_EQ(readInt(u"Camera_nType [2147483648]"), INT32_MAX);
    EXPECT_EQ(readInt(u"Camera_nType [99999999999999999999999]"), INT32_MAX);
    EXPECT_EQ(readInt(u"Camera_nType [-2147483648]"), INT32_MIN);
    EXPECT_EQ(readInt(u"Camera_nType [-2147483649]"), INT32_MIN);
    EXPECT_EQ(readInt(u"Camera_nType [-000000000000000000000000042]"), -42);

    KeyedBlockReader bare(u"", u"");
    int32_t v[2] = {0, 0};
    bare.readInts(u"Ver 3 4", u"Ver", Separator::Blank, v, 2);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[1], 4);
    bare.readInts(u"Ver9", u"Ver", Separator::Blank, v, 1);
    EXPECT_EQ(v[0], 9);
}

TEST(KeyedBlockReader, FloatsStopAtTheFirstUnreadableNumber) {
    auto t = readThree(u"Camera__from [120.5 -30 160]");
    EXPECT_EQ(t.v[0], 120.5f);
    EXPECT_EQ(t.v[1], -30.0f);
    EXPECT_EQ(t.v[2], 160.0f);
    t = readThree(u"Camera__from [1 2]");
    EXPECT_EQ(t.v[0], 1.0f);
    EXPECT_EQ(t.v[1], 2.0f);
    EXPECT_EQ(t.v[2], 9.0f);
    t = readThree(u"Camera__from [1 x 3]");
    EXPECT_EQ(t.v[0], 1.0f);
    EXPECT_EQ(t.v[1], 8.0f);
    EXPECT_EQ(t.v[2], 9.0f);
    t = readThree(u"Camera__from [abc]");
    EXPECT_EQ(t.v[0], 7.0f);
    t = readThree(u"Camera__from [1e3 .5 -2.5E-1]");
    EXPECT_EQ(t.v[0], 1000.0f);
    EXPECT_EQ(t.v[1], 0.5f);
    EXPECT_EQ(t.v[2], -0.25f);
    // Neighbours glued on: strtof takes the longest float it can.
    t = readThree(u"Camera__from [1.5]2 3");
    EXPECT_EQ(t.v[0], 1.5f);
    EXPECT_EQ(t.v[1], 8.0f);
    t = readThree(u"Camera__from [1e 2,5 3]");
    EXPECT_EQ(t.v[0], 1.0f);
    EXPECT_EQ(t.v[1], 8.0f); // "e" stops the reading
    t = readThree(u"Camera__from [1-2 3]");
    EXPECT_EQ(t.v[0], 1.0f);
    EXPECT_EQ(t.v[1], -2.0f);
    EXPECT_EQ(t.v[2], 3.0f);
    t = readThree(u"Camera__from [-0 0.1 3.4028236e38]");
    EXPECT_TRUE(std::signbit(t.v[0]));
    EXPECT_EQ(t.v[1], 0.1f);
    EXPECT_TRUE(std::isinf(t.v[2]));
    t = readThree(u"Camera__from [1\u00e92 3]"); // a non-ASCII unit ends the number
    EXPECT_EQ(t.v[0], 1.0f);
    EXPECT_EQ(t.v[1], 8.0f);
    t = readThree(u"Camera__from[4 5 6]"); // the blank of the pattern also matches nothing
    EXPECT_EQ(t.v[0], 4.0f);
    EXPECT_EQ(t.v[2], 6.0f);

    KeyedBlockReader bare(u"", u"");
    float d[3] = {0, 0, 0};
    bare.readFloats(u"Diffuse 0.8\t0.7   0.6 extra", u"Diffuse", Separator::Blank, d, 3);
    EXPECT_EQ(d[0], 0.8f);
    EXPECT_EQ(d[1], 0.7f);
    EXPECT_EQ(d[2], 0.6f);
}

TEST(KeyedBlockReader, TextValueLosesOnlyAFinalBracket) {
    KeyedBlockReader reader(u"", u"Camera");
    EXPECT_EQ(reader.readText(u"Camera_Name [Front view]", u"Name"), u"Front view");
    EXPECT_EQ(reader.readText(u"Camera_Name [Front view] ", u"Name"), u"Front view] ");
    EXPECT_EQ(reader.readText(u"Camera_Name []", u"Name"), u"");
    EXPECT_EQ(reader.readText(u"Camera_Name [", u"Name"), u"");
    EXPECT_EQ(reader.readText(u"Camera_Name [a]]", u"Name"), u"a]");
    EXPECT_EQ(reader.readText(u"Camera_Name [ a b\r", u"Name"), u" a b\r");
    EXPECT_EQ(reader.readText(u"Camera_Name [\u00e9t\u00e9]", u"Name"), u"\u00e9t\u00e9");
    EXPECT_EQ(reader.readText(u"Camera_Name_ID [x]", u"Name"), u"");
}

TEST(KeyedBlockReader, ObjectsNestAndAnUnclosedOneIsDropped) {
    std::u16string text =
        u"Cameras_Camera_ObjectSTART\n"
        u"a\n"
        u"Cameras_Camera_ObjectSTART\n"
        u"b\n"
        u"Cameras_Camera_ObjectEND\n"
        u"Cameras_End\n"
        u"Cameras_Camera_ObjectEND x\n"
        u"after\n";
    KeyedBlockReader reader(text, u"Cameras");
    std::u16string_view line;
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_TRUE(reader.isKeyLine(line, u"Camera", Separator::ObjectStart));
    auto object = reader.collectObject(u"Camera");
    ASSERT_TRUE(object.has_value());
    EXPECT_EQ(*object,
              u"a\nCameras_Camera_ObjectSTART\nb\nCameras_Camera_ObjectEND\nCameras_End\n");
    ASSERT_TRUE(reader.nextLine(line));
    EXPECT_EQ(line, u"after");
    EXPECT_FALSE(reader.nextLine(line));

    KeyedBlockReader empty(u"Cameras_Camera_ObjectSTART\nCameras_Camera_ObjectEND", u"Cameras");
    ASSERT_TRUE(empty.nextLine(line));
    EXPECT_EQ(empty.collectObject(u"Camera"), std::u16string());

    KeyedBlockReader open(u"Cameras_Camera_ObjectSTART\nCamera_Start\nCameras_Camera_ObjectSTART\n"
                          u"Cameras_Camera_ObjectEND\n",
                          u"Cameras");
    ASSERT_TRUE(open.nextLine(line));
    EXPECT_EQ(open.collectObject(u"Camera"), std::nullopt);
    EXPECT_FALSE(open.nextLine(line));

    KeyedBlockReader material(u"MatExt_ObjectSTART \nExtendMaterial_Start\nMatExt_ObjectEND", u"");
    ASSERT_TRUE(material.nextLine(line));
    EXPECT_TRUE(material.isKeyLine(line, u"MatExt", Separator::ObjectStart));
    EXPECT_FALSE(material.isKeyLine(u"Cameras_Camera_ObjectSTART", u"MatExt", Separator::ObjectStart));
    EXPECT_EQ(material.collectObject(u"MatExt"), std::u16string(u"ExtendMaterial_Start\n"));
}

TEST(ReadTextFile, EachByteIsOneUnitAndCrLfBecomesLf) {
    test::TempFolder folder;
    const std::string path = folder.file("camera.cam");
    test::writeFileBytes(path, std::string("\xE9\x0D\x0A", 3));
    std::u16string text = u"stale";
    ASSERT_TRUE(readTextFile(folder.path16() + u"/camera.cam", text));
    EXPECT_EQ(text, std::u16string(u"\u00e9\n"));

    // A lone CR stays, also as the last byte; CR CR LF keeps the first CR; zero bytes and
    // 0xFF pass through as units of the same value.
    test::writeFileBytes(path, std::string("a\rb\r\r\n\x00\xFF\n\r", 11));
    ASSERT_TRUE(readTextFile(folder.path16() + u"/camera.cam", text));
    EXPECT_EQ(text, std::u16string(u"a\rb\r\n\0\u00ff\n\r", 10));

    test::writeFileBytes(path, "");
    text = u"stale";
    EXPECT_TRUE(readTextFile(folder.path16() + u"/camera.cam", text));
    EXPECT_EQ(text, u"");
}

TEST(ReadTextFile, CrLfPairsSplitAcrossReadChunksAreJoined) {
    test::TempFolder folder;
    // A CR as the last byte of every power-of-two sized block a reader might fill, with
    // its LF as the first byte of the next.
    std::string bytes;
    std::u16string expected;
    while (bytes.size() < 140000) {
        const size_t next = bytes.size() + 1;
        if (next >= 4096 && (next & (next - 1)) == 0) {
            bytes += "\r\n";
            expected += u'\n';
        } else {
            bytes += char('a' + bytes.size() % 26);
            expected += char16_t(u'a' + (bytes.size() - 1) % 26);
        }
    }
    test::writeFileBytes(folder.file("big.cam"), bytes);
    std::u16string text;
    ASSERT_TRUE(readTextFile(folder.path16() + u"/big.cam", text));
    EXPECT_EQ(text, expected);
}

TEST(ReadTextFile, UnreadablePathsReportNotOpened) {
    test::TempFolder folder;
    std::u16string text = u"stale";
    EXPECT_FALSE(readTextFile(folder.path16() + u"/missing.cam", text));
    EXPECT_EQ(text, u"");
    text = u"stale";
    EXPECT_FALSE(readTextFile(folder.path16(), text)); // a folder is not a text file
    EXPECT_EQ(text, u"");
}
