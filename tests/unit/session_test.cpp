// Start-up synchronisation against the journaling renderer: the exact calls of a good
// start, every failure's log line and message box, and the session's teardown.
#include "app/session.h"
#include "model/model_exchange.h"
#include "scene-writer/container_writer.h"
#include "support/exchange_fixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <regex>

using namespace orvex;
using namespace orvex::test;
namespace fs = std::filesystem;

namespace {

const Lines kGoodStart = joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), {op::flush()}});
const std::string kStart = kGoodStart[0];
const std::string kCreate = kGoodStart[1];

const std::string kMissingCaption = "Error: missing Orvex Render application!";
const std::string kMissingText = "Missing the Orvex render. Install it and start the command.\n\n";
const std::string kErrorCaption = "Error: Orvex Render application!";

struct Startup : ::testing::Test {
    test::ScratchDataFolder data;
    test::Recorder recorder;
    std::unique_ptr<ModelExchange> ex = std::make_unique<ModelExchange>(recorder.api());
    const std::string modelPath = data.file("_model.alm");
    const std::string logPath = data.temp.file("Quorvel/Planomat2027_OrvexPlugin/DataOrvex_Log.log");

    void writeModel(const writer::ContainerWriter& w) { ASSERT_TRUE(w.writeFile(modelPath)); }
    void writeHouse(const writer::ModelBlockContent& contents = {}) {
        writer::ContainerWriter w;
        w.addModelBlock(u"C:\\Work\\House.plan", contents);
        writeModel(w);
    }

    // The texts of the log's lines, each line checked for the 8-bit writer's format.
    std::vector<std::string> logTexts() const {
        static const std::regex line(R"(\[\d{4}\. \d{2}\. \d{2} - \d{2}:\d{2}:\d{2}\]: ([^\r\n]*)\r\n)");
        std::vector<std::string> texts;
        const std::string bytes = test::readFileBytes(logPath);
        std::ptrdiff_t next = 0;
        for (std::sregex_iterator it(bytes.begin(), bytes.end(), line), end; it != end; ++it) {
            EXPECT_EQ(it->position(), next) << "log has text outside its lines: " << bytes;
            next = it->position() + it->length();
            texts.push_back((*it)[1]);
        }
        EXPECT_EQ(static_cast<size_t>(next), bytes.size()) << "log has text outside its lines: " << bytes;
        return texts;
    }
};

void expectBox(const test::FakePlatform::Box& box, const std::string& caption, const std::string& text,
               bool wide) {
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.wide, wide);
}

void expectMissingRendererBox(const test::FakePlatform::Box& box) {
    EXPECT_EQ(box.caption, kMissingCaption);
    ASSERT_GT(box.text.size(), kMissingText.size()) << "no web address after the text";
    EXPECT_EQ(box.text.substr(0, kMissingText.size()), kMissingText);
    EXPECT_TRUE(box.wide);
}

} // namespace

TEST_F(Startup, GoodStartJournalsTheExactCalls) {
    writeHouse();
    EXPECT_TRUE(startupSync(*ex));
    EXPECT_EQ(recorder.lines,
              kGoodStart);
    EXPECT_TRUE(data.platform.boxes.empty());
    EXPECT_EQ(logTexts(), std::vector<std::string>{"Init Start"});
    EXPECT_EQ(ex->session.handle, 0x5E55u);
    EXPECT_EQ(ex->session.projectName, u"C:\\Work\\House.plan");
    EXPECT_EQ(ex->sourceProject, u"C:\\Work\\House.plan");
    EXPECT_FALSE(ex->container.isOpen());

    ex.reset();
    EXPECT_EQ(recorder.lines.size(), 7u);
    EXPECT_EQ(recorder.lines.back(), op::destroy());
}

TEST_F(Startup, EntryZeroIsSentBetweenTheScenePathsAndTheFlush) {
    writer::ModelBlockContent contents;
    writer::SolidContent solid;
    solid.id = 5;
    contents.solids = std::vector<writer::SolidContent>{solid};
    writeHouse(contents);
    EXPECT_TRUE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"),
                                      {op::beginNode(u"Solid_5"), op::endNode(), op::flush()}}));
    EXPECT_TRUE(ex->solidTable.contains(5));
}

TEST_F(Startup, ProjectWithoutExtensionCutsTheSceneFileAtAFolder) {
    writer::ContainerWriter w;
    w.addModelBlock(u"C:\\Work.old\\House", {});
    writeModel(w);
    EXPECT_TRUE(startupSync(*ex));
    ASSERT_EQ(recorder.lines.size(), 6u);
    EXPECT_EQ(recorder.lines, joined({op::startSession(u"House", u"C:\\Work.orvexa"), {op::flush()}}));
}

TEST_F(Startup, RendererNotStartedIsAConnectionError) {
    writeHouse();
    journal::setBehaviour({.startStatus = 7});
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{kStart});
    EXPECT_EQ(logTexts(), (std::vector<std::string>{"Init Start", "Connection Error: 7"}));
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectMissingRendererBox(data.platform.boxes[0]);
    EXPECT_EQ(ex->session.handle, 0u);
    EXPECT_FALSE(ex->container.isOpen());

    ex.reset();
    EXPECT_EQ(recorder.lines, std::vector<std::string>{kStart});
}

TEST_F(Startup, ConnectionBoxDoesNotShowTheCode) {
    reportError(ErrorSource::CONNECTION, 7);
    reportError(ErrorSource::CONNECTION, -42);
    reportError(ErrorSource::CONNECTION, INT32_MIN);
    ASSERT_EQ(data.platform.boxes.size(), 3u);
    EXPECT_EQ(data.platform.boxes[0].text, data.platform.boxes[1].text);
    EXPECT_EQ(data.platform.boxes[0].text, data.platform.boxes[2].text);
    EXPECT_EQ(logTexts(), (std::vector<std::string>{"Connection Error: 7", "Connection Error: -42",
                                                    "Connection Error: -2147483648"}));
}

TEST_F(Startup, RefusedSessionIsASessionErrorWithoutHandle) {
    writeHouse();
    journal::setBehaviour({.sessionError = -3});
    ex->session.handle = 99; // whatever was there, a refused session leaves none
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{kStart, kCreate}));
    EXPECT_EQ(ex->session.handle, 0u);
    EXPECT_EQ(logTexts(), (std::vector<std::string>{"Init Start", "Create Session Error: -3"}));
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectBox(data.platform.boxes[0], kErrorCaption, "Create Session Error: -3", false);

    ex.reset();
    EXPECT_EQ(recorder.lines.size(), 2u);
}

TEST_F(Startup, MissingDataFolderIsFileNotFoundWithoutRendererCalls) {
    fs::remove(data.path);
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(logTexts(), std::vector<std::string>{"File not found."});
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectBox(data.platform.boxes[0], kErrorCaption, "File not found.", false);
    EXPECT_FALSE(fs::exists(data.path));
}

TEST_F(Startup, MissingModelIsCreatedAndAFormatError) {
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(test::readFileBytes(modelPath), writer::ContainerWriter{}.bytes());
    EXPECT_EQ(logTexts(), std::vector<std::string>{"File format error."});
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectBox(data.platform.boxes[0], kErrorCaption, "File format error.", false);
    EXPECT_FALSE(ex->container.isOpen());
}

TEST_F(Startup, OldVersionIsNotSupported) {
    writer::ContainerWriter w;
    w.version = 6;
    w.addModelBlock(u"C:\\Work\\House.plan", {});
    writeModel(w);
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(logTexts(), std::vector<std::string>{"Version not supported."});
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectBox(data.platform.boxes[0], kErrorCaption, "Version not supported.", false);
    EXPECT_FALSE(ex->container.isOpen());
    EXPECT_EQ(test::readFileBytes(modelPath), w.bytes());
}

TEST_F(Startup, HeaderEndMismatchIsAFormatError) {
    writer::ContainerWriter w;
    w.headerEnd = 208648;
    w.addModelBlock(u"C:\\Work\\House.plan", {});
    writeModel(w);
    EXPECT_FALSE(startupSync(*ex));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(logTexts(), std::vector<std::string>{"File format error."});
    EXPECT_FALSE(ex->container.isOpen());
}

TEST_F(Startup, IncompleteRendererIsAConnectionErrorWithoutCalls) {
    writeHouse();
    RendererApi api = recorder.api();
    api.ORVEXAPI_SendSimpleSceneViews = nullptr;
    {
        ModelExchange partial(api);
        EXPECT_FALSE(startupSync(partial));
        EXPECT_EQ(partial.session.handle, 0u);
    }
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(logTexts(), (std::vector<std::string>{"Init Start", "Connection Error: -1"}));
    ASSERT_EQ(data.platform.boxes.size(), 1u);
    expectMissingRendererBox(data.platform.boxes[0]);
}

namespace {
const RendererApi* boundRenderer = nullptr;
int rendererLoads = 0;
const RendererApi& loadRenderer() {
    ++rendererLoads;
    return *boundRenderer;
}
} // namespace

TEST_F(Startup, RendererIsBoundOnlyOnceTheModelCanBeRead) {
    const RendererApi api = recorder.api();
    boundRenderer = &api;
    rendererLoads = 0;
    {
        ModelExchange lazy(loadRenderer);
        EXPECT_FALSE(startupSync(lazy)); // no model yet
        EXPECT_EQ(rendererLoads, 0);
        writeHouse();
        EXPECT_TRUE(startupSync(lazy));
        EXPECT_EQ(rendererLoads, 1);
        EXPECT_EQ(recorder.lines,
                  kGoodStart);
    }
    EXPECT_EQ(recorder.lines.back(), op::destroy());
}

TEST_F(Startup, FileErrorTexts) {
    const std::vector<std::pair<int32_t, std::string>> cases = {
        {2, "File not found."}, {3, "Version not supported."}, {4, "File format error."},
        {1, ""}, {0, ""}, {5, ""}, {-2, ""}};
    std::vector<std::string> texts;
    for (const auto& [code, text] : cases) {
        reportError(ErrorSource::FILE, code);
        texts.push_back(text);
    }
    EXPECT_EQ(logTexts(), texts);
    ASSERT_EQ(data.platform.boxes.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) expectBox(data.platform.boxes[i], kErrorCaption, cases[i].second, false);
}

TEST_F(Startup, OtherSourcesReportNothing) {
    reportError(static_cast<ErrorSource>(3), 2);
    reportError(static_cast<ErrorSource>(-1), 2);
    EXPECT_TRUE(data.platform.boxes.empty());
    EXPECT_FALSE(fs::exists(logPath));
}

TEST_F(Startup, TeardownDestroysOnlyAnOpenSession) {
    ex.reset();
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});

    {
        ModelExchange open(recorder.api());
        open.session.handle = 77;
    }
    EXPECT_EQ(recorder.lines, Lines{Line("DestroySession").handle(77)});
}
