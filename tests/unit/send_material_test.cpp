// A material to the renderer: template choice, colour texts, texture lookup, the mapping
// with its generated normal map, the exact property sequence and colour-only mode.
#include "materials/send_material.h"

#include "core/data_folder.h"
#include "materials/material_block.h"
#include "materials/material_colors.h"
#include "materials/material_mapping.h"
#include "materials/texture_name.h"
#include "image/png_writer.h"
#include "image/normal_map.h"
#include "materials/normal_map_memory.h"
#include "platform/files.h"
#include "platform/text.h"
#include "renderer-standin/journal.h"
#include "support/exchange_fixture.h"
#include "support/scene_content.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

using namespace orvex;
using orvex::test::FakePlatform;
using namespace orvex::test;

namespace {

MaterialRecord parsed(const std::u16string& text) {
    MaterialRecord r;
    parseMaterialBlock(r, text);
    return r;
}

std::u16string colorOf(float r, float g, float b) {
    const float d[3] = {r, g, b};
    return diffuseColorText(d);
}

class SendMaterial : public ::testing::Test {
protected:
    SendMaterial() { std::filesystem::create_directories(data.file("Textures")); }

    ScratchDataFolder data;
    Recorder recorder;
    RendererSession session{&recorder.api(), test::kSessionHandle};
    NormalMapMemory normalMaps;

    SendContext context(bool colorOnly = false) { return makeSendContext(session, colorOnly, &normalMaps); }

    std::u16string textures() const {
        return data.temp.path16() + u"\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\Textures\\";
    }
    std::string textureFile(const std::string& name) const {
        return data.file("Textures/" + name);
    }
    void writeTexture(const std::string& relative, const PixelImage& image) {
        std::vector<uint8_t> png;
        ASSERT_TRUE(encodePng(image, png));
        test::writeFileBytes(relative, std::string(png.begin(), png.end()));
    }

    // The properties sent under "Normal Map One".
    std::vector<std::string> normalMapLines() const {
        std::vector<std::string> out;
        for (const auto& l : recorder.lines)
            if (l.find("\"property\":\"Normal Map One\"") != std::string::npos ||
                l.find("\"property\":\"normal_value\"") != std::string::npos)
                out.push_back(l);
        return out;
    }
};

// Says yes or no as told, and keeps what it was asked for.
struct ScriptedProvider : NormalMapProvider {
    bool answer = false;
    std::vector<std::u16string> asked; // source, output, source, output ...
    bool provide(const std::u16string& source, const std::u16string& output) override {
        asked.insert(asked.end(), {source, output});
        return answer;
    }
};

PixelImage halves() {
    PixelImage image;
    image.width = 4;
    image.height = 4;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t v = x < 2 ? 255 : 0;
            image.bgra.insert(image.bgra.end(), {v, v, v, 255});
        }
    return image;
}

} // namespace

TEST(MaterialTemplate, ChosenByTransparencyAndFlag) {
    // 0.9 read from text is just below 0.9 as a double but equal to the float 0.9.
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.9\nm_nContaintTransparent [0]")), u"template_transparent");
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.9\nm_nContaintTransparent [1]")), u"template_custom_alpha");
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.95\nm_nContaintTransparent [1]")), u"template_custom_alpha");
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.95\nm_nContaintTransparent [0]")), u"template_custom");
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.5\nm_nContaintTransparent [0]")), u"template_transparent");
    EXPECT_EQ(chooseTemplate(parsed(u"Transparent 0.5\nm_nContaintTransparent [-3]")), u"template_transparent");
    EXPECT_EQ(chooseTemplate(MaterialRecord{}), u"template_custom");
    MaterialRecord nan;
    nan.Transparent = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(chooseTemplate(nan), u"template_custom");
    nan.m_nContaintTransparent = 1;
    EXPECT_EQ(chooseTemplate(nan), u"template_custom");
}

TEST(MaterialColorText, DiffuseChannelsTruncateToTheirLowByte) {
    EXPECT_EQ(colorOf(1, 0.5f, 0), u"#FF7F00");
    EXPECT_EQ(colorOf(1.2f, 0.999f, 0), u"#32FE00");
    EXPECT_EQ(colorOf(10, -0.5f, -0.001f), u"#F68100"); // 2550, -127, -0.255 -> 0
    EXPECT_EQ(colorOf(1e6f, 0, 0), u"#C00000");         // 255000000 = 0x0F3127C0
    // No integer value: infinity, NaN and products beyond 2^63 give 0.
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(colorOf(inf, -inf, std::nanf("")), u"#000000");
    EXPECT_EQ(colorOf(1e30f, -1e30f, 3.9e16f), u"#000000");
}

TEST(MaterialColorText, EmissiveIsPackedRedFirst) {
    EXPECT_EQ(emissiveColorText(255), u"#FF0000");
    EXPECT_EQ(emissiveColorText(0x00FF8000), u"#0080FF");
    EXPECT_EQ(emissiveColorText(static_cast<int32_t>(0xAB112233)), u"#332211");
    EXPECT_EQ(emissiveColorText(0), u"#000000");
}

TEST(MaterialTexture, FirstMapOfAKindDecides) {
    FakePlatform fake;
    MaterialRecord r;
    r.MatExt = {map(1, u"unused.jpg", 1), map(1, u"used.jpg", 2), map(5, u"rough.png", 3),
                map(6, u"", 2)};
    EXPECT_EQ(findTextureFile(r, 1, false), u"");
    EXPECT_EQ(findTextureFile(r, 5, false), u"rough.png");
    EXPECT_EQ(findTextureFile(r, 6, false), u"");
    EXPECT_EQ(findTextureFile(r, 2, false), u"");
    std::swap(r.MatExt[0], r.MatExt[1]);
    EXPECT_EQ(findTextureFile(r, 1, false), u"used.jpg");
    EXPECT_EQ(findTextureFile(r, 1, true), u"");
    EXPECT_EQ(findTextureFile(r, 5, true), u"");
    EXPECT_EQ(findTextureFile(r, 5, false), u"rough.png");
}

TEST(MaterialTexture, NamesThatLeaveTheTextureFolder) {
    for (const std::u16string name : {u"oak.jpg", u"sub\\oak.jpg", u"sub/oak.jpg", u"a..b.png",
                                      u"..oak.png", u"oak.png..", u".\\oak.png", u"my oak.png"})
        EXPECT_TRUE(staysInTextureFolder(name)) << toUtf8(name);
    const std::u16string withZero(u"oak.jpg\0x", 9);
    for (const std::u16string& name :
         {std::u16string(u""), std::u16string(u"\\oak.jpg"), std::u16string(u"/oak.jpg"),
          std::u16string(u"\\\\server\\share\\oak.jpg"), std::u16string(u"C:oak.jpg"),
          std::u16string(u"C:\\oak.jpg"), std::u16string(u"oak.jpg:stream"), std::u16string(u".."),
          std::u16string(u"..\\oak.jpg"), std::u16string(u"../oak.jpg"),
          std::u16string(u"sub\\..\\..\\oak.jpg"), std::u16string(u"sub/.."),
          std::u16string(u"...\\oak.jpg"), std::u16string(u".. /oak.jpg"),
          std::u16string(u"sub\\ ..\\oak.jpg"), std::u16string(u"oak\tjpg"), withZero})
        EXPECT_FALSE(staysInTextureFolder(name)) << toUtf8(name);
}

TEST_F(SendMaterial, DefaultRecordSendsColoursAndScalarsOnly) {
    sendMaterial(context(), MaterialRecord{});
    const std::u16string m = u"";
    EXPECT_EQ(recorder.lines, Lines(MaterialCalls(m)
                                  .str(u"type", u"template_custom")
                                  .str(u"name", u"")
                                  .num(u"Opacity", 0)
                                  .num(u"Refraction", 0)
                                  .str(u"Diffuse (Color)", u"#000000")
                                  .num(u"roughness_value", 0)
                                  .num(u"Metallic", 0)));
}

TEST_F(SendMaterial, EmissiveTexturedMaterialSendsEveryStepInOrder) {
    MaterialRecord r;
    r.MaterialID_Name = u"M_12";
    r.InterfaceName = u"Lamp shade";
    r.TypeNat = 17;
    r.Transparent = 0.5f;
    r.IOR = 1.5f;
    r.EmissiveIntensity = 250;
    r.emissiveColor = 0x00FF8000;
    r.Diffuse[0] = 1;
    r.Bump = 0.75f;
    r.Roughness = 0.35f;
    r.Reflection = 0.25f;
    r.MatExt = {map(3, u"ao.png", 0, 0.6f), map(1, u"shade.jpg"), map(2, u"shade_n.png", 3),
                map(5, u"rough.png"), map(6, u"metal.png"), map(3, u"ao2.png", 2, 0.9f)};
    sendMaterial(context(), r);
    const std::u16string m = u"M_12";
    const std::u16string t = textures();
    EXPECT_EQ(recorder.lines, Lines(MaterialCalls(m)
                                  .str(u"type", u"template_transparent")
                                  .str(u"name", u"Lamp shade")
                                  .num(u"Opacity", 0.5f)
                                  .num(u"Refraction", 1.5f)
                                  .str(u"EmissiveMask", t + u"shade.jpg")
                                  .integer(u"EmissiveSwitcher", 1)
                                  .num(u"Light", 2.5f)
                                  .str(u"Diffuse Map", t + u"shade.jpg")
                                  .str(u"Normal Map One", t + u"shade_n.png")
                                  .num(u"normal_value", 0.75f)
                                  .str(u"Roughness Map", t + u"rough.png")
                                  .num(u"roughness_value", 0.35f)
                                  .str(u"MetallicMap", t + u"metal.png")
                                  .num(u"Metallic", 0.25f)
                                  // The first ambient-occlusion map is not in use: no
                                  // AOMap, but its intensity still goes out.
                                  .num(u"AOIntensity", 0.6f)));
}

TEST_F(SendMaterial, EmissiveWithoutTextureSendsItsColour) {
    MaterialRecord r;
    r.MaterialID_Name = u"Glow";
    r.TypeNat = 17;
    r.emissiveColor = 0x00FF8000;
    r.Diffuse[1] = 1;
    sendMaterial(context(), r);
    const auto& l = recorder.lines;
    ASSERT_EQ(l.size(), 11u);
    EXPECT_EQ(l[5], op::materialString(u"Glow", u"Emissive Color", u"#0080FF"));
    EXPECT_EQ(l[6], op::materialInt(u"Glow", u"EmissiveSwitcher", 1));
    EXPECT_EQ(l[7], op::materialFloat(u"Glow", u"Light", 0));
    EXPECT_EQ(l[8], op::materialString(u"Glow", u"Diffuse (Color)", u"#00FF00"));
}

TEST_F(SendMaterial, ColourOnlyModeSendsNoPaths) {
    writeTexture(textureFile("oak.png"), halves());
    MaterialRecord r;
    r.MaterialID_Name = u"M";
    r.TypeNat = 17;
    r.Bump = 0.5f;
    r.emissiveColor = 255;
    r.Diffuse[2] = 1;
    r.MatExt = {map(1, u"oak.png"), map(3, u"ao.png", 2, 0.4f), map(5, u"r.png")};
    sendMaterial(context(true), r);
    const std::u16string m = u"M";
    EXPECT_EQ(recorder.lines, Lines(MaterialCalls(m)
                                  .str(u"type", u"template_custom")
                                  .str(u"name", u"")
                                  .num(u"Opacity", 0)
                                  .num(u"Refraction", 0)
                                  .str(u"Emissive Color", u"#FF0000")
                                  .integer(u"EmissiveSwitcher", 1)
                                  .num(u"Light", 0)
                                  .str(u"Diffuse (Color)", u"#0000FF")
                                  .num(u"roughness_value", 0)
                                  .num(u"Metallic", 0)
                                  .num(u"AOIntensity", 0.4f)));
    EXPECT_FALSE(pathExists(fromUtf8(textureFile("oak.png_Normal.png"))));
}

TEST_F(SendMaterial, BumpWithoutNormalMapGeneratesOne) {
    writeTexture(textureFile("oak.png"), halves());
    MaterialRecord r;
    r.MaterialID_Name = u"Oak";
    r.Bump = -0.5f;
    // A normal map that is not in use counts as none.
    r.MatExt = {map(2, u"oak_n.png", 1), map(1, u"oak.png")};
    sendMaterial(context(), r);
    const std::u16string output = textures() + u"oak.png_Normal.png";
    EXPECT_EQ(normalMapLines(), (Lines{op::materialString(u"Oak", u"Normal Map One", output),
                                                          op::materialFloat(u"Oak", u"normal_value", -0.5f)}));
    // Right after the diffuse map.
    EXPECT_EQ(recorder.lines.at(5), op::materialString(u"Oak", u"Diffuse Map", textures() + u"oak.png"));
    EXPECT_EQ(recorder.lines.at(6), op::materialString(u"Oak", u"Normal Map One", output));

    PixelImage written, expected;
    ASSERT_TRUE(platform().decodeImage(output, written));
    computeNormalMap(halves(), expected);
    EXPECT_EQ(written.bgra, expected.bgra);
}

TEST_F(SendMaterial, NoGenerationAtSmallBumpOrWithoutSource) {
    writeTexture(textureFile("oak.png"), halves());
    MaterialRecord r;
    r.MaterialID_Name = u"Oak";
    r.MatExt = {map(1, u"oak.png")};
    for (float bump : {0.01f, -0.01f, 0.0f, std::nanf("")}) {
        r.Bump = bump;
        sendMaterial(context(), r);
    }
    EXPECT_TRUE(normalMapLines().empty());
    EXPECT_FALSE(pathExists(fromUtf8(textureFile("oak.png_Normal.png"))));

    // A source that cannot be read: nothing generated, the diffuse path still sent.
    recorder.clear();
    r.Bump = 0.5f;
    r.MatExt = {map(1, u"missing.png")};
    sendMaterial(context(), r);
    EXPECT_TRUE(normalMapLines().empty());
    EXPECT_EQ(recorder.lines.at(5), op::materialString(u"Oak", u"Diffuse Map", textures() + u"missing.png"));
    EXPECT_FALSE(pathExists(fromUtf8(textureFile("missing.png_Normal.png"))));

    // A diffuse map that is not in use gives no source.
    recorder.clear();
    r.MatExt = {map(1, u"oak.png", 0)};
    sendMaterial(context(), r);
    EXPECT_TRUE(normalMapLines().empty());
    EXPECT_FALSE(pathExists(fromUtf8(textureFile("oak.png_Normal.png"))));
}

TEST_F(SendMaterial, TextureNameOutsideTheFolderGeneratesNothing) {
    // A readable image one folder up: a generated file would land beside it.
    writeTexture(data.file("escape.png"), halves());
    MaterialRecord r;
    r.MaterialID_Name = u"Escape";
    r.Bump = 1;
    for (const std::u16string name : {u"..\\escape.png", u"../escape.png", u"sub/../../escape.png"}) {
        recorder.clear();
        r.MatExt = {map(1, name)};
        sendMaterial(context(), r);
        EXPECT_TRUE(normalMapLines().empty()) << toUtf8(name);
        EXPECT_EQ(recorder.lines.at(5), op::materialString(u"Escape", u"Diffuse Map", textures() + name));
    }
    EXPECT_FALSE(pathExists(fromUtf8(data.file("escape.png_Normal.png"))));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.path),
                            std::filesystem::directory_iterator{}),
              2); // Textures and escape.png
}

// Nothing is generated while mapping: the map to generate is an entry of data.
TEST(MaterialMapping, MapToGenerateIsAnEntryInPlaceOfTheNormalMap) {
    MaterialRecord r;
    r.Bump = 0.25f;
    r.MatExt = {map(1, u"oak.jpg")};
    const std::vector<MaterialEntry> entries = mapMaterial(r, u"T\\", false);
    // type, name, Opacity, Refraction, Diffuse Map, the map to generate, roughness, Metallic.
    ASSERT_EQ(entries.size(), 8u);
    const auto* diffuse = std::get_if<RendererProperty>(&entries[4]);
    ASSERT_TRUE(diffuse);
    EXPECT_EQ(diffuse->text, u"T\\oak.jpg");
    const auto* generated = std::get_if<GeneratedNormalMap>(&entries[5]);
    ASSERT_TRUE(generated);
    EXPECT_EQ(generated->source, u"T\\oak.jpg");
    EXPECT_EQ(generated->output, u"T\\oak.jpg_Normal.png");
    EXPECT_EQ(generated->strength, 0.25f);
}

TEST_F(SendMaterial, GeneratedMapIsSentOnlyWhenTheProviderHasIt) {
    ScriptedProvider provider;
    SendContext c = context();
    EXPECT_EQ(c.textureFolder, textures()); // the data folder's, as it stands
    c.normalMaps = &provider;
    MaterialRecord r;
    r.MaterialID_Name = u"Oak";
    r.Bump = 0.5f;
    r.MatExt = {map(1, u"oak.png")};
    const std::u16string source = textures() + u"oak.png";
    const std::u16string output = source + u"_Normal.png";

    sendMaterial(c, r);
    EXPECT_TRUE(normalMapLines().empty());
    provider.answer = true;
    sendMaterial(c, r);
    EXPECT_EQ(normalMapLines(), (Lines{op::materialString(u"Oak", u"Normal Map One", output),
                                                          op::materialFloat(u"Oak", u"normal_value", 0.5f)}));
    EXPECT_EQ(provider.asked, (std::vector<std::u16string>{source, output, source, output}));
    EXPECT_EQ(recorder.lines.size(), 2 * 8u + 2);

    // Without a provider nothing is generated and nothing sent for it.
    recorder.clear();
    c.normalMaps = nullptr;
    sendMaterial(c, r);
    EXPECT_TRUE(normalMapLines().empty());
    EXPECT_EQ(recorder.lines.size(), 8u);
}
