// The material block (bare keys, no markers, nested "MatExt" objects) and the
// extended-material block inside each object (keys prefixed "ExtendMaterial_", framed by
// start and end lines).
#include "materials/material_block.h"

#include "core/keyed_block_table.h"

namespace orvex {

namespace {

using M = MaterialRecord;
using MT = Target<M>;
constexpr Separator kBlank = Separator::Blank;
constexpr Separator kBracket = Separator::Bracket;

void addMap(M& record, const std::u16string& text) {
    ExtendMaterialRecord map;
    parseExtendMaterialBlock(map, text);
    record.MatExt.push_back(std::move(map));
}

// The material keys in test order. The separator is part of each test prefix, so
// "Diffuse " never takes a "Diffuse_Logical" or "DiffuseFactor" line; the "MatExt" object
// comes last, whatever follows "_ObjectSTART" on its line.
const Key<M> kMaterialKeys[] = {
    {u"TypeNat", kBlank, &M::TypeNat},
    {u"Ver", kBlank, MT::Unused{}},
    {u"InterfaceName", kBracket, &M::InterfaceName},
    {u"MaterialID_Name", kBracket, &M::MaterialID_Name},
    {u"Diffuse", kBlank, &M::Diffuse},
    {u"Diffuse_Logical", kBlank, &M::Diffuse_Logical},
    {u"AmbientFactor", kBlank, &M::AmbientFactor},
    {u"DiffuseFactor", kBlank, &M::DiffuseFactor},
    {u"SpecularFactor", kBlank, &M::SpecularFactor},
    {u"Roughness", kBlank, &M::Roughness},
    {u"SpecularExponent", kBlank, &M::SpecularExponent},
    {u"Anizotropic", kBlank, &M::Anizotropic},
    {u"Glossy", kBlank, &M::Glossy},
    {u"Fresnel", kBlank, &M::Fresnel},
    {u"Specular", kBlank, &M::Specular},
    {u"Reflection", kBlank, &M::Reflection},
    {u"Transparent", kBlank, &M::Transparent},
    {u"IOR", kBlank, &M::IOR},
    {u"Bump", kBlank, &M::Bump},
    {u"Mat_Flags", kBlank, &M::Mat_Flags},
    {u"MixedColor", kBracket, &M::MixedColor},
    {u"EmissiveIntensity", kBlank, &M::EmissiveIntensity},
    {u"_nMatDescIndex", kBracket, &M::_nMatDescIndex},
    {u"m_nContaintTransparent", kBracket, &M::m_nContaintTransparent},
    {u"emissiveColor", kBracket, &M::emissiveColor},
    {u"emissiveStrength", kBracket, &M::emissiveStrength},
    {u"nTimeID", kBracket, &M::nTimeID},
    {u"MatExt", Separator::ObjectStart, &addMap},
};

using E = ExtendMaterialRecord;
using ET = Target<E>;

// The extended-material keys in test order; "Value" alone takes its number bare.
const Key<E> kExtendMaterialKeys[] = {
    {u"Version", kBracket, ET::Unused{}},
    {u"nAlcolor", kBracket, &E::nAlcolor},
    {u"nFlag", kBracket, &E::nFlag},
    {u"Value", kBlank, &E::Value},
    {u"strFile", kBracket, &E::strFile},
    {u"Type", kBracket, &E::Type},
    {u"Color", kBracket, &E::Color},
};

} // namespace

void parseMaterialBlock(MaterialRecord& record, const std::u16string& text) {
    readKeyedBlock(text, u"", kMaterialKeys, record);
    if (record.Roughness < 0) record.Roughness = 0;
}

void parseExtendMaterialBlock(ExtendMaterialRecord& record, const std::u16string& text) {
    readKeyedBlock(text, u"ExtendMaterial", kExtendMaterialKeys, record);
}

} // namespace orvex
