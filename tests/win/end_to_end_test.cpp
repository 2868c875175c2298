// End-to-end scenarios: OrvexExchange.exe driven by the host simulator, with the stand-in
// renderer journaling every call. Each scenario checks the journal, the log, the message
// boxes and the exit code.
#include "scenario.h"
#include "support/scene_content.h"

#include <string>
#include <vector>

namespace orvex {
namespace {

using namespace hostsim;
using namespace test; // the journal-line and scene builders

const Lines kStartLines = op::startSession(u"House", u"C:\\Work\\House.orvexa");
// A session opened and flushed, then closed.
const Lines kGoodRun = joined({kStartLines, {op::flush(), op::destroy()}});

const std::wstring kFileCaption = L"Error: Orvex Render application!";
const std::wstring kMissingRendererCaption = L"Error: missing Orvex Render application!";
const std::wstring kMissingRendererText =
    L"Missing the Orvex render. Install it and start the command.\n\nhttps://www.orvex-render.example/download";

class EndToEnd : public scenario::ScenarioTest {
protected:
    // The data folder's "_model.alm" with an empty model block as entry 0.
    void writeEmptyModel() { writeModel(writer::ModelBlockContent{}); }

    void expectBox(const std::wstring& caption, const std::wstring& text) {
        const auto box = host_.answerMessageBox();
        ASSERT_TRUE(box.has_value()) << "no message box";
        EXPECT_EQ(toUtf8(box->caption), toUtf8(caption));
        EXPECT_EQ(toUtf8(box->text), toUtf8(text));
    }
};

TEST_F(EndToEnd, GoodStartSendsEntryZeroAndEndsWhenTheHostWindowCloses) {
    writeEmptyModel();
    start();
    saveStateAndWait(); // the loop runs and has found the host window
    closeHostAndExpectCleanExit();
    EXPECT_EQ(journal(), kGoodRun);
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0"}));
    EXPECT_TRUE(fileExists(dataFile(L"_mod.sync")));
}

TEST_F(EndToEnd, MissingDataFolderIsReportedWithoutAnyRendererCall) {
    // The log lies beside the data folder, so its parent stays; the data folder goes.
    ASSERT_TRUE(RemoveDirectoryW(dataFolder_.c_str()));
    start();
    expectBox(kFileCaption, L"File not found.");
    expectCleanExit();
    EXPECT_FALSE(journalExists());
    EXPECT_EQ(log(), Lines{"A: File not found."});
}

TEST_F(EndToEnd, MissingModelFileIsCreatedWithAFreshHeaderAndReported) {
    start();
    expectBox(kFileCaption, L"File format error.");
    expectCleanExit();
    EXPECT_FALSE(journalExists());
    EXPECT_EQ(log(), Lines{"A: File format error."});
    const auto written = readFile(dataFile(L"_model.alm"));
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->size(), 208644u);
    EXPECT_TRUE(*written == writer::ContainerWriter().bytes()) << "not an empty header";
}

TEST_F(EndToEnd, RendererThatFailsToStartGivesTheMissingRendererBox) {
    writeEmptyModel();
    options_.variables = {{L"ORVEX_FAIL_START", L"7"}};
    start();
    expectBox(kMissingRendererCaption, kMissingRendererText);
    expectCleanExit();
    EXPECT_EQ(journal(), Lines{kStartLines[0]});
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Connection Error: 7"}));
}

TEST_F(EndToEnd, RefusedSessionIsReportedWithItsCode) {
    writeEmptyModel();
    options_.variables = {{L"ORVEX_FAIL_SESSION", L"-3"}};
    start();
    expectBox(kFileCaption, L"Create Session Error: -3");
    expectCleanExit();
    // No session handle: nothing to destroy at the end.
    EXPECT_EQ(journal(), (Lines{kStartLines[0], kStartLines[1]}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Create Session Error: -3"}));
}

TEST_F(EndToEnd, MissingRendererLibraryGivesTheMissingRendererBox) {
    writeEmptyModel();
    const std::wstring alone = scratch_ / L"alone";
    ASSERT_TRUE(makeFolders(alone));
    ASSERT_TRUE(CopyFileW(options_.program.c_str(), (alone + L"\\OrvexExchange.exe").c_str(), FALSE));
    options_.program = alone + L"\\OrvexExchange.exe";
    // Nor on its search path: no stand-in, and no PATH, where an installed renderer could lie.
    options_.rendererFolder.clear();
    options_.variables = {{L"PATH", L""}};
    start();
    expectBox(kMissingRendererCaption, kMissingRendererText);
    expectCleanExit();
    EXPECT_FALSE(journalExists());
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Connection Error: -1"}));
}

TEST_F(EndToEnd, RendererLibraryWithoutOneOperationIsNeverCalled) {
    // A copy of the stand-in whose export "ORVEXAPI_SendSimpleSceneViews" is renamed in place
    // (to a name that keeps the export table sorted), as a renderer of another version
    // might lack an operation.
    writeEmptyModel();
    const std::wstring folder = scratch_ / L"partial";
    ASSERT_TRUE(makeFolders(folder));
    auto library = readFile(standinFolder() + L"\\OrvexApi.dll");
    ASSERT_TRUE(library.has_value());
    const std::string name("ORVEXAPI_SendSimpleSceneViews\0", 30);
    size_t renamed = 0;
    for (size_t at = library->find(name); at != std::string::npos; at = library->find(name, at + 1)) {
        (*library)[at + name.size() - 2] = 'Z';
        ++renamed;
    }
    ASSERT_GT(renamed, 0u);
    ASSERT_TRUE(writeFile(folder + L"\\OrvexApi.dll", *library));
    ASSERT_TRUE(CopyFileW(options_.program.c_str(), (folder + L"\\OrvexExchange.exe").c_str(), FALSE));
    options_.program = folder + L"\\OrvexExchange.exe";
    start();
    expectBox(kMissingRendererCaption, kMissingRendererText);
    expectCleanExit();
    EXPECT_FALSE(journalExists());
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Connection Error: -1"}));
}

TEST_F(EndToEnd, RenderStatusZeroEndsTheProgramWhileTheHostStays) {
    writeEmptyModel();
    options_.variables = {{L"ORVEX_STATUS_ZERO_AFTER", L"1"}};
    start();
    expectCleanExit();
    EXPECT_TRUE(IsWindow(host_.hostWindow()));
    EXPECT_EQ(journal(), kGoodRun);
}

TEST_F(EndToEnd, ExitCommandEndsTheProgramAndOtherCommandsDoNot) {
    writeEmptyModel();
    start();
    host_.post(WM_COMMAND, 104, 0);
    saveStateAndWait(); // still running after 104
    host_.post(WM_COMMAND, 105, 0);
    expectCleanExit(); // the host window is still open: only the command ended it
    EXPECT_TRUE(IsWindow(host_.hostWindow()));
    EXPECT_EQ(journal(), kGoodRun);
}

TEST_F(EndToEnd, CloseMessageEndsTheProgram) {
    writeEmptyModel();
    start();
    saveStateAndWait();
    host_.post(WM_CLOSE);
    expectCleanExit();
    EXPECT_EQ(journal(), kGoodRun);
}

TEST_F(EndToEnd, ModelSyncWordRunsTheStateSaveAsTheFirstRequest) {
    writeEmptyModel();
    start(L"ModelSync");
    expectStateSavedAnswer();
    closeHostAndExpectCleanExit();
    EXPECT_EQ(log(), (Lines{"A: Args - ", "W: ModelSync", "A: Init Start", "A: Sync Model state 0"}));
    EXPECT_EQ(journal(), kGoodRun);
}

TEST_F(EndToEnd, SecondInstanceForwardsItsRequestToTheRunningOne) {
    writeEmptyModel();
    start();
    ASSERT_NE(host_.waitForProgramWindow(), nullptr);
    const auto second = host_.runInstance(options_, L"ModelSync");
    ASSERT_TRUE(second.has_value()) << "the second instance did not end";
    EXPECT_EQ(*second, 0u);
    expectStateSavedAnswer();
    EXPECT_TRUE(host_.programRunning());
    closeHostAndExpectCleanExit();
    // The second instance logs its word and touches nothing else; the running one answers.
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Args - ", "W: ModelSync", "A: Sync Model state 0"}));
    EXPECT_EQ(journal(), kGoodRun);
}

TEST_F(EndToEnd, NextStartAfterTheEndIsAFirstInstanceAgain) {
    writeEmptyModel();
    start();
    host_.post(WM_COMMAND, 105, 0);
    expectCleanExit();
    start(L"ModelSync");
    expectStateSavedAnswer(); // a second instance would have forwarded to no one
    host_.post(WM_COMMAND, 105, 0);
    expectCleanExit();
    EXPECT_EQ(journal(), joined({kGoodRun, kGoodRun}));
}

// Only the operation names of journal lines.
Lines operations(const Lines& lines) {
    Lines ops;
    for (const std::string& line : lines) ops.push_back(journalField(line, "op"));
    return ops;
}

// The host's round of a change: 1026 asks for the sync state, the host writes "_mod.sm"
// with the change directory and the changed model, then 1027 (logged) or 1028 (quiet).
TEST_F(EndToEnd, ChangeRoundDeletesListedSolidsAndLogsOnlyTheLoudRequest) {
    writeModel(solidsBlock({solid(7, 1234, {part(u"Wall", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2})})}));

    start();
    saveStateAndWait();
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [C:\\Work\\House.plan]\r\nID3D: [7] TimeStamp: [1234]\r\n"));

    writer::ContainerWriter change;
    change.addChangeDirectory(u"C:\\Work\\House.plan", writer::ChangeDirectoryContent{{{u"Solid", {7, 99}}}, {}});
    change.addModelBlock(u"C:\\Work\\House.plan", writer::ModelBlockContent{});
    writeContainer(L"_mod.sm", change);
    host_.post(1027);
    host_.post(1028); // solid 7 is gone by now: nothing left to delete
    saveStateAndWait(); // both synchronisations have run
    closeHostAndExpectCleanExit();

    const Lines lines = journal();
    EXPECT_EQ(operations(lines),
              (Lines{"StartOrvexRender", "CreateSession", "SetSceneSetting", "SetModelFilePath",
                                        "SaveToFiles", "BeginNode", "AddIndexedTriangle", "EndNode", "FlushData",
                                        "DeleteNode", "FlushData", "FlushData", "FlushData", "FlushData",
                                        "DestroySession"}));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(journalField(lines[5], "name"), "Solid_7");
    EXPECT_EQ(lines[9], R"({"op":"DeleteNode","h":24149,"name":"Solid_7"})");
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0", "A: Sync Model state 1 _ Start",
                                               "A: Sync Model state 1 _ End", "A: Sync Model state 0"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")), std::string("SourceProject: [C:\\Work\\House.plan]\r\n"));
}

} // namespace
} // namespace orvex
