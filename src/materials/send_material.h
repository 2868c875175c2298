// A parsed material to the renderer: template, properties, texture maps and generated
// normal maps.
#pragma once

#include "materials/material_record.h"

#include <string>

namespace orvex {

struct RendererSession;
class NormalMapMemory;

// The texture folder: the data folder followed by "\Textures\".
std::u16string textureFolder();
// True when a texture name, appended to the texture folder, names a file inside it: not
// rooted or UNC, no drive or colon, no control character, no ".." component.
bool staysInTextureFolder(const std::u16string& name);
std::u16string chooseTemplate(const MaterialRecord& record);
std::u16string diffuseColorText(const float diffuse[3]);
std::u16string emissiveColorText(int32_t emissiveColor);
std::u16string findTextureFile(const MaterialRecord& record, int32_t code);
bool sendTextureProperty(const RendererSession& session, const MaterialRecord& record,
                         int32_t code, const std::u16string& property);
// normalMaps, when given, remembers generated normal maps across calls, so that an unchanged
// texture's map is sent again without being generated anew.
void sendMaterial(const RendererSession& session, const MaterialRecord& record,
                  NormalMapMemory* normalMaps = nullptr);

} // namespace orvex
