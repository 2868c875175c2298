// A material record as the renderer properties it becomes, without sending them: the
// template, colour texts, texture paths in the texture folder and, where the material asks
// for one, the normal map to be generated from its diffuse texture.
#pragma once

#include "core/renderer_property.h"
#include "materials/material_record.h"

#include <array>
#include <string>
#include <variant>
#include <vector>

namespace orvex {

// The map kinds ("Type" of a MatExt record) that carry a texture file.
constexpr int32_t kDiffuseMap = 1;
constexpr int32_t kNormalMap = 2;
constexpr int32_t kAmbientOcclusionMap = 3;
constexpr int32_t kRoughnessMap = 5;
constexpr int32_t kMetallicMap = 6;

// The normal map of source, to be written to output and sent with the strength, once
// whoever provides normal maps has made it.
struct GeneratedNormalMap {
    std::u16string source;
    std::u16string output;
    float strength = 0;
};

using MaterialEntry = std::variant<RendererProperty, GeneratedNormalMap>;

std::u16string chooseTemplate(const MaterialRecord& record);
// The file of the first map of the kind when it is in use; none in colour-only mode.
std::u16string findTextureFile(const MaterialRecord& record, int32_t code, bool colorOnly);
// The properties the material is sent with after it is added, in order. Texture names are
// relative to textureFolder (which ends with a backslash).
std::vector<MaterialEntry> mapMaterial(const MaterialRecord& record, const std::u16string& textureFolder,
                                       bool colorOnly);
// What a generated map sends once it exists: the output path and the strength.
std::array<RendererProperty, 2> generatedMapProperties(const GeneratedNormalMap& map);

} // namespace orvex
