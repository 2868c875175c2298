// A parsed light to the renderer: its properties as values, and the calls that send them.
#pragma once

#include "core/renderer_property.h"
#include "core/send_context.h"
#include "lights/light_record.h"

#include <array>
#include <string>
#include <vector>

namespace orvex {

// "Light" followed by the signed decimal LightSolidID.
std::u16string lightNodeName(const LightRecord& record);
// The transform of a spot or IES light: rotation from To (radians), position from From.
std::array<float, 16> lightTransform(const float To[3], const float From[3]);
// Only point, spot and IES lights that are switched on exist in the renderer.
bool isSentLight(const LightRecord& record);
// The properties the light is given between AddLight and SendLights, in order; an IES
// profile is named relative to iesFolder (which ends with a backslash).
std::vector<RendererProperty> lightProperties(const LightRecord& record, const std::u16string& iesFolder);
// Adds the light, sends its properties and commits it at once; nothing for a light not sent.
void sendLight(const SendContext& context, const LightRecord& record);

} // namespace orvex
