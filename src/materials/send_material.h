// A parsed material to the renderer: template, properties, texture maps and generated
// normal maps.
#pragma once

#include "core/send_context.h"
#include "materials/material_record.h"

#include <string>

namespace orvex {

// True when a texture name, appended to the texture folder, names a file inside it: not
// rooted or UNC, no drive or colon, no control character, no ".." component.
bool staysInTextureFolder(const std::u16string& name);
std::u16string chooseTemplate(const MaterialRecord& record);
std::u16string diffuseColorText(const float diffuse[3]);
std::u16string emissiveColorText(int32_t emissiveColor);
// The file of the first map of the kind when it is in use; none in colour-only mode.
std::u16string findTextureFile(const MaterialRecord& record, int32_t code, bool colorOnly);
bool sendTextureProperty(const SendContext& context, const MaterialRecord& record, int32_t code,
                         const std::u16string& property);
// The context's normal-map provider, when there is one, generates the maps the material asks
// for (and may reuse a map generated before); without one no map is generated.
void sendMaterial(const SendContext& context, const MaterialRecord& record);

} // namespace orvex
