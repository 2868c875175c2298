#include "materials/material_mapping.h"

#include "materials/material_colors.h"
#include "materials/texture_name.h"

#include <cmath>
#include <optional>

namespace orvex {

namespace {

constexpr int32_t kMapInUse = 2; // bit 1 of nFlag
constexpr int32_t kEmissiveMaterial = 17;

// A material with a bump strength but no normal map of its own has one made from its
// diffuse texture, written next to its source; a name that would put it anywhere but the
// texture folder is not used to write files.
std::optional<GeneratedNormalMap> normalMapToGenerate(const MaterialRecord& record,
                                                      const std::u16string& textureFolder, bool colorOnly) {
    if (!(std::fabs(static_cast<double>(record.Bump)) > 0.01)) return std::nullopt;
    const std::u16string diffuse = findTextureFile(record, kDiffuseMap, colorOnly);
    if (diffuse.empty() || !staysInTextureFolder(diffuse)) return std::nullopt;
    const std::u16string source = textureFolder + diffuse;
    return GeneratedNormalMap{source, source + u"_Normal.png", record.Bump};
}

} // namespace

std::u16string chooseTemplate(const MaterialRecord& record) {
    // The alpha test is single precision against the float 0.9; the transparency test is
    // double precision, so a value read from "0.9" (just below 0.9 as a double) counts as
    // transparent. NaN fails both and keeps the custom template.
    if (record.m_nContaintTransparent != 0 && record.Transparent >= 0.9f) return u"template_custom_alpha";
    if (static_cast<double>(record.Transparent) < 0.9) return u"template_transparent";
    return u"template_custom";
}

std::u16string findTextureFile(const MaterialRecord& record, int32_t code, bool colorOnly) {
    if (colorOnly) return {};
    for (const ExtendMaterialRecord& map : record.MatExt) {
        if (map.Type != code) continue;
        // The first map of a kind decides, whether or not it is in use.
        if (map.nFlag & kMapInUse) return map.strFile;
        return {};
    }
    return {};
}

std::vector<MaterialEntry> mapMaterial(const MaterialRecord& record, const std::u16string& textureFolder,
                                       bool colorOnly) {
    std::vector<MaterialEntry> entries;
    const auto add = [&](RendererProperty property) { entries.emplace_back(std::move(property)); };
    // The texture path of the map kind, when the material has that map; true when added.
    const auto texture = [&](int32_t code, const char16_t* property) {
        const std::u16string file = findTextureFile(record, code, colorOnly);
        if (file.empty()) return false;
        add(stringProperty(property, textureFolder + file));
        return true;
    };

    add(stringProperty(u"type", chooseTemplate(record)));
    add(stringProperty(u"name", record.InterfaceName));
    add(floatProperty(u"Opacity", 1.0f - record.Transparent));
    add(floatProperty(u"Refraction", record.IOR));

    if (record.TypeNat == kEmissiveMaterial) {
        if (!texture(kDiffuseMap, u"EmissiveMask"))
            add(stringProperty(u"Emissive Color", emissiveColorText(record.emissiveColor)));
        add(intProperty(u"EmissiveSwitcher", 1));
        add(floatProperty(u"Light", static_cast<float>(record.EmissiveIntensity) / 100.0f));
    }

    if (!texture(kDiffuseMap, u"Diffuse Map")) add(stringProperty(u"Diffuse (Color)", diffuseColorText(record.Diffuse)));

    if (texture(kNormalMap, u"Normal Map One"))
        add(floatProperty(u"normal_value", record.Bump));
    else if (std::optional<GeneratedNormalMap> generated = normalMapToGenerate(record, textureFolder, colorOnly))
        entries.emplace_back(std::move(*generated));

    texture(kRoughnessMap, u"Roughness Map");
    add(floatProperty(u"roughness_value", record.Roughness));
    texture(kMetallicMap, u"MetallicMap");
    add(floatProperty(u"Metallic", record.Reflection));
    texture(kAmbientOcclusionMap, u"AOMap");

    // Only the kind counts here: the intensity goes out even when the map is not in use
    // and in colour-only mode.
    for (const ExtendMaterialRecord& map : record.MatExt) {
        if (map.Type == kAmbientOcclusionMap) {
            add(floatProperty(u"AOIntensity", map.Value));
            break;
        }
    }
    return entries;
}

std::array<RendererProperty, 2> generatedMapProperties(const GeneratedNormalMap& map) {
    return {stringProperty(u"Normal Map One", map.output), floatProperty(u"normal_value", map.strength)};
}

} // namespace orvex
