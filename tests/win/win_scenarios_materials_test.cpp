// Materials of a model block to the renderer: templates, colours, texture paths in the
// texture folder, normal maps generated from PNG and BMP textures and written beside them
// (and sent as they are by the next start), and the same model in colour-only mode.
#include "image_files.h"
#include "scenario.h"
#include "support/scene_content.h"

#include "image/normal_map.h"
#include "scene-writer/material_text.h"

namespace orvex::scenario {
namespace {

using namespace hostsim;

MaterialRecord material(const std::u16string& id, const std::u16string& display, int32_t index, int32_t time) {
    MaterialRecord m;
    m.MaterialID_Name = id;
    m.InterfaceName = display;
    m._nMatDescIndex = index;
    m.nTimeID = time;
    m.Roughness = 0.25f;
    return m;
}

std::vector<MaterialRecord> sampleMaterials() {
    MaterialRecord glass = material(u"M_Glass", u"Window glass", 4, 41);
    glass.Transparent = 0.2f;
    glass.IOR = 1.5f;
    glass.Diffuse[0] = 0.8f, glass.Diffuse[1] = 0.9f, glass.Diffuse[2] = 1.0f;

    MaterialRecord leaves = material(u"M_Leaves", u"Hedge leaves", 6, 61);
    leaves.m_nContaintTransparent = 1;
    leaves.Transparent = 0.95f;
    leaves.Diffuse[0] = 0.2f, leaves.Diffuse[1] = 0.5f, leaves.Diffuse[2] = 0.15f;

    MaterialRecord lamp = material(u"M_Lamp", u"Lamp shade", 5, 51);
    lamp.TypeNat = 17;
    lamp.EmissiveIntensity = 250;
    lamp.emissiveColor = 0x0080C0FF;

    MaterialRecord neon = material(u"M_Neon", u"Neon sign", 7, 71);
    neon.TypeNat = 17;
    neon.EmissiveIntensity = 75;
    neon.MatExt = {map(1, u"neon.png")};

    MaterialRecord oak = material(u"M_Oak", u"Oak floor", 2, 21);
    oak.Bump = 0.6f;
    oak.Reflection = 0.1f;
    oak.MatExt = {map(1, u"oak.png"), map(3, u"", 2, 0.8f)};

    MaterialRecord brick = material(u"M_Brick", u"Red brick", 3, 31);
    brick.Bump = 0.4f;
    brick.MatExt = {map(1, u"brick.png"), map(2, u"brick_normal.png"), map(5, u"brick_rough.png"),
                    map(6, u"brick_metal.png", 3), map(3, u"brick_ao.png", 2, 0.5f)};

    MaterialRecord wall = material(u"M_Wall", u"Painted wall", 1, 11);
    wall.Bump = -0.5f;
    wall.MatExt = {map(1, u"wall.bmp")};
    return {glass, leaves, lamp, neon, oak, brick, wall};
}

class MaterialsScenario : public ScenarioTest {
protected:
    void writeTextures() {
        ASSERT_TRUE(makeFolders(dataFile(L"Textures")));
        writeDataFile(L"Textures\\oak.png", images::pngFile(images::pattern(64, 48)));
        writeDataFile(L"Textures\\wall.bmp", images::bmpFile(images::pattern(33, 17)));
        writeDataFile(L"Textures\\neon.png", images::pngFile(images::uniform(2, 2, 0, 255, 255)));
    }

    // The generated file must hold the kernel's pixels for the source as GDI+ decodes it.
    void expectNormalMapOf(const std::wstring& texture) {
        PixelImage source, written, expected;
        ASSERT_TRUE(platform().decodeImage(u16(dataFile(L"Textures\\" + texture)), source));
        ASSERT_TRUE(platform().decodeImage(u16(dataFile(L"Textures\\" + texture + L"_Normal.png")), written));
        computeNormalMap(source, expected);
        EXPECT_EQ(written.width, source.width);
        EXPECT_EQ(written.height, source.height);
        EXPECT_TRUE(written.bgra == expected.bgra) << toUtf8(texture);
    }

    static std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

    // A file's bytes and last-write time: a map made again would get a new time.
    std::pair<std::string, ULONGLONG> fileState(const std::wstring& name) const {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        EXPECT_TRUE(GetFileAttributesExW(dataFile(name).c_str(), GetFileExInfoStandard, &data));
        const ULONGLONG time = ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
        return {readFile(dataFile(name)).value_or(""), time};
    }
};

TEST_F(MaterialsScenario, EveryKindOfMaterialAndTheNormalMapsGeneratedForIt) {
    writeTextures();
    writer::ModelBlockContent model;
    model.materials.emplace();
    for (const MaterialRecord& m : sampleMaterials()) model.materials->push_back({scene::materialBlockText(m), std::nullopt});
    writeModel(model);

    start();
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    const std::u16string tex = textureFolderText();
    const Lines materials = joined({
        MaterialCalls(u"M_Glass")
            .str(u"type", u"template_transparent").str(u"name", u"Window glass")
            .num(u"Opacity", 1.0f - 0.2f).num(u"Refraction", 1.5f)
            .str(u"Diffuse (Color)", u"#CCE5FF")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Leaves")
            .str(u"type", u"template_custom_alpha").str(u"name", u"Hedge leaves")
            .num(u"Opacity", 1.0f - 0.95f).num(u"Refraction", 0)
            .str(u"Diffuse (Color)", u"#337F26")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Lamp")
            .str(u"type", u"template_custom").str(u"name", u"Lamp shade")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Emissive Color", u"#FFC080").integer(u"EmissiveSwitcher", 1).num(u"Light", 2.5f)
            .str(u"Diffuse (Color)", u"#000000")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Neon")
            .str(u"type", u"template_custom").str(u"name", u"Neon sign")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"EmissiveMask", tex + u"neon.png").integer(u"EmissiveSwitcher", 1).num(u"Light", 0.75f)
            .str(u"Diffuse Map", tex + u"neon.png")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Oak")
            .str(u"type", u"template_custom").str(u"name", u"Oak floor")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Diffuse Map", tex + u"oak.png")
            .str(u"Normal Map One", tex + u"oak.png_Normal.png").num(u"normal_value", 0.6f)
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0.1f)
            .num(u"AOIntensity", 0.8f), // an ambient-occlusion map without a file
        MaterialCalls(u"M_Brick")
            .str(u"type", u"template_custom").str(u"name", u"Red brick")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Diffuse Map", tex + u"brick.png")
            .str(u"Normal Map One", tex + u"brick_normal.png").num(u"normal_value", 0.4f)
            .str(u"Roughness Map", tex + u"brick_rough.png").num(u"roughness_value", 0.25f)
            .str(u"MetallicMap", tex + u"brick_metal.png").num(u"Metallic", 0)
            .str(u"AOMap", tex + u"brick_ao.png").num(u"AOIntensity", 0.5f),
        MaterialCalls(u"M_Wall")
            .str(u"type", u"template_custom").str(u"name", u"Painted wall")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Diffuse Map", tex + u"wall.bmp")
            .str(u"Normal Map One", tex + u"wall.bmp_Normal.png").num(u"normal_value", -0.5f)
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
    });
    EXPECT_EQ(journal(),
              joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), materials, {op::flush(), op::destroy()}}));
    EXPECT_EQ(log(), (Lines{"A: Init Start", "A: Sync Model state 0"}));
    // The material table is ordered by name.
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")), std::string("SourceProject: [C:\\Work\\House.plan]\r\n"
                                                            "Material: [M_Brick] TimeStamp: [31] MatIndex: [3]\r\n"
                                                            "Material: [M_Glass] TimeStamp: [41] MatIndex: [4]\r\n"
                                                            "Material: [M_Lamp] TimeStamp: [51] MatIndex: [5]\r\n"
                                                            "Material: [M_Leaves] TimeStamp: [61] MatIndex: [6]\r\n"
                                                            "Material: [M_Neon] TimeStamp: [71] MatIndex: [7]\r\n"
                                                            "Material: [M_Oak] TimeStamp: [21] MatIndex: [2]\r\n"
                                                            "Material: [M_Wall] TimeStamp: [11] MatIndex: [1]\r\n"));
    EXPECT_EQ(filesUnder(dataFile(L"Textures")),
              (std::vector<std::string>{"neon.png", "oak.png", "oak.png_Normal.png", "wall.bmp", "wall.bmp_Normal.png"}));
    expectNormalMapOf(L"oak.png");
    expectNormalMapOf(L"wall.bmp");

    // The next start, a new process, sends the same materials with the maps as they are.
    const auto oakMap = fileState(L"Textures\\oak.png_Normal.png");
    const auto wallMap = fileState(L"Textures\\wall.bmp_Normal.png");
    ASSERT_TRUE(DeleteFileW(options_.journal.c_str()));
    ASSERT_TRUE(host_.openHostWindow());
    start();
    saveStateAndWait();
    closeHostAndExpectCleanExit();
    EXPECT_EQ(journal(),
              joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), materials, {op::flush(), op::destroy()}}));
    EXPECT_EQ(fileState(L"Textures\\oak.png_Normal.png"), oakMap);
    EXPECT_EQ(fileState(L"Textures\\wall.bmp_Normal.png"), wallMap);
}

TEST_F(MaterialsScenario, ColourModeSendsColoursOnlyAndGeneratesNoNormalMap) {
    writeTextures();
    writer::ModelBlockContent model;
    model.materials.emplace();
    for (const MaterialRecord& m : sampleMaterials()) model.materials->push_back({scene::materialBlockText(m), std::nullopt});
    writeModel(model);

    start(L"colorMode");
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    auto plain = [](const std::u16string& name, const std::u16string& display, const std::u16string& colour) {
        return MaterialCalls(name).str(u"type", u"template_custom").str(u"name", display).num(u"Opacity", 0).num(u"Refraction", 0).str(u"Diffuse (Color)", colour);
    };
    const Lines materials = joined({
        MaterialCalls(u"M_Glass")
            .str(u"type", u"template_transparent").str(u"name", u"Window glass")
            .num(u"Opacity", 1.0f - 0.2f).num(u"Refraction", 1.5f)
            .str(u"Diffuse (Color)", u"#CCE5FF")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Leaves")
            .str(u"type", u"template_custom_alpha").str(u"name", u"Hedge leaves")
            .num(u"Opacity", 1.0f - 0.95f).num(u"Refraction", 0)
            .str(u"Diffuse (Color)", u"#337F26")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        MaterialCalls(u"M_Lamp")
            .str(u"type", u"template_custom").str(u"name", u"Lamp shade")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Emissive Color", u"#FFC080").integer(u"EmissiveSwitcher", 1).num(u"Light", 2.5f)
            .str(u"Diffuse (Color)", u"#000000")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        // The mask is a texture: without textures the emissive colour goes instead.
        MaterialCalls(u"M_Neon")
            .str(u"type", u"template_custom").str(u"name", u"Neon sign")
            .num(u"Opacity", 0).num(u"Refraction", 0)
            .str(u"Emissive Color", u"#000000").integer(u"EmissiveSwitcher", 1).num(u"Light", 0.75f)
            .str(u"Diffuse (Color)", u"#000000")
            .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
        // The ambient-occlusion intensity does not depend on a file.
        plain(u"M_Oak", u"Oak floor", u"#000000").num(u"roughness_value", 0.25f).num(u"Metallic", 0.1f).num(u"AOIntensity", 0.8f),
        plain(u"M_Brick", u"Red brick", u"#000000").num(u"roughness_value", 0.25f).num(u"Metallic", 0).num(u"AOIntensity", 0.5f),
        plain(u"M_Wall", u"Painted wall", u"#000000").num(u"roughness_value", 0.25f).num(u"Metallic", 0),
    });
    const Lines expected = joined({op::startSession(u"House", u"C:\\Work\\House.orvexa"), materials, {op::flush(), op::destroy()}});
    EXPECT_EQ(journal(), expected);
    EXPECT_EQ(log(), (Lines{"A: Args - ", "W: colorMode", "A: Init Start", "A: Sync Model state 0"}));
    EXPECT_EQ(filesUnder(dataFile(L"Textures")), (std::vector<std::string>{"neon.png", "oak.png", "wall.bmp"}));
}

TEST_F(MaterialsScenario, DataFolderAndNamesBeyondAsciiReachEveryFileAndPath) {
    // A user profile and a project named in other scripts.
    appData_ = scratch_ / L"J\u00FCrgen \u540D\u524D";
    dataFolder_ = dataFolderFor(appData_);
    options_.appData = appData_;
    ASSERT_TRUE(makeFolders(dataFile(L"Textures")));
    writeDataFile(L"Textures\\\u00E9rable \u6728.png", images::pngFile(images::pattern(16, 9)));
    MaterialRecord maple = material(u"M_\u00C9rable_\u6728", u"\u00C9rable \u6728", 1, 5);
    maple.Bump = 0.3f;
    maple.MatExt = {map(1, u"\u00E9rable \u6728.png")};
    writer::ModelBlockContent model;
    model.materials = std::vector<writer::MaterialEntry>{{scene::materialBlockText(maple), std::nullopt}};
    const std::u16string project = u"C:\\Work\\Maison \u00E9t\u00E9 \u5BB6.plan";
    writeModel(model, project);

    start(L"colorMode\u00E9");
    saveStateAndWait();
    closeHostAndExpectCleanExit();

    const std::u16string diffuse = textureFolderText() + u"\u00E9rable \u6728.png";
    EXPECT_EQ(journal(),
              joined({op::startSession(u"Maison \u00E9t\u00E9 \u5BB6", u"C:\\Work\\Maison \u00E9t\u00E9 \u5BB6.orvexa"),
                      MaterialCalls(u"M_\u00C9rable_\u6728")
                          .str(u"type", u"template_custom").str(u"name", u"\u00C9rable \u6728")
                          .num(u"Opacity", 0).num(u"Refraction", 0)
                          .str(u"Diffuse Map", diffuse)
                          .str(u"Normal Map One", diffuse + u"_Normal.png").num(u"normal_value", 0.3f)
                          .num(u"roughness_value", 0.25f).num(u"Metallic", 0),
                      {op::flush(), op::destroy()}}));
    // 8-bit texts keep Latin-1 as bytes and write '?' for the rest.
    EXPECT_EQ(log(), (Lines{"A: Args - ", "W: colorMode\xE9", "A: Init Start", "A: Sync Model state 0"}));
    EXPECT_EQ(readFile(dataFile(L"_mod.sync")), std::string("SourceProject: [C:\\Work\\Maison \xE9t\xE9 ?.plan]\r\n"
                                                            "Material: [M_\xC9rable_?] TimeStamp: [5] MatIndex: [1]\r\n"));
    expectNormalMapOf(L"\u00E9rable \u6728.png");
    EXPECT_EQ(filesUnder(scratch_.path()),
              (std::vector<std::string>{"J\xC3\xBCrgen \xE5\x90\x8D\xE5\x89\x8D\\Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log",
                                        "J\xC3\xBCrgen \xE5\x90\x8D\xE5\x89\x8D\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\\xC3\xA9rable \xE6\x9C\xA8.png",
                                        "J\xC3\xBCrgen \xE5\x90\x8D\xE5\x89\x8D\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\\xC3\xA9rable \xE6\x9C\xA8.png_Normal.png",
                                        "J\xC3\xBCrgen \xE5\x90\x8D\xE5\x89\x8D\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\_mod.sync",
                                        "J\xC3\xBCrgen \xE5\x90\x8D\xE5\x89\x8D\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\_model.alm",
                                        "journal.jsonl"}));
}

} // namespace
} // namespace orvex::scenario
