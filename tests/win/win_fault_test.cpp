// Faults around a running program: a change file cut short or locked by another process,
// a locked log at rotation, the data folder deleted, the renderer or the host going away
// during a synchronisation, and texture names and files that give no normal map. In each
// the program keeps running (or ends the way it always ends), exits with 0 and writes
// nothing outside the data folder and the log beside it.
#include "image_files.h"
#include "scenario.h"
#include "support/scene_content.h"

#include "host-sim/file_lock.h"
#include "scene-writer/material_text.h"

#include <cstring>

namespace orvex::scenario {
namespace {

using namespace hostsim;

const writer::PartContent kTriangle = part(u"Wall", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});

Lines triangleNode(uint32_t id) {
    return {op::beginNode(u"Solid_" + std::u16string(1, char16_t(u'0' + id))),
            op::mesh(u"Wall", 9, 3, kTriangle.positions, false, false, kTriangle.indices), op::endNode()};
}

MaterialRecord textured(const std::u16string& name, const std::u16string& file, float bump = 0.5f) {
    MaterialRecord m;
    m.MaterialID_Name = name;
    m.Bump = bump;
    ExtendMaterialRecord diffuse;
    diffuse.Type = 1;
    diffuse.nFlag = 2;
    diffuse.strFile = file;
    m.MatExt = {diffuse};
    return m;
}

// The calls for a material made by textured(): its diffuse map and, when one was written,
// the generated normal map.
Lines texturedCalls(const std::u16string& name, const std::u16string& diffusePath, bool normalMap, float bump = 0.5f) {
    MaterialCalls calls(name);
    calls.str(u"type", u"template_custom").str(u"name", u"").num(u"Opacity", 0).num(u"Refraction", 0);
    calls.str(u"Diffuse Map", diffusePath);
    if (normalMap) calls.str(u"Normal Map One", diffusePath + u"_Normal.png").num(u"normal_value", bump);
    return calls.num(u"roughness_value", 0).num(u"Metallic", 0);
}

writer::ModelBlockContent materialsBlock(const std::vector<MaterialRecord>& materials) {
    writer::ModelBlockContent block;
    block.materials.emplace();
    for (const MaterialRecord& m : materials) block.materials->push_back({scene::materialBlockText(m), std::nullopt});
    return block;
}

class FaultScenario : public ScenarioTest {
protected:
    void TearDown() override {
        // Whatever happened, nothing lands beside the program (where bare file names would go).
        for (const std::string& name : filesUnder(ownFolder())) {
            const std::string type = name.substr(name.find_last_of('.') + 1);
            EXPECT_TRUE(type == "exe" || type == "dll") << name << " beside the program";
        }
    }

    void writeStartModel() {
        writer::ModelBlockContent model;
        model.solids = std::vector<writer::SolidContent>{solid(1, 100, {kTriangle})};
        writeModel(model);
    }

    std::wstring logFile() const { return logFileFor(appData_); }
};

// The log's lines after its first bytes, as log() shows them.
Lines logLinesOf(const std::string& bytes) {
    Lines texts;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(start, end - start);
        const size_t text = line.find("]: ");
        texts.push_back(text == std::string::npos ? "?: " + line : "A: " + line.substr(text + 3));
        start = end + 2;
    }
    return texts;
}

TEST_F(FaultScenario, ChangeFileCutShortMidBlockIsReadAsFarAsItGoesThenRewritten) {
    writeStartModel();
    const writer::PartContent cut = part(u"Cut", {7.25f, 8.5f, 9.75f, 1, 2, 3, 4, 5, 6}, {0, 1, 2});
    writer::ModelBlockContent change;
    MaterialRecord plain;
    plain.MaterialID_Name = u"M_X";
    change.materials = std::vector<writer::MaterialEntry>{{scene::materialBlockText(plain), std::nullopt}};
    change.solids = std::vector<writer::SolidContent>{solid(2, 200, {kTriangle}), solid(3, 300, {cut})};
    const std::string whole = writer::ContainerWriter()
                                  .addChangeDirectory(kProject, {{{u"Solid", {1}}}, std::nullopt})
                                  .addModelBlock(kProject, change)
                                  .bytes();
    // The host has written up to the middle of the last part's positions.
    std::string count(4, '\0');
    const uint32_t nine = 9;
    std::memcpy(count.data(), &nine, 4);
    std::string first(4, '\0');
    std::memcpy(first.data(), &cut.positions[0], 4);
    const size_t positions = whole.find(count + first);
    ASSERT_NE(positions, std::string::npos);
    ASSERT_GT(positions, 208644u);

    start();
    writeDataFile(L"_mod.sm", whole.substr(0, positions + 4 + 6));
    ASSERT_TRUE(host_.post(1027));
    saveStateAndWait();
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")), std::string("SourceProject: [C:\\Work\\House.plan]\r\n"
                                                            "ID3D: [2] TimeStamp: [200]\r\nID3D: [3] TimeStamp: [300]\r\n"
                                                            "Material: [M_X] TimeStamp: [-1] MatIndex: [0]\r\n"));
    // The host finishes writing and asks again.
    writeDataFile(L"_mod.sm", whole);
    ASSERT_TRUE(host_.post(1027));
    closeHostAndExpectCleanExit();

    const Lines material = MaterialCalls(u"M_X")
                               .str(u"type", u"template_custom").str(u"name", u"").num(u"Opacity", 0).num(u"Refraction", 0)
                               .str(u"Diffuse (Color)", u"#000000").num(u"roughness_value", 0).num(u"Metallic", 0);
    EXPECT_EQ(journal(),
              joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1), {op::flush()},
                      // Cut short: the last part's arrays read as empty.
                      {op::deleteNode(u"Solid_1"), op::flush()}, material, triangleNode(2),
                      {op::beginNode(u"Solid_3"), op::mesh(u"Cut", 0, 0, {}, false, false, {}), op::endNode(), op::flush()},
                      // Whole: solid 1 is gone already; everything else comes again.
                      {op::flush()}, material, triangleNode(2),
                      {op::beginNode(u"Solid_3"), op::mesh(u"Cut", 9, 3, cut.positions, false, false, cut.indices),
                       op::endNode(), op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End",
                            "A: Sync Model state 0", "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sm")), whole);
}

TEST_F(FaultScenario, ChangeAndStateFilesLockedByOtherProgramsAreLeftAlone) {
    writeStartModel();
    writer::ModelBlockContent change;
    change.solids = std::vector<writer::SolidContent>{solid(2, 200, {kTriangle})};
    const std::string bytes = writer::ContainerWriter()
                                  .addChangeDirectory(kProject, {{{u"Solid", {1}}}, std::nullopt})
                                  .addModelBlock(kProject, change)
                                  .bytes();
    writeDataFile(L"_mod.sm", bytes);
    start();
    {
        // Opened by another program that shares it with no one.
        FileLock lock(dataFile(L"_mod.sm"));
        ASSERT_TRUE(lock.held());
        ASSERT_TRUE(host_.post(1027));
        saveStateAndWait();
    }
    EXPECT_EQ(readFile(dataFile(L"_mod.sm")), bytes);
    {
        // Still being written by the host, which lets others only read.
        FileLock lock(dataFile(L"_mod.sm"), GENERIC_WRITE, FILE_SHARE_READ);
        ASSERT_TRUE(lock.held());
        ASSERT_TRUE(host_.post(1028));
        saveStateAndWait();
    }
    EXPECT_EQ(readFile(dataFile(L"_mod.sm")), bytes);
    {
        // The host still reads the last sync state: the new one cannot be written, and the
        // host is answered all the same.
        FileLock lock(dataFile(L"_mod.sync"), GENERIC_READ, FILE_SHARE_READ);
        ASSERT_TRUE(lock.held());
        saveStateAndWait();
    }
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")), std::string("SourceProject: [C:\\Work\\House.plan]\r\nID3D: [1] TimeStamp: [100]\r\n"));
    ASSERT_TRUE(host_.post(1027));
    closeHostAndExpectCleanExit();

    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1), {op::flush()},
                                 {op::flush()}, {op::flush()},
                                 {op::deleteNode(u"Solid_1"), op::flush()}, triangleNode(2), {op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End",
                            "A: Sync Model state 0", "A: Sync Model state 0", "A: Sync Model state 0",
                            "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sm")), bytes);
}

TEST_F(FaultScenario, LockedLogAtRotationNeverStopsTheProgram) {
    writeStartModel();
    std::string old;
    for (int i = 0; old.size() <= 100000; ++i) old += "[2020. 01. 01 - 00:00:00]: old line " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(writeFile(logFile(), old));
    const std::wstring previous = logFile() + L"Old";
    auto run = [&] {
        start();
        saveStateAndWait(); // running, and answering
        ASSERT_TRUE(host_.post(WM_COMMAND, 105, 0));
        expectCleanExit();
    };

    // 1. Locked for everyone: the size cannot be measured, so nothing rotates, and the lines
    //    written while it is locked are lost. Once it is free, lines go to the old log.
    {
        FileLock lock(logFile());
        ASSERT_TRUE(lock.held());
        start();
        saveStateAndWait();
    }
    saveStateAndWait();
    ASSERT_TRUE(host_.post(WM_COMMAND, 105, 0));
    expectCleanExit();
    auto log1 = readFile(logFile());
    ASSERT_TRUE(log1.has_value());
    ASSERT_EQ(log1->substr(0, old.size()), old);
    EXPECT_EQ(logLinesOf(log1->substr(old.size())), (Lines{"A: Sync Model state 0"}));
    EXPECT_FALSE(fileExists(previous));

    // 2. Open elsewhere without leave to delete: the copy is made but the log cannot go, so
    //    the lines still go to it.
    {
        FileLock lock(logFile(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(lock.held());
        run();
    }
    EXPECT_EQ(readFile(previous), log1);
    auto log2 = readFile(logFile());
    ASSERT_TRUE(log2.has_value());
    ASSERT_EQ(log2->substr(0, log1->size()), *log1);
    EXPECT_EQ(logLinesOf(log2->substr(log1->size())), (Lines{"A: Init Start", "A: Sync Model state 0"}));

    // 3. Free again: the next program rotates as usual.
    run();
    EXPECT_EQ(readFile(previous), log2);
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0"}));

    const Lines oneRun = joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1),
                                 {op::flush(), op::destroy()}});
    EXPECT_EQ(journal(), joined({oneRun, oneRun, oneRun}));
}

TEST_F(FaultScenario, DataFolderDeletedWhileRunningIsNeitherRecreatedNorFatal) {
    writeStartModel();
    start();
    saveStateAndWait();

    // The data folder goes; the log beside it stays.
    ASSERT_TRUE(removeTree(dataFolder_));
    for (UINT request : {1025u, 1029u, 1027u, 1028u}) ASSERT_TRUE(host_.post(request));
    saveStateAndWait();
    EXPECT_EQ(filesUnder(appData_), (std::vector<std::string>{"Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log"}));

    // Everything goes: the answer still comes, and the lines are lost.
    ASSERT_TRUE(removeTree(appData_));
    ASSERT_TRUE(host_.post(1027));
    saveStateAndWait();
    EXPECT_FALSE(fileExists(appData_));

    // The host makes the folder again and sends a change: the program carries on.
    ASSERT_TRUE(makeFolders(dataFolder_));
    writer::ModelBlockContent change;
    change.solids = std::vector<writer::SolidContent>{solid(2, 200, {kTriangle})};
    writeContainer(L"_mod.sm", writer::ContainerWriter()
                                   .addChangeDirectory(kProject, {{{u"Solid", {1}}}, std::nullopt})
                                   .addModelBlock(kProject, change));
    ASSERT_TRUE(host_.post(1027));
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1), {op::flush()},
                                 {op::flush(), op::flush()}, {op::flush()},
                                 {op::deleteNode(u"Solid_1"), op::flush()}, triangleNode(2), {op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End", "A: Sync Model state 0"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [C:\\Work\\House.plan]\r\nID3D: [2] TimeStamp: [200]\r\n"));
    EXPECT_EQ(filesUnder(appData_), (std::vector<std::string>{"Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log",
                                                              "Quorvel\\Planomat2027_OrvexPlugin\\Data\\_mod.sm",
                                                              "Quorvel\\Planomat2027_OrvexPlugin\\Data\\_mod.sync"}));
}

TEST_F(FaultScenario, TextureNamesOutsideTheTextureFolderAndFilesThatAreNoImages) {
    // Images beside the data folder, where a name climbing out of the texture folder points.
    const std::string image = images::pngFile(images::pattern(8, 8));
    const std::wstring plugin = appData_ + L"\\Quorvel\\Planomat2027_OrvexPlugin";
    ASSERT_TRUE(writeFile(plugin + L"\\escape.png", image));
    ASSERT_TRUE(makeFolders(dataFile(L"Textures\\inside")));
    writeDataFile(L"Textures\\inside\\fine.png", image);
    writeDataFile(L"Textures\\text.png", "not an image\r\n");
    writeDataFile(L"Textures\\empty.png", "");
    writeDataFile(L"Textures\\huge.png", images::pngClaiming(60000, 60000));
    writeDataFile(L"Textures\\huge.bmp", images::bmpClaiming(60000, 60000));
    writeDataFile(L"Textures\\zero.png", images::pngClaiming(0, 0));
    writeDataFile(L"Textures\\zero.bmp", images::bmpClaiming(0, 0));
    writeModel(materialsBlock({textured(u"M_Up", u"..\\..\\escape.png"), textured(u"M_Slash", u"inside/../../../escape.png"),
                               textured(u"M_Dots", u"inside\\...\\..\\escape.png"), textured(u"M_Inside", u"inside\\fine.png"),
                               textured(u"M_Text", u"text.png"), textured(u"M_Empty", u"empty.png"),
                               textured(u"M_HugePng", u"huge.png"), textured(u"M_HugeBmp", u"huge.bmp"),
                               textured(u"M_ZeroPng", u"zero.png"), textured(u"M_ZeroBmp", u"zero.bmp"),
                               textured(u"M_Missing", u"missing.png")}));
    start();
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    // Every diffuse path goes out as named; only the image inside the folder gets a normal map.
    const std::u16string tex = textureFolderText();
    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"),
                                 texturedCalls(u"M_Up", tex + u"..\\..\\escape.png", false),
                                 texturedCalls(u"M_Slash", tex + u"inside/../../../escape.png", false),
                                 texturedCalls(u"M_Dots", tex + u"inside\\...\\..\\escape.png", false),
                                 texturedCalls(u"M_Inside", tex + u"inside\\fine.png", true),
                                 texturedCalls(u"M_Text", tex + u"text.png", false),
                                 texturedCalls(u"M_Empty", tex + u"empty.png", false),
                                 texturedCalls(u"M_HugePng", tex + u"huge.png", false),
                                 texturedCalls(u"M_HugeBmp", tex + u"huge.bmp", false),
                                 texturedCalls(u"M_ZeroPng", tex + u"zero.png", false),
                                 texturedCalls(u"M_ZeroBmp", tex + u"zero.bmp", false),
                                 texturedCalls(u"M_Missing", tex + u"missing.png", false),
                                 {op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0"}));
    EXPECT_EQ(filesUnder(appData_),
              (std::vector<std::string>{"Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\empty.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\huge.bmp",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\huge.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\inside\\fine.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\inside\\fine.png_Normal.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\text.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\zero.bmp",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\zero.png",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\_mod.sync",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\Data\\_model.alm",
                                        "Quorvel\\Planomat2027_OrvexPlugin\\escape.png"}));
}

// A synchronisation long enough for the one-second watch tick to fall inside it: materials
// whose normal maps are generated from a large texture.
class LongSyncScenario : public FaultScenario {
protected:
    static constexpr int kMaterials = 3; // about half a second each

    void writeLongChange() {
        writeStartModel();
        ASSERT_TRUE(makeFolders(dataFile(L"Textures")));
        writeDataFile(L"Textures\\large.png", images::pngFile(images::pattern(1024, 1024)));
        std::vector<MaterialRecord> materials;
        for (int i = 0; i < kMaterials; ++i) materials.push_back(textured(u"M_" + std::u16string(1, char16_t(u'A' + i)), u"large.png"));
        writeContainer(L"_mod.sm", writer::ContainerWriter()
                                       .addChangeDirectory(kProject, {{{u"Solid", {1}}}, std::nullopt})
                                       .addModelBlock(kProject, materialsBlock(materials)));
    }

    Lines longChangeCalls() const {
        Lines lines = {op::deleteNode(u"Solid_1"), op::flush()};
        for (int i = 0; i < kMaterials; ++i) {
            const Lines calls = texturedCalls(u"M_" + std::u16string(1, char16_t(u'A' + i)), textureFolderText() + u"large.png", true);
            lines.insert(lines.end(), calls.begin(), calls.end());
        }
        lines.push_back(op::flush());
        return lines;
    }
};

TEST_F(LongSyncScenario, RendererGoneDuringASyncEndsTheProgramAfterTheQueuedRequests) {
    writeLongChange();
    options_.variables = {{L"ORVEX_STATUS_ZERO_AFTER", L"0"}}; // the first watch tick finds it gone
    start();
    // Both requests are queued before the loop runs; the tick can only come after them.
    ASSERT_TRUE(host_.post(1027));
    ASSERT_TRUE(host_.post(1026));
    expectStateSavedAnswer();
    expectCleanExit();
    EXPECT_TRUE(IsWindow(host_.hostWindow()));

    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1), {op::flush()},
                                 longChangeCalls(), {op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End",
                            "A: Sync Model state 0"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [C:\\Work\\House.plan]\r\nMaterial: [M_A] TimeStamp: [-1] MatIndex: [0]\r\n"
                          "Material: [M_B] TimeStamp: [-1] MatIndex: [0]\r\nMaterial: [M_C] TimeStamp: [-1] MatIndex: [0]\r\n"));
}

TEST_F(LongSyncScenario, HostClosingDuringASyncEndsTheProgramAfterTheQueuedRequests) {
    writeLongChange();
    start();
    ASSERT_TRUE(host_.post(1027));
    ASSERT_TRUE(host_.post(1026));
    // The host goes away while the first material of the change is being made.
    ASSERT_TRUE(waitForJournal([](const Lines& lines) { return containsOperation(lines, "AddMaterial"); }));
    host_.closeHostWindow();
    expectCleanExit();

    // The change ran to its end and the state was saved; its answer found no window.
    EXPECT_EQ(journal(), joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), triangleNode(1), {op::flush()},
                                 longChangeCalls(), {op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 1 _ Start", "A: Sync Model state 1 _ End",
                            "A: Sync Model state 0"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")),
              std::string("SourceProject: [C:\\Work\\House.plan]\r\nMaterial: [M_A] TimeStamp: [-1] MatIndex: [0]\r\n"
                          "Material: [M_B] TimeStamp: [-1] MatIndex: [0]\r\nMaterial: [M_C] TimeStamp: [-1] MatIndex: [0]\r\n"));
}

} // namespace
} // namespace orvex::scenario
