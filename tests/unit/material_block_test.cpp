// The material block and the extended-material blocks nested in it: key order and forms,
// text values, the cutting-out of "MatExt" objects and the final Roughness clamp.
#include "materials/material_block.h"
#include "scene-writer/material_text.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace orvex;

namespace {

MaterialRecord parse(const std::u16string& text) {
    MaterialRecord r;
    parseMaterialBlock(r, text);
    return r;
}

ExtendMaterialRecord parseExt(const std::u16string& text) {
    ExtendMaterialRecord r;
    parseExtendMaterialBlock(r, text);
    return r;
}

void expectSameMap(const ExtendMaterialRecord& a, const ExtendMaterialRecord& b) {
    EXPECT_EQ(a.Type, b.Type);
    EXPECT_EQ(a.strFile, b.strFile);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.Color[i], b.Color[i]) << "Color " << i;
    EXPECT_EQ(a.nAlcolor, b.nAlcolor);
    EXPECT_EQ(a.nFlag, b.nFlag);
    EXPECT_EQ(a.Value, b.Value);
}

void expectSameRecord(const MaterialRecord& a, const MaterialRecord& b) {
    EXPECT_EQ(a._nMatDescIndex, b._nMatDescIndex);
    EXPECT_EQ(a.TypeNat, b.TypeNat);
    EXPECT_EQ(a.Transparent, b.Transparent);
    EXPECT_EQ(a.Bump, b.Bump);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.Diffuse[i], b.Diffuse[i]) << "Diffuse " << i;
    EXPECT_EQ(a.Diffuse_Logical, b.Diffuse_Logical);
    EXPECT_EQ(a.IOR, b.IOR);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.Specular[i], b.Specular[i]) << "Specular " << i;
    EXPECT_EQ(a.Reflection, b.Reflection);
    EXPECT_EQ(a.MaterialID_Name, b.MaterialID_Name);
    EXPECT_EQ(a.InterfaceName, b.InterfaceName);
    EXPECT_EQ(a.m_nContaintTransparent, b.m_nContaintTransparent);
    EXPECT_EQ(a.AmbientFactor, b.AmbientFactor);
    EXPECT_EQ(a.DiffuseFactor, b.DiffuseFactor);
    EXPECT_EQ(a.SpecularFactor, b.SpecularFactor);
    EXPECT_EQ(a.Roughness, b.Roughness);
    EXPECT_EQ(a.SpecularExponent, b.SpecularExponent);
    EXPECT_EQ(a.Anizotropic, b.Anizotropic);
    EXPECT_EQ(a.Glossy, b.Glossy);
    EXPECT_EQ(a.Fresnel, b.Fresnel);
    EXPECT_EQ(a.EmissiveIntensity, b.EmissiveIntensity);
    EXPECT_EQ(a.Mat_Flags, b.Mat_Flags);
    EXPECT_EQ(a.MixedColor, b.MixedColor);
    EXPECT_EQ(a.nTimeID, b.nTimeID);
    EXPECT_EQ(a.emissiveColor, b.emissiveColor);
    EXPECT_EQ(a.emissiveStrength, b.emissiveStrength);
    ASSERT_EQ(a.MatExt.size(), b.MatExt.size());
    for (size_t i = 0; i < a.MatExt.size(); ++i) expectSameMap(a.MatExt[i], b.MatExt[i]);
}

// Every field away from its default and from every other field's value, so that a key
// read into the wrong field shows.
MaterialRecord everyFieldSet() {
    MaterialRecord r;
    r._nMatDescIndex = 7;
    r.TypeNat = 17;
    r.Transparent = 0.75f;
    r.Bump = -0.5f;
    r.Diffuse[0] = 0.8f; r.Diffuse[1] = 0.6f; r.Diffuse[2] = 0.2f;
    r.Diffuse_Logical = 3;
    r.IOR = 1.45f;
    r.Specular[0] = 0.1f; r.Specular[1] = 0.15f; r.Specular[2] = 0.125f;
    r.Reflection = 0.33f;
    r.MaterialID_Name = u"M_12";
    r.InterfaceName = u"Oak floor";
    r.m_nContaintTransparent = 1;
    r.AmbientFactor = 0.11f;
    r.DiffuseFactor = 0.22f;
    r.SpecularFactor = 0.44f;
    r.Roughness = 0.35f;
    r.SpecularExponent = 12.5f;
    r.Anizotropic = 0.05f;
    r.Glossy = 0.66f;
    r.Fresnel = 4;
    r.EmissiveIntensity = 250;
    r.Mat_Flags = 9;
    r.MixedColor = 11;
    r.nTimeID = 42;
    r.emissiveColor = 0x00FF8000;
    r.emissiveStrength = 2.5f;
    ExtendMaterialRecord diffuse;
    diffuse.Type = 1; diffuse.strFile = u"oak.jpg"; diffuse.nFlag = 2; diffuse.nAlcolor = 5;
    diffuse.Color[0] = 0.5f; diffuse.Color[1] = 0.25f; diffuse.Color[2] = 1;
    diffuse.Value = 0.8f;
    ExtendMaterialRecord occlusion;
    occlusion.Type = 3; occlusion.strFile = u"sub\\ao map.png"; occlusion.Value = 0.6f;
    r.MatExt = {diffuse, occlusion};
    return r;
}

} // namespace

TEST(MaterialBlock, EmptyTextKeepsEveryDefault) {
    const MaterialRecord r = parse(u"");
    expectSameRecord(r, MaterialRecord{});
    EXPECT_EQ(r.Transparent, 1.0f);
    EXPECT_EQ(r.Diffuse_Logical, -1);
    EXPECT_EQ(r.MixedColor, -1);
    EXPECT_EQ(r.nTimeID, -1);
    EXPECT_EQ(r.emissiveStrength, 1.0f);
    EXPECT_TRUE(r.MatExt.empty());
}

TEST(MaterialBlock, EveryKeyFillsItsOwnField) {
    const MaterialRecord written = everyFieldSet();
    expectSameRecord(parse(scene::materialBlockText(written)), written);
}

TEST(MaterialBlock, WriterUsesTheHostsLineForms) {
    MaterialRecord r;
    r.TypeNat = 17;
    r.Diffuse[0] = 0.8f; r.Diffuse[1] = 0.6f; r.Diffuse[2] = 0.2f;
    r.MaterialID_Name = u"M_12";
    r.nTimeID = 42;
    r.emissiveStrength = 2.5f;
    const std::u16string text = scene::materialBlockText(r);
    for (const std::u16string line : {u"TypeNat 17\n", u"Ver 3\n", u"Diffuse 0.8 0.6 0.2\n",
                                      u"MaterialID_Name [M_12]\n", u"nTimeID [42]\n",
                                      u"emissiveStrength [2.5]\n", u"Transparent 1\n",
                                      u"MixedColor [-1]\n"})
        EXPECT_NE(text.find(line), std::u16string::npos);
    EXPECT_EQ(text.substr(0, 11), u"TypeNat 17\n");
}

TEST(MaterialBlock, RoughnessIsNeverNegativeAfterParsing) {
    EXPECT_EQ(parse(u"Roughness -0.5").Roughness, 0.0f);
    EXPECT_EQ(parse(u"Roughness 0.35").Roughness, 0.35f);
    // The clamp comes after the last line, whatever came before.
    EXPECT_EQ(parse(u"Roughness 0.35\nRoughness -2\n").Roughness, 0.0f);
}

TEST(MaterialBlock, NumbersFollowTheScanRules) {
    const MaterialRecord partial = parse(u"Diffuse 0.9 0.9 0.9\nDiffuse 0.5 0.25\n");
    EXPECT_EQ(partial.Diffuse[0], 0.5f);
    EXPECT_EQ(partial.Diffuse[1], 0.25f);
    EXPECT_EQ(partial.Diffuse[2], 0.9f);
    // Bare keys want no bracket, bracketed keys want one.
    EXPECT_EQ(parse(u"TypeNat [17]").TypeNat, 0);
    EXPECT_EQ(parse(u"nTimeID 5").nTimeID, -1);
    EXPECT_EQ(parse(u"MixedColor [3]").MixedColor, 3);
    // A leading blank keeps a line from being a key line.
    EXPECT_EQ(parse(u" Bump 0.5").Bump, 0.0f);
    // The last occurrence wins; a malformed one changes nothing.
    EXPECT_EQ(parse(u"Bump 0.5\nBump 0.25\nBump x\n").Bump, 0.25f);
    // Any run of blanks after the key, also a tab, is white space.
    EXPECT_EQ(parse(u"IOR \t 1.5").IOR, 1.5f);
    expectSameRecord(parse(u"Ver 3\n"), MaterialRecord{});
}

TEST(MaterialBlock, SeparatorKeepsSimilarKeysApart) {
    const MaterialRecord r = parse(u"Diffuse_Logical 5\nDiffuseFactor 0.3\nSpecularFactor 0.4\n"
                                   u"SpecularExponent 8\nDiffuse 0.1 0.2 0.3\nSpecular 0.7 0.8 0.9\n");
    EXPECT_EQ(r.Diffuse_Logical, 5);
    EXPECT_EQ(r.DiffuseFactor, 0.3f);
    EXPECT_EQ(r.SpecularFactor, 0.4f);
    EXPECT_EQ(r.SpecularExponent, 8.0f);
    EXPECT_EQ(r.Diffuse[0], 0.1f);
    EXPECT_EQ(r.Specular[2], 0.9f);
}

TEST(MaterialBlock, TextValuesLoseOneClosingBracketOnly) {
    EXPECT_EQ(parse(u"MaterialID_Name [Brick]").MaterialID_Name, u"Brick");
    EXPECT_EQ(parse(u"MaterialID_Name [a]b]").MaterialID_Name, u"a]b");
    EXPECT_EQ(parse(u"MaterialID_Name [").MaterialID_Name, u"");
    EXPECT_EQ(parse(u"MaterialID_Name [Brick").MaterialID_Name, u"Brick");
    EXPECT_EQ(parse(u"MaterialID_Name [Brick]]").MaterialID_Name, u"Brick]");
    // A carriage return stays part of the line, so the bracket is not the last character.
    EXPECT_EQ(parse(u"InterfaceName [Oak]\r\n").InterfaceName, u"Oak]\r");
}

TEST(MaterialBlock, MatExtObjectsAreKeptInBlockOrder) {
    const std::u16string text = u"MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Type [1]\n"
                                u"ExtendMaterial_End\nMatExt_ObjectEND\n"
                                u"Bump 0.5\n"
                                u"MatExt_ObjectSTART anything\nExtendMaterial_Start\n"
                                u"ExtendMaterial_Type [3]\nExtendMaterial_End\nMatExt_ObjectEND\n";
    const MaterialRecord r = parse(text);
    ASSERT_EQ(r.MatExt.size(), 2u);
    EXPECT_EQ(r.MatExt[0].Type, 1);
    EXPECT_EQ(r.MatExt[1].Type, 3);
    EXPECT_EQ(r.Bump, 0.5f);
}

TEST(MaterialBlock, NestedMatExtEndsAtItsOwnEndLine) {
    // The inner pair and everything up to the second end line are the object's text: the
    // inner Type line overrides the outer one, and the Bump line is no material key here.
    const std::u16string text = u"MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Type [2]\n"
                                u"MatExt_ObjectSTART\nExtendMaterial_Type [6]\nMatExt_ObjectEND\n"
                                u"Bump 0.75\nExtendMaterial_nFlag [2]\nMatExt_ObjectEND\nIOR 1.5\n";
    const MaterialRecord r = parse(text);
    ASSERT_EQ(r.MatExt.size(), 1u);
    EXPECT_EQ(r.MatExt[0].Type, 6);
    EXPECT_EQ(r.MatExt[0].nFlag, 2);
    EXPECT_EQ(r.Bump, 0.0f);
    EXPECT_EQ(r.IOR, 1.5f);
}

TEST(MaterialBlock, UnclosedMatExtIsDroppedWithTheRestOfTheText) {
    const MaterialRecord r = parse(u"Bump 0.5\nMatExt_ObjectSTART\nExtendMaterial_Start\n"
                                   u"ExtendMaterial_Type [1]\nIOR 1.5\nRoughness -1\n");
    EXPECT_TRUE(r.MatExt.empty());
    EXPECT_EQ(r.Bump, 0.5f);
    EXPECT_EQ(r.IOR, 0.0f);
    EXPECT_EQ(r.Roughness, 0.0f);
}

TEST(MaterialBlock, OnlyMatExtObjectsAreCutOut) {
    const MaterialRecord r = parse(u"Other_ObjectSTART\nDiffuse 0.5 0.5 0.5\nOther_ObjectEND\n"
                                   u"MatExt_ObjectEND\nmatext_ObjectSTART\nBump 0.25\n");
    EXPECT_EQ(r.Diffuse[1], 0.5f);
    EXPECT_EQ(r.Bump, 0.25f);
    EXPECT_TRUE(r.MatExt.empty());
}

TEST(ExtendMaterialBlock, KeysCountOnlyInsideTheFrame) {
    EXPECT_EQ(parseExt(u"ExtendMaterial_Type [3]\n").Type, 0);
    EXPECT_EQ(parseExt(u"ExtendMaterial_Start \nExtendMaterial_Type [3]\n").Type, 0);
    EXPECT_EQ(parseExt(u"ExtendMaterial_Start\r\nExtendMaterial_Type [3]\n").Type, 0);
    EXPECT_EQ(parseExt(u"ExtendMaterial_Type [3]\nExtendMaterial_Start\n").Type, 0);
    EXPECT_EQ(parseExt(u"ExtendMaterial_Start\nExtendMaterial_Type [3]\n").Type, 3);
    EXPECT_EQ(parseExt(u"ExtendMaterial_Start\nExtendMaterial_Type [3]\nExtendMaterial_End\n"
                       u"ExtendMaterial_Type [5]\n").Type, 3);
    // A start line after an end line opens the block again.
    EXPECT_EQ(parseExt(u"ExtendMaterial_Start\nExtendMaterial_End\nExtendMaterial_Type [5]\n"
                       u"ExtendMaterial_Start\nExtendMaterial_nFlag [2]\n").Type, 0);
    const ExtendMaterialRecord reopened =
        parseExt(u"ExtendMaterial_Start\nExtendMaterial_End\nExtendMaterial_Start\n"
                 u"ExtendMaterial_Type [5]\n");
    EXPECT_EQ(reopened.Type, 5);
    expectSameMap(parseExt(u"Type [3]\nExtendMaterial_Type [3]\n"), ExtendMaterialRecord{});
}

TEST(ExtendMaterialBlock, ValuesAndForms) {
    const std::u16string open = u"ExtendMaterial_Start\n";
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_strFile [tex/a]b.png]").strFile, u"tex/a]b.png");
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_strFile [").strFile, u"");
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_Value [0.5]").Value, 0.0f);
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_Value 0.5").Value, 0.5f);
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_nFlag 2").nFlag, 0);
    EXPECT_EQ(parseExt(open + u"ExtendMaterial_nAlcolor [7]").nAlcolor, 7);
    const ExtendMaterialRecord color = parseExt(open + u"ExtendMaterial_Color [0.2 0.4]");
    EXPECT_EQ(color.Color[0], 0.2f);
    EXPECT_EQ(color.Color[1], 0.4f);
    EXPECT_EQ(color.Color[2], -1.0f);
    // "Version" is read and used for nothing.
    expectSameMap(parseExt(open + u"ExtendMaterial_Version [9]"), ExtendMaterialRecord{});
}

TEST(ExtendMaterialBlock, WriterRoundTrips) {
    ExtendMaterialRecord m;
    m.Type = 5; m.strFile = u"rough [1].png"; m.nFlag = 3; m.nAlcolor = 12;
    m.Color[0] = 0.1f; m.Color[1] = 0.2f; m.Color[2] = 0.3f; m.Value = 0.8f;
    expectSameMap(parseExt(scene::extendMaterialBlockText(m)), m);
    const std::u16string text = scene::extendMaterialBlockText(m);
    EXPECT_NE(text.find(u"\nExtendMaterial_Value 0.8\n"), std::u16string::npos);
    EXPECT_EQ(text.substr(0, 21), u"ExtendMaterial_Start\n");
}
