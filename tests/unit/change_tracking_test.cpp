// Change tracking: the sync-state file written for the host, the change directory with its
// deletions, the project switch and the model synchronisation around them.
#include "allocation_watch.h"
#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "support/fake_platform.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orvex;
using writer::ChangeDirectoryContent;
using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::NamedList;
using writer::SolidContent;

namespace {

constexpr RendererHandle kHandle = 7;
const std::u16string kProject = u"C:\\Projects\\House.pln";

std::string line(const std::string& op) { return R"({"op":")" + op + R"(","h":7})"; }
std::string named(const std::string& op, const std::string& name) {
    return R"({"op":")" + op + R"(","h":7,"name":")" + name + R"("})";
}
std::string beginNode(const std::string& name) {
    return R"({"op":"BeginNode","h":7,"name":")" + name +
           R"(","transform":[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1],"flag":1})";
}
const std::string kFlush = line("FlushData");
const std::string kSendLights = line("SendLights");
const std::string kEndNode = line("EndNode");

SolidContent solid(uint32_t id, uint32_t timestamp = 0) {
    SolidContent contents;
    contents.id = id;
    contents.timestamp = timestamp;
    return contents;
}

ModelBlockContent solidsBlock(std::vector<SolidContent> solids) {
    ModelBlockContent contents;
    contents.solids = std::move(solids);
    return contents;
}

LightRecord light(int32_t id, bool enabled = true) {
    LightRecord record;
    record.Kind = LightKind::Point;
    record.LightSolidID = id;
    record.Enabled = enabled;
    return record;
}

ChangeDirectoryContent directory(std::vector<NamedList> lists, std::optional<uint32_t> wordCount = {}) {
    ChangeDirectoryContent contents;
    contents.lists = std::move(lists);
    contents.wordCount = wordCount;
    return contents;
}

struct ChangeTrackingTest : ::testing::Test {
    test::Recorder recorder;
    test::FakePlatform fakePlatform;
    test::TempFolder temp;
    std::string dataFolder;
    ModelExchange exchange{recorder.api()};

    ChangeTrackingTest() {
        fakePlatform.setAppData(temp.path16());
        dataFolder = temp.file("Quorvel/Planomat2027_OrvexPlugin/Data");
        std::filesystem::create_directories(dataFolder);
        exchange.session.handle = kHandle;
    }
    ~ChangeTrackingTest() override { exchange.session.handle = 0; }

    std::string changePath() const { return dataFolder + "/_mod.sm"; }
    std::string syncStateBytes() const { return test::readFileBytes(dataFolder + "/_mod.sync"); }

    // The start-up send of "_model.alm" entry 0; the journal is cleared afterwards.
    void startUp(const ModelBlockContent& contents, const std::u16string& project = kProject) {
        ASSERT_TRUE(ContainerWriter().addModelBlock(project, contents).writeFile(dataFolder + "/_model.alm"));
        exchange.containerPath = dataFilePath(u"_model.alm");
        loadModelEntry(exchange, 0);
        recorder.clear();
    }
    void writeChanges(const ChangeDirectoryContent& changes, const ModelBlockContent& block,
                      const std::u16string& project = kProject) {
        ContainerWriter container;
        container.addChangeDirectory(project, changes).addModelBlock(project, block);
        ASSERT_TRUE(container.writeFile(changePath()));
    }
    void sync(const ChangeDirectoryContent& changes, const ModelBlockContent& block = {}) {
        writeChanges(changes, block);
        syncModel(exchange);
    }
};

TEST_F(ChangeTrackingTest, SyncStateOfAnEmptySceneIsTheProjectLineAlone) {
    test::writeFileBytes(dataFolder + "/_mod.sync", std::string(500, 'x'));
    writeSyncState(exchange);
    EXPECT_EQ(syncStateBytes(), "SourceProject: []\r\n");
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
}

TEST_F(ChangeTrackingTest, SyncStateListsSolidsByUnsignedIdThenMaterialsByName) {
    startUp(solidsBlock({solid(3, 30), solid(1, 10), solid(0x80000000u, 0xFFFFFFFBu), solid(2, 20)}),
            u"C:\\P\\Caf\u00e9\u4e2d.pln");
    const auto material = [&](const std::u16string& name, int32_t time, int32_t index) {
        MaterialRecord record;
        record.MaterialID_Name = name;
        record.nTimeID = time;
        record._nMatDescIndex = index;
        exchange.materialTable[name] = record;
    };
    material(u"b", 5, 0);
    material(u"\u00e9t\u00e9", -1, 12);
    material(u"B", 7, 3);
    material(u"M\u4e2d", 2147483647, -2);
    writeSyncState(exchange);
    EXPECT_EQ(syncStateBytes(), "SourceProject: [C:\\P\\Caf\xe9?.pln]\r\n"
                                "ID3D: [1] TimeStamp: [10]\r\n"
                                "ID3D: [2] TimeStamp: [20]\r\n"
                                "ID3D: [3] TimeStamp: [30]\r\n"
                                "ID3D: [-2147483648] TimeStamp: [-5]\r\n"
                                "Material: [B] TimeStamp: [7] MatIndex: [3]\r\n"
                                "Material: [M?] TimeStamp: [2147483647] MatIndex: [-2]\r\n"
                                "Material: [b] TimeStamp: [5] MatIndex: [0]\r\n"
                                "Material: [\xe9t\xe9] TimeStamp: [-1] MatIndex: [12]\r\n");
}

TEST_F(ChangeTrackingTest, SyncStateWithoutADataFolderWritesNothing) {
    std::filesystem::remove_all(dataFolder);
    writeSyncState(exchange);
    EXPECT_FALSE(std::filesystem::exists(dataFolder + "/_mod.sync"));
}

TEST_F(ChangeTrackingTest, ListedSolidsThatWereSentAreDeletedAndEveryLightRemoved) {
    ModelBlockContent scene = solidsBlock({solid(9, 90)});
    scene.lights = std::vector<std::u16string>{scene::lightBlockText(light(2, false)),
                                               scene::lightBlockText(light(1))};
    startUp(scene);
    ASSERT_EQ(exchange.lightTable.size(), 2u);

    sync(directory({{u"Solid", {5, 9}}}), solidsBlock({solid(11, 110)}));
    EXPECT_EQ(recorder.lines,
              (std::vector<std::string>{named("DeleteNode", "Solid_9"), kFlush, named("RemoveLight", "Light1"),
                                        kSendLights, named("RemoveLight", "Light2"), kSendLights,
                                        beginNode("Solid_11"), kEndNode, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, (std::vector<uint32_t>{5, 9}));
    EXPECT_EQ(exchange.solidTable.size(), 1u);
    EXPECT_TRUE(exchange.solidTable.contains(11));
    EXPECT_TRUE(exchange.lightTable.empty());
    EXPECT_EQ(exchange.sourceProject, kProject);
}

TEST_F(ChangeTrackingTest, AnotherProjectResetsTheWholeSceneAndSwitchesTheSceneFile) {
    exchange.sourceProject = u"C:\\Projects\\Old.pln";
    exchange.solidTable.record(2, 20);
    exchange.solidTable.record(1, 10);
    MaterialRecord m2, m1;
    m2.MaterialID_Name = u"M2";
    m1.MaterialID_Name = u"M1";
    exchange.materialTable[u"M2"] = m2;
    exchange.materialTable[u"M1"] = m1;
    exchange.lightTable[static_cast<uint32_t>(-3)] = light(-3);
    exchange.lightTable[2] = light(2, false);
    exchange.lightTable[1] = light(1);
    exchange.storedViews.resize(2);
    exchange.storedViews[0].name = u"Front";
    exchange.storedViews[1].name = u"Back";
    exchange.solidDeleteList = {77};

    const std::u16string newProject = u"D:\\Work\\B.v2.pln";
    ContainerWriter container;
    container.addChangeDirectory(newProject, directory({{u"Solid", {1, 2}}, {u"Material", {4}}}))
        .addModelBlock(newProject, solidsBlock({solid(4, 40)}));
    ASSERT_TRUE(container.writeFile(changePath()));
    exchange.containerPath = dataFilePath(u"_mod.sm");

    applyChangeDirectory(exchange);
    const std::vector<std::string> reset = {
        named("DeleteNode", "Solid_1"), named("DeleteNode", "Solid_2"),
        named("ResetMaterial", "M1"), named("ResetMaterial", "M2"),
        named("RemoveLight", "Light1"), kSendLights, named("RemoveLight", "Light-3"), kSendLights,
        line("ClearLights"), kSendLights,
        named("DeleteSceneView", "Front"), line("SendSimpleSceneViews"),
        named("DeleteSceneView", "Back"), line("SendSimpleSceneViews"),
        line("EndExport"), kFlush,
        R"({"op":"SaveToFiles","h":7,"path":"D:\\Work\\B.v2.orvexa"})"};
    EXPECT_EQ(recorder.lines, reset);
    EXPECT_EQ(exchange.session.projectName, newProject);
    // The source project follows only with the model block.
    EXPECT_EQ(exchange.sourceProject, u"C:\\Projects\\Old.pln");
    EXPECT_TRUE(exchange.solidTable.empty());
    EXPECT_TRUE(exchange.materialTable.empty());
    EXPECT_TRUE(exchange.lightTable.empty());
    EXPECT_EQ(exchange.storedViews.size(), 2u);
    // The directory's lists were not read.
    EXPECT_EQ(exchange.solidDeleteList, std::vector<uint32_t>{77});
    EXPECT_EQ(exchange.materialIdList, std::vector<uint32_t>{});

    recorder.clear();
    loadModelEntry(exchange, 1);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{beginNode("Solid_4"), kEndNode}));
    EXPECT_EQ(exchange.sourceProject, newProject);

    // The next change for the same project is applied, not reset again.
    recorder.clear();
    container.entries[1].block = writer::encodeModelBlock({});
    ASSERT_TRUE(container.writeFile(changePath()));
    syncModel(exchange);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(exchange.materialIdList, std::vector<uint32_t>{4});
}

TEST_F(ChangeTrackingTest, ListNamesMustMatchExactly) {
    startUp(solidsBlock({solid(9)}));
    sync(directory({{u"solid", {9}}, {u"Solids", {9}}, {u"Soli", {9}}, {u"", {9}}, {u"Material", {3, 4}},
                    {u"Materials", {8}}, {u"material", {6}}}));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, std::vector<uint32_t>{});
    EXPECT_EQ(exchange.materialIdList, (std::vector<uint32_t>{3, 4}));
    EXPECT_TRUE(exchange.solidTable.contains(9));
}

TEST_F(ChangeTrackingTest, PreviousSolidListIsAppliedAgainWhenADirectoryCarriesNone) {
    startUp(solidsBlock({solid(9, 1)}));
    sync(directory({{u"Solid", {9}}}), solidsBlock({solid(9, 2)}));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{named("DeleteNode", "Solid_9"), kFlush,
                                                        beginNode("Solid_9"), kEndNode, kFlush}));
    ASSERT_TRUE(exchange.solidTable.contains(9));
    EXPECT_EQ(exchange.solidTable.find(9)->timestamp, 2u);

    recorder.clear();
    sync(directory({{u"Material", {1}}}));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{named("DeleteNode", "Solid_9"), kFlush, kFlush}));
    EXPECT_TRUE(exchange.solidTable.empty());

    // Not back in the table: nothing left to delete.
    recorder.clear();
    sync(directory({{u"Material", {1}}}));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, std::vector<uint32_t>{9});
}

TEST_F(ChangeTrackingTest, OddWordCountStillUsesTheLastWordAsAnOffset) {
    startUp(solidsBlock({solid(9), solid(10)}));
    sync(directory({{u"Material", {1}}, {u"Solid", {9}}}, 3));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{named("DeleteNode", "Solid_9"), kFlush, kFlush}));
    EXPECT_EQ(exchange.materialIdList, std::vector<uint32_t>{1});

    // A single word is an offset too.
    recorder.clear();
    sync(directory({{u"Solid", {10}}}, 1));
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{named("DeleteNode", "Solid_10"), kFlush, kFlush}));
}

TEST_F(ChangeTrackingTest, MissingChangeFileIsCreatedAndOnlyTheFlushFollows) {
    ModelBlockContent scene = solidsBlock({solid(9)});
    scene.lights = std::vector<std::u16string>{scene::lightBlockText(light(1))};
    startUp(scene);
    syncModel(exchange);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{kFlush});
    EXPECT_EQ(std::filesystem::file_size(changePath()), layout::kHeaderSize);
    EXPECT_EQ(exchange.solidTable.size(), 1u);
    EXPECT_EQ(exchange.lightTable.size(), 1u);
    EXPECT_EQ(exchange.sourceProject, kProject);
}

TEST_F(ChangeTrackingTest, EntryZeroThatIsNoDirectoryDeletesNothingAndEntryOneIsLoaded) {
    ModelBlockContent scene = solidsBlock({solid(9)});
    scene.lights = std::vector<std::u16string>{scene::lightBlockText(light(1))};
    startUp(scene);
    exchange.solidDeleteList = {9};
    ContainerWriter container;
    container.addModelBlock(kProject, solidsBlock({solid(3)})).addModelBlock(kProject, solidsBlock({solid(4)}));
    ASSERT_TRUE(container.writeFile(changePath()));
    syncModel(exchange);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{beginNode("Solid_4"), kEndNode, kFlush}));
    EXPECT_TRUE(exchange.solidTable.contains(9));
    EXPECT_EQ(exchange.lightTable.size(), 1u);
}

TEST_F(ChangeTrackingTest, WithoutASessionNothingIsFlushed) {
    startUp(solidsBlock({solid(9)}));
    exchange.session.handle = 0;
    sync(directory({{u"Solid", {9}}}));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{R"({"op":"DeleteNode","h":0,"name":"Solid_9"})"});
}

TEST_F(ChangeTrackingTest, TruncatedOrDamagedDirectoryReadsSafely) {
    startUp(solidsBlock({solid(9), solid(10)}));
    ContainerWriter container;
    container.addChangeDirectory(kProject, directory({{u"Solid", {9, 10}}, {u"Material", {1, 2, 3}}}));
    const std::string bytes = container.bytes();
    const auto run = [&] {
        ModelExchange fresh(recorder.api());
        fresh.session.handle = kHandle;
        fresh.sourceProject = kProject;
        fresh.solidTable = exchange.solidTable;
        fresh.containerPath = dataFilePath(u"_mod.sm");
        test::largestAllocation = 0;
        applyChangeDirectory(fresh);
        EXPECT_LE(test::largestAllocation, bytes.size());
        fresh.session.handle = 0;
        return fresh.solidTable.size();
    };
    test::writeFileBytes(changePath(), bytes);
    EXPECT_EQ(run(), 0u);
    for (size_t at = layout::kHeaderSize; at + 4 <= bytes.size(); ++at) {
        SCOPED_TRACE("0xFFFFFFFF at " + std::to_string(at));
        std::string damaged = bytes;
        writer::putU32(damaged, at, 0xFFFFFFFFu);
        test::writeFileBytes(changePath(), damaged);
        run();
    }
    // The word count and four words, then "Solid" as counted text and its two ids: a list
    // cut anywhere before its end is empty and deletes nothing.
    const size_t solidListEnd = layout::kHeaderSize + 4 + 16 + 4 + 10 + 4 + 8;
    for (size_t size = layout::kHeaderSize; size < bytes.size(); ++size) {
        SCOPED_TRACE("cut at " + std::to_string(size));
        test::writeFileBytes(changePath(), bytes.substr(0, size));
        EXPECT_EQ(run(), size < solidListEnd ? 2u : 0u);
    }
}

} // namespace
