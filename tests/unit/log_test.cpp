// The log: line formats with UTC time stamps and CR LF ends, the once-per-process and
// per-writer rotation past 100000 bytes, and rotations or writes that cannot be done.
#include "core/log.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

using namespace orvex;
namespace fs = std::filesystem;

namespace {

const std::regex kLine8(R"(\[(\d{4})\. (\d{2})\. (\d{2}) - (\d{2}):(\d{2}):(\d{2})\]: ([^\r\n]*))");
const std::regex kLineW(R"(\[(\d{4})/(\d{2})/(\d{2}) (\d{2}):(\d{2}):(\d{2})\]: ([^\r\n]*))");

// Seconds since 1970 of a UTC calendar time, without the C library's time zone.
int64_t utcSeconds(int y, int mo, int d, int h, int mi, int s) {
    y -= mo <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + h * 3600 + mi * 60 + s;
}

// The log split at CR LF; a line feed without its carriage return fails the test.
std::vector<std::string> splitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "log does not end in CR LF: " << bytes.substr(start);
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        EXPECT_EQ(lines.back().find('\n'), std::string::npos);
        start = end + 2;
    }
    return lines;
}

struct Log : ::testing::Test {
    test::ScratchDataFolder data;
    test::TempFolder& temp = data.temp;
    std::string logPath;
    std::string oldPath;
    std::string savedTz;
    bool hadTz = false;

    Log() {
        // A zone far from UTC, so that a local time stamp would show.
        if (const char* tz = std::getenv("TZ")) {
            hadTz = true;
            savedTz = tz;
        }
        setenv("TZ", "ORV+05:30", 1);
        tzset();
        logPath = temp.file("Quorvel/Planomat2027_OrvexPlugin/DataOrvex_Log.log");
        oldPath = logPath + "Old";
    }
    ~Log() override {
        if (hadTz) setenv("TZ", savedTz.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

    std::string log() const { return test::readFileBytes(logPath); }

    // Checks one line of either writer: format, a time stamp between the two instants
    // given, and the text.
    void expectLine(const std::string& line, const std::regex& format, int64_t before,
                    int64_t after, const std::string& text) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, format)) << line;
        const int64_t at = utcSeconds(std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]),
                                      std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[6]));
        EXPECT_GE(at, before) << line;
        EXPECT_LE(at, after) << line;
        EXPECT_EQ(m[7].str(), text);
    }
};

int64_t now() { return static_cast<int64_t>(std::time(nullptr)); }

} // namespace

TEST_F(Log, LandsBesideTheDataFolder) {
    EXPECT_EQ(logFilePath(), temp.path16() + u"\\Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log");
    writeLog("Init Start");
    EXPECT_TRUE(fs::exists(logPath));
    EXPECT_TRUE(fs::is_empty(data.path));
}

TEST_F(Log, BothWritersUseTheirUtcStampAndCrLf) {
    const int64_t before = now();
    writeLog("Args - ");
    writeLogW(u"cameraSync");
    writeLog("Init Start");
    const int64_t after = now();

    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 3u);
    expectLine(lines[0], kLine8, before, after, "Args - ");
    expectLine(lines[1], kLineW, before, after, "cameraSync");
    expectLine(lines[2], kLine8, before, after, "Init Start");
}

TEST_F(Log, EightBitTextIsWrittenAsItStands) {
    const std::string text = "100% %s %d \xE9\x7F\x01 \\n";
    writeLog(text);
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 1u);
    expectLine(lines[0], kLine8, 0, now(), text);
}

TEST_F(Log, LineFeedsInsideTheTextAreStoredAsCrLf) {
    // As a text-mode stream stores them; a carriage return of the text is kept as it is.
    writeLog("two\nlines");
    writeLogW(u"wide\nword\r\n");
    const std::string bytes = log();
    const std::regex whole(R"(\[[^\]]+\]: two\r\nlines\r\n\[[^\]]+\]: wide\r\nword\r\r\n\r\n)");
    EXPECT_TRUE(std::regex_match(bytes, whole)) << bytes;
}

TEST_F(Log, WideUnitsAbove255BecomeQuestionMarks) {
    // Latin-1 units keep their byte; each unit above, surrogates included, is one '?'.
    writeLogW(u"Caf\u00E9 \u00FF\u0100 \u4E2D\U0001F600 %s");
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 1u);
    expectLine(lines[0], kLineW, 0, now(), "Caf\xE9 \xFF? ??? %s");
}

TEST_F(Log, ExactlyAtTheLimitIsNotRotated) {
    test::writeFileBytes(logPath, std::string(100000, 'x'));
    writeLog("next");
    const std::string bytes = log();
    ASSERT_EQ(bytes.substr(0, 100000), std::string(100000, 'x'));
    expectLine(bytes.substr(100000, bytes.size() - 100002), kLine8, 0, now(), "next");
    EXPECT_FALSE(fs::exists(oldPath));
}

TEST_F(Log, OneByteOverTheLimitIsRotatedAndTheLineStartsANewLog) {
    test::writeFileBytes(logPath, std::string(100001, 'x'));
    writeLog("next");
    EXPECT_EQ(test::readFileBytes(oldPath), std::string(100001, 'x'));
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 1u);
    expectLine(lines[0], kLine8, 0, now(), "next");
}

TEST_F(Log, WideWriterRotatesToo) {
    test::writeFileBytes(logPath, std::string(100001, 'w'));
    writeLogW(u"viewsSync");
    EXPECT_EQ(test::readFileBytes(oldPath), std::string(100001, 'w'));
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 1u);
    expectLine(lines[0], kLineW, 0, now(), "viewsSync");
}

TEST_F(Log, RotationReplacesAnExistingPreviousLog) {
    test::writeFileBytes(oldPath, "an older log\r\n");
    test::writeFileBytes(logPath, std::string(150000, 'x'));
    writeLog("next");
    EXPECT_EQ(test::readFileBytes(oldPath), std::string(150000, 'x'));
    EXPECT_EQ(splitLines(log()).size(), 1u);
}

TEST_F(Log, RotationReplacesAnEmptyFolderAtThePreviousLogPath) {
    fs::create_directory(oldPath);
    test::writeFileBytes(logPath, std::string(100001, 'x'));
    writeLog("next");
    EXPECT_TRUE(fs::is_regular_file(oldPath));
    EXPECT_EQ(test::readFileBytes(oldPath), std::string(100001, 'x'));
    EXPECT_EQ(splitLines(log()).size(), 1u);
}

TEST_F(Log, SecondWriterFindsTheSmallLogAfterTheFirstRotated) {
    test::writeFileBytes(logPath, std::string(100001, 'x'));
    writeLog("Args - ");
    writeLogW(u"ModelSync");
    EXPECT_EQ(test::readFileBytes(oldPath), std::string(100001, 'x'));
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 2u);
    expectLine(lines[0], kLine8, 0, now(), "Args - ");
    expectLine(lines[1], kLineW, 0, now(), "ModelSync");
}

TEST_F(Log, EachWriterChecksOncePerProcess) {
    writeLog("first");
    test::writeFileBytes(logPath, std::string(100001, 'x'));

    // The 8-bit writer has checked already: the log grows past the limit.
    writeLog("second");
    EXPECT_FALSE(fs::exists(oldPath));
    EXPECT_GT(fs::file_size(logPath), 100001u);

    // The wide writer's first check still comes, and rotates.
    writeLogW(u"third");
    const std::string rotated = test::readFileBytes(oldPath);
    EXPECT_EQ(rotated.substr(0, 100001), std::string(100001, 'x'));
    ASSERT_EQ(splitLines(log()).size(), 1u);

    // A log grown past the limit again waits for the next process.
    test::writeFileBytes(logPath, std::string(200000, 'y'));
    writeLog("fourth");
    writeLogW(u"fifth");
    EXPECT_EQ(test::readFileBytes(oldPath), rotated);

    resetLogRotation(); // a new process
    writeLog("sixth");
    const std::string previous = test::readFileBytes(oldPath);
    ASSERT_EQ(previous.substr(0, 200000), std::string(200000, 'y'));
    const auto grown = splitLines(previous.substr(200000));
    ASSERT_EQ(grown.size(), 2u);
    expectLine(grown[0], kLine8, 0, now(), "fourth");
    expectLine(grown[1], kLineW, 0, now(), "fifth");
    const auto lines = splitLines(log());
    ASSERT_EQ(lines.size(), 1u);
    expectLine(lines[0], kLine8, 0, now(), "sixth");
}

TEST_F(Log, BlockedRotationKeepsTheLineInTheOldLog) {
    // A previous-log path that cannot be removed: the log stays where it is and grows.
    fs::create_directory(oldPath);
    test::writeFileBytes(oldPath + "/keep", "kept");
    test::writeFileBytes(logPath, std::string(100001, 'x'));
    writeLog("next");
    writeLogW(u"wide");

    EXPECT_TRUE(fs::is_directory(oldPath));
    EXPECT_EQ(test::readFileBytes(oldPath + "/keep"), "kept");
    const std::string bytes = log();
    ASSERT_EQ(bytes.substr(0, 100001), std::string(100001, 'x'));
    const auto lines = splitLines(bytes.substr(100001));
    ASSERT_EQ(lines.size(), 2u);
    expectLine(lines[0], kLine8, 0, now(), "next");
    expectLine(lines[1], kLineW, 0, now(), "wide");
}

TEST_F(Log, LogThatCannotBeOpenedDropsTheLine) {
    // A folder where the log should be: it can be neither measured sensibly nor appended to.
    fs::create_directory(logPath);
    test::writeFileBytes(logPath + "/inside", "inside");
    writeLog("lost");
    writeLogW(u"lost too");
    EXPECT_TRUE(fs::is_directory(logPath));
    EXPECT_EQ(test::readFileBytes(logPath + "/inside"), "inside");
    EXPECT_FALSE(fs::exists(oldPath));
}

TEST_F(Log, MissingDataFolderWritesNothingThere) {
    // The parent of "Data" is missing too: the line is dropped, no folder is made.
    fs::remove_all(temp.file("Quorvel"));
    writeLog("lost");
    EXPECT_FALSE(fs::exists(temp.file("Quorvel")));
}

TEST(LogWithoutDataFolder, UsesTheBareNameInTheCurrentFolder) {
    test::TempFolder temp;
    test::FakePlatform fake;
    const fs::path saved = fs::current_path();
    fs::current_path(temp.path());
    writeLog("here");
    fs::current_path(saved);
    const std::string bytes = test::readFileBytes(temp.file("Orvex_Log.log"));
    EXPECT_TRUE(std::regex_match(bytes, std::regex(R"(\[[^\]]+\]: here\r\n)"))) << bytes;
}
