// Change tracking: the sync-state file written for the host, the change directory with its
// deletions, the project switch and the model synchronisation around them.
#include "support/allocation_watch.h"
#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "support/exchange_fixture.h"
#include "support/scene_content.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orvex;
using namespace orvex::test;
using writer::ChangeDirectoryContent;
using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::NamedList;
using writer::SolidContent;

namespace {

const std::u16string kProject = u"C:\\Projects\\House.pln";

const std::string kFlush = op::flush();
const std::string kSendLights = op::call("SendLights");
const std::string kEndNode = op::endNode();

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

struct ChangeTrackingTest : test::ExchangeTest {
    std::string changePath() const { return data.file("_mod.sm"); }
    std::string syncStateBytes() const { return data.read("_mod.sync"); }

    // The start-up send of "_model.alm" entry 0; the journal is cleared afterwards.
    void startUp(const ModelBlockContent& contents, const std::u16string& project = kProject) {
        ASSERT_TRUE(ContainerWriter().addModelBlock(project, contents).writeFile(data.file("_model.alm")));
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
    data.write("_mod.sync", std::string(500, 'x'));
    writeSyncState(exchange);
    EXPECT_EQ(syncStateBytes(), "SourceProject: []\r\n");
    EXPECT_EQ(recorder.lines, Lines{});
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
    std::filesystem::remove_all(data.path);
    writeSyncState(exchange);
    EXPECT_FALSE(std::filesystem::exists(data.file("_mod.sync")));
}

TEST_F(ChangeTrackingTest, ListedSolidsThatWereSentAreDeletedAndEveryLightRemoved) {
    ModelBlockContent scene = solidsBlock({solid(9, 90)});
    scene.lights = std::vector<std::u16string>{scene::lightBlockText(light(2, false)),
                                               scene::lightBlockText(light(1))};
    startUp(scene);
    ASSERT_EQ(exchange.lightTable.size(), 2u);

    sync(directory({{u"Solid", {5, 9}}}), solidsBlock({solid(11, 110)}));
    EXPECT_EQ(recorder.lines,
              (Lines{op::deleteNode(u"Solid_9"), kFlush, op::named("RemoveLight", u"Light1"),
                                        kSendLights, op::named("RemoveLight", u"Light2"), kSendLights,
                                        op::beginNode(u"Solid_11"), kEndNode, kFlush}));
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
    const Lines reset = {
        op::deleteNode(u"Solid_1"), op::deleteNode(u"Solid_2"),
        op::named("ResetMaterial", u"M1"), op::named("ResetMaterial", u"M2"),
        op::named("RemoveLight", u"Light1"), kSendLights, op::named("RemoveLight", u"Light-3"), kSendLights,
        op::call("ClearLights"), kSendLights,
        op::named("DeleteSceneView", u"Front"), op::call("SendSimpleSceneViews"),
        op::named("DeleteSceneView", u"Back"), op::call("SendSimpleSceneViews"),
        op::endExport(), kFlush,
        op::saveToFiles(u"D:\\Work\\B.v2.orvexa")};
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
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_4"), kEndNode}));
    EXPECT_EQ(exchange.sourceProject, newProject);

    // The next change for the same project is applied, not reset again.
    recorder.clear();
    container.entries[1].block = writer::encodeModelBlock({});
    ASSERT_TRUE(container.writeFile(changePath()));
    syncModel(exchange);
    EXPECT_EQ(recorder.lines, (Lines{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(exchange.materialIdList, std::vector<uint32_t>{4});
}

TEST_F(ChangeTrackingTest, ListNamesMustMatchExactly) {
    startUp(solidsBlock({solid(9)}));
    sync(directory({{u"solid", {9}}, {u"Solids", {9}}, {u"Soli", {9}}, {u"", {9}}, {u"Material", {3, 4}},
                    {u"Materials", {8}}, {u"material", {6}}}));
    EXPECT_EQ(recorder.lines, (Lines{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, std::vector<uint32_t>{});
    EXPECT_EQ(exchange.materialIdList, (std::vector<uint32_t>{3, 4}));
    EXPECT_TRUE(exchange.solidTable.contains(9));
}

TEST_F(ChangeTrackingTest, PreviousSolidListIsAppliedAgainWhenADirectoryCarriesNone) {
    startUp(solidsBlock({solid(9, 1)}));
    sync(directory({{u"Solid", {9}}}), solidsBlock({solid(9, 2)}));
    EXPECT_EQ(recorder.lines, (Lines{op::deleteNode(u"Solid_9"), kFlush,
                                                        op::beginNode(u"Solid_9"), kEndNode, kFlush}));
    ASSERT_TRUE(exchange.solidTable.contains(9));
    EXPECT_EQ(exchange.solidTable.find(9)->timestamp, 2u);

    recorder.clear();
    sync(directory({{u"Material", {1}}}));
    EXPECT_EQ(recorder.lines, (Lines{op::deleteNode(u"Solid_9"), kFlush, kFlush}));
    EXPECT_TRUE(exchange.solidTable.empty());

    // Not back in the table: nothing left to delete.
    recorder.clear();
    sync(directory({{u"Material", {1}}}));
    EXPECT_EQ(recorder.lines, (Lines{kFlush, kFlush}));
    EXPECT_EQ(exchange.solidDeleteList, std::vector<uint32_t>{9});
}

TEST_F(ChangeTrackingTest, OddWordCountStillUsesTheLastWordAsAnOffset) {
    startUp(solidsBlock({solid(9), solid(10)}));
    sync(directory({{u"Material", {1}}, {u"Solid", {9}}}, 3));
    EXPECT_EQ(recorder.lines, (Lines{op::deleteNode(u"Solid_9"), kFlush, kFlush}));
    EXPECT_EQ(exchange.materialIdList, std::vector<uint32_t>{1});

    // A single word is an offset too.
    recorder.clear();
    sync(directory({{u"Solid", {10}}}, 1));
    EXPECT_EQ(recorder.lines, (Lines{op::deleteNode(u"Solid_10"), kFlush, kFlush}));
}

TEST_F(ChangeTrackingTest, MissingChangeFileIsCreatedAndOnlyTheFlushFollows) {
    ModelBlockContent scene = solidsBlock({solid(9)});
    scene.lights = std::vector<std::u16string>{scene::lightBlockText(light(1))};
    startUp(scene);
    syncModel(exchange);
    EXPECT_EQ(recorder.lines, Lines{kFlush});
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
    EXPECT_EQ(recorder.lines, (Lines{op::beginNode(u"Solid_4"), kEndNode, kFlush}));
    EXPECT_TRUE(exchange.solidTable.contains(9));
    EXPECT_EQ(exchange.lightTable.size(), 1u);
}

TEST_F(ChangeTrackingTest, WithoutASessionNothingIsFlushed) {
    startUp(solidsBlock({solid(9)}));
    exchange.session.handle = 0;
    sync(directory({{u"Solid", {9}}}));
    EXPECT_EQ(recorder.lines, Lines{test::Line("DeleteNode").handle(0).str("name", u"Solid_9")});
}

TEST_F(ChangeTrackingTest, TruncatedOrDamagedDirectoryReadsSafely) {
    startUp(solidsBlock({solid(9), solid(10)}));
    ContainerWriter container;
    container.addChangeDirectory(kProject, directory({{u"Solid", {9, 10}}, {u"Material", {1, 2, 3}}}));
    const std::string bytes = container.bytes();
    const auto run = [&] {
        ModelExchange fresh(recorder.api());
        fresh.session.handle = test::kSessionHandle;
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

// A directory of 200000 word pairs whose offsets all name one "Solid" list of 200000 ids
// once asked for 40 billion ids to be read from a file of 2.6 MB: reading is bounded by a
// few passes over the file (a return to the old cost shows as the test's time-out).
TEST_F(ChangeTrackingTest, RepeatedListOffsetsCostAtMostAFewPassesOverTheFile) {
    exchange.sourceProject = kProject;
    exchange.solidTable.record(1000, 1);
    constexpr uint32_t kLists = 200000, kIds = 200000;
    std::string block;
    writer::appendU32(block, 2 * kLists);
    for (uint32_t i = 0; i < kLists; ++i) {
        writer::appendU32(block, 4 + 8 * kLists);
        writer::appendU32(block, 0);
    }
    writer::appendCountedText(block, u"Solid");
    writer::appendU32(block, kIds);
    for (uint32_t i = 0; i < kIds; ++i) writer::appendU32(block, 1000 + i);
    ContainerWriter container;
    container.entries.push_back({kProject, layout::kChangeDirectoryKind, block, std::nullopt});
    ASSERT_TRUE(container.writeFile(changePath()));
    syncModel(exchange);
    EXPECT_LE(exchange.solidDeleteList.size(), size_t(kIds));
}

// An empty list has no storage: its zero-byte read once handed memcpy a null destination,
// which the sanitized tier reports.
TEST_F(ChangeTrackingTest, EmptySolidListDeletesNothing) {
    exchange.sourceProject = kProject;
    exchange.solidTable.record(3, 1);
    exchange.solidDeleteList = {3};
    sync(directory({{u"Solid", {}}}));
    EXPECT_TRUE(exchange.solidDeleteList.empty());
    EXPECT_TRUE(exchange.solidTable.contains(3));
}

} // namespace
