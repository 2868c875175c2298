// Crashes: a fault inside the renderer's library, a stack overflow and an abort each leave
// one minidump beside the log and one log line naming it, and end the program. The host's
// files stay as they were, no more than five dumps are kept, and the next start works.
#include "minidump_summary.h"
#include "scenario.h"

#include <map>
#include <regex>

namespace orvex::scenario {
namespace {

using namespace hostsim;

const writer::PartContent kTriangle = [] {
    writer::PartContent p;
    p.label = u"Wall";
    p.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    p.indices = {0, 1, 2};
    return p;
}();

std::string escaped(const std::string& text) { return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); }

class CrashScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        writer::SolidContent solid;
        solid.id = 1;
        solid.timestamp = 100;
        solid.parts = {kTriangle};
        writer::ModelBlockContent model;
        model.solids = std::vector<writer::SolidContent>{solid};
        writeModel(model);
    }

    // Starts the program with one renderer operation made to crash in the given way.
    void startWithFault(const std::wstring& operation, const std::wstring& kind = L"") {
        options_.variables = {{L"ORVEX_FAULT_IN", operation}};
        if (!kind.empty()) options_.variables.push_back({L"ORVEX_FAULT_KIND", kind});
        start();
    }
    // Wine's dbghelp takes its time over a dump (ten to thirty seconds here), so the wait is
    // longer than the program's own for its dump.
    void expectExitCode(DWORD expected) {
        const auto code = host_.waitForExit(150000);
        ASSERT_TRUE(code.has_value()) << "the program did not end";
        EXPECT_EQ(*code, expected);
    }

    // The dumps beside the log, oldest first.
    std::vector<std::string> dumps() const {
        std::vector<std::string> names;
        for (const std::string& name : filesUnder(pluginFolder()))
            if (name.starts_with("OrvexExchange_")) names.push_back(name);
        return names;
    }
    minidump::Summary dump(const std::string& name) const {
        const auto bytes = readFile(pluginFolder() + L"\\" + fromUtf8(name));
        return minidump::summarize(bytes.value_or(""));
    }
    std::map<std::string, std::string> dataFiles() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : filesUnder(dataFolder_)) files[name] = readFile(dataFile(fromUtf8(name))).value_or("?");
        return files;
    }
    std::wstring pluginFolder() const { return appData_ + L"\\Quorvel\\Planomat2027_OrvexPlugin"; }
    // A dump of this version of the program, and the number of the crash in its second.
    static inline const std::regex kDumpName{"OrvexExchange_\\d{8}-\\d{6}_" + escaped(ORVEX_VERSION) + "(_[2-9])?\\.dmp"};
};

TEST_F(CrashScenario, RendererFaultLeavesADumpNamingItAndALogLineThenTheNextStartWorks) {
    // Six dumps of earlier crashes, and a file of another program that only looks alike.
    const std::vector<std::string> earlier = {
        "OrvexExchange_20240102-030405_0.9.0.dmp", "OrvexExchange_20240102-030405_0.9.0_2.dmp",
        "OrvexExchange_20250101-000000_0.9.0.dmp", "OrvexExchange_20250612-101010_1.0.0.dmp",
        "OrvexExchange_20250612-101011_1.0.0.dmp", "OrvexExchange_20251231-235959_1.0.0.dmp"};
    for (const std::string& name : earlier) ASSERT_TRUE(writeFile(pluginFolder() + L"\\" + fromUtf8(name), "old"));
    ASSERT_TRUE(writeFile(pluginFolder() + L"\\Host_20200101.dmp", "theirs"));
    writeContainer(L"_mod.sm", writer::ContainerWriter()
                                   .addChangeDirectory(kProject, {{{u"Solid", {1}}}, std::nullopt})
                                   .addModelBlock(kProject, {}));

    startWithFault(L"DeleteNode");
    saveStateAndWait();
    const auto hostFiles = dataFiles();
    ASSERT_TRUE(host_.post(1027)); // deleting solid 1 crashes the renderer
    expectExitCode(EXCEPTION_ACCESS_VIOLATION);

    EXPECT_EQ(dataFiles(), hostFiles);
    // The two oldest dumps made room for the new one; nothing else was written anywhere.
    const std::vector<std::string> kept = dumps();
    ASSERT_EQ(kept.size(), 5u);
    const std::string fresh = kept.back();
    EXPECT_TRUE(std::regex_match(fresh, kDumpName)) << fresh;
    EXPECT_EQ(std::vector<std::string>(kept.begin(), kept.end() - 1),
              std::vector<std::string>(earlier.begin() + 2, earlier.end()));
    std::vector<std::string> everything = {"Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log",
                                           "Quorvel\\Planomat2027_OrvexPlugin\\Host_20200101.dmp"};
    for (const std::string& name : kept) everything.push_back("Quorvel\\Planomat2027_OrvexPlugin\\" + name);
    for (const auto& [name, bytes] : hostFiles) everything.push_back("Quorvel\\Planomat2027_OrvexPlugin\\Data\\" + name);
    std::sort(everything.begin(), everything.end());
    EXPECT_EQ(filesUnder(appData_), everything);

    // The dump: the crashing thread's exception, at an address inside the renderer's library.
    const minidump::Summary summary = dump(fresh);
    EXPECT_TRUE(summary.signature);
    EXPECT_EQ(summary.exceptionCode, EXCEPTION_ACCESS_VIOLATION);
    const minidump::Module* faulting = minidump::moduleAt(summary, summary.exceptionAddress);
    ASSERT_NE(faulting, nullptr) << "no module holds the fault's address";
    EXPECT_EQ(faulting->name, "OrvexApi.dll");
    EXPECT_FALSE(summary.fullMemory);

    // The log line gives the same place and names the dump.
    const Lines lines = log();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Lines(lines.begin(), lines.end() - 1),
              (Lines{"A: Init Start", "A: Sync Model state 0", "A: Sync Model state 1 _ Start"}));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines.back(), m, std::regex(R"(A: Crash 0xC0000005 \(access violation\) in OrvexApi\.dll\+0x([0-9A-F]+), dump (.*))")))
        << lines.back();
    EXPECT_EQ(std::stoull(m[1].str(), nullptr, 16), summary.exceptionAddress - faulting->base);
    EXPECT_EQ(m[2].str(), fresh);

    // A new start carries on as usual, and leaves the dumps alone.
    options_.variables.clear();
    start();
    saveStateAndWait();
    closeHostAndExpectCleanExit();
    EXPECT_EQ(dumps(), kept);
    const Lines after = log();
    EXPECT_EQ(Lines(after.begin() + std::min<size_t>(4, after.size()), after.end()),
              (Lines{"A: Init Start", "A: Sync Model state 0"}));
    const Lines node = {op::beginNode(u"Solid_1"), op::mesh(u"Wall", 9, 3, kTriangle.positions, false, false, kTriangle.indices),
                        op::endNode(), op::flush()};
    const Lines started = joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), node});
    EXPECT_EQ(journal(), joined({started, started, {op::destroy()}}));
}

TEST_F(CrashScenario, StackOverflowAndAbortTakeTheSameWay) {
    struct Kind {
        std::wstring name;
        DWORD code;
        DWORD exitCode;
        std::string line;
    };
    const Kind kinds[] = {
        {L"stack-overflow", EXCEPTION_STACK_OVERFLOW, EXCEPTION_STACK_OVERFLOW,
         R"(A: Crash 0xC00000FD \(stack overflow\) in OrvexApi\.dll\+0x[0-9A-F]+, dump (.*))"},
        {L"abort", 0x40000015, 3, R"(A: Crash 0x40000015 \(abort\), dump (.*))"}};
    Lines expectedLog;
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(toUtf8(kind.name));
        const size_t before = dumps().size();
        startWithFault(L"BeginNode", kind.name);
        expectExitCode(kind.exitCode);
        const std::vector<std::string> now = dumps();
        ASSERT_EQ(now.size(), before + 1);
        const minidump::Summary summary = dump(now.back());
        EXPECT_TRUE(summary.signature);
        EXPECT_EQ(summary.exceptionCode, kind.code);
            const Lines lines = log();
        ASSERT_EQ(lines.size(), expectedLog.size() + 2);
        EXPECT_EQ(lines[lines.size() - 2], "A: Init Start");
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines.back(), m, std::regex(kind.line))) << lines.back();
        EXPECT_EQ(m[1].str(), now.back());
        expectedLog = lines;
    }
}

} // namespace
} // namespace orvex::scenario
