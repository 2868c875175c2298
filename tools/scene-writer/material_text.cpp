// Writes material texts line by line in the host's key order, so that fixtures and sample
// scenes read back into the records they were made from.
#include "scene-writer/material_text.h"

#include "platform/text.h"
#include "scene-writer/light_text.h"


namespace orvex::scene {

namespace {

class Lines {
public:
    // key value (a blank between)
    Lines& bare(const char16_t* key, const std::u16string& value) {
        text_ += key;
        text_ += u' ';
        text_ += value;
        text_ += u'\n';
        return *this;
    }
    // key [value]
    Lines& bracket(const char16_t* key, const std::u16string& value) {
        text_ += key;
        text_ += u" [";
        text_ += value;
        text_ += u"]\n";
        return *this;
    }
    Lines& line(const std::u16string& whole) {
        text_ += whole;
        text_ += u'\n';
        return *this;
    }
    std::u16string take() { return std::move(text_); }

private:
    std::u16string text_;
};

std::u16string three(const float values[3]) {
    return hostFloat(values[0]) + u" " + hostFloat(values[1]) + u" " + hostFloat(values[2]);
}

} // namespace

std::u16string extendMaterialBlockText(const ExtendMaterialRecord& map) {
    return Lines()
        .line(u"ExtendMaterial_Start")
        .bracket(u"ExtendMaterial_Version", u"1")
        .bracket(u"ExtendMaterial_Type", decimal(map.Type))
        .bracket(u"ExtendMaterial_nFlag", decimal(map.nFlag))
        .bracket(u"ExtendMaterial_nAlcolor", decimal(map.nAlcolor))
        .bracket(u"ExtendMaterial_Color", three(map.Color))
        .bracket(u"ExtendMaterial_strFile", map.strFile)
        .bare(u"ExtendMaterial_Value", hostFloat(map.Value))
        .line(u"ExtendMaterial_End")
        .take();
}

std::u16string matExtObjectText(const ExtendMaterialRecord& map) {
    return u"MatExt_ObjectSTART\n" + extendMaterialBlockText(map) + u"MatExt_ObjectEND\n";
}

std::u16string materialBlockText(const MaterialRecord& r, int32_t version) {
    std::u16string text = Lines()
        .bare(u"TypeNat", decimal(r.TypeNat))
        .bare(u"Ver", decimal(version))
        .bracket(u"InterfaceName", r.InterfaceName)
        .bracket(u"MaterialID_Name", r.MaterialID_Name)
        .bare(u"Diffuse", three(r.Diffuse))
        .bare(u"Diffuse_Logical", decimal(r.Diffuse_Logical))
        .bare(u"AmbientFactor", hostFloat(r.AmbientFactor))
        .bare(u"DiffuseFactor", hostFloat(r.DiffuseFactor))
        .bare(u"SpecularFactor", hostFloat(r.SpecularFactor))
        .bare(u"Roughness", hostFloat(r.Roughness))
        .bare(u"SpecularExponent", hostFloat(r.SpecularExponent))
        .bare(u"Anizotropic", hostFloat(r.Anizotropic))
        .bare(u"Glossy", hostFloat(r.Glossy))
        .bare(u"Fresnel", decimal(r.Fresnel))
        .bare(u"Specular", three(r.Specular))
        .bare(u"Reflection", hostFloat(r.Reflection))
        .bare(u"Transparent", hostFloat(r.Transparent))
        .bare(u"IOR", hostFloat(r.IOR))
        .bare(u"Bump", hostFloat(r.Bump))
        .bare(u"Mat_Flags", decimal(r.Mat_Flags))
        .bracket(u"MixedColor", decimal(r.MixedColor))
        .bare(u"EmissiveIntensity", decimal(r.EmissiveIntensity))
        .bracket(u"_nMatDescIndex", decimal(r._nMatDescIndex))
        .bracket(u"m_nContaintTransparent", decimal(r.m_nContaintTransparent))
        .bracket(u"emissiveColor", decimal(r.emissiveColor))
        .bracket(u"emissiveStrength", hostFloat(r.emissiveStrength))
        .bracket(u"nTimeID", decimal(r.nTimeID))
        .take();
    for (const ExtendMaterialRecord& map : r.MatExt) text += matExtObjectText(map);
    return text;
}

} // namespace orvex::scene
