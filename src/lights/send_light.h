// A parsed light to the renderer.
#pragma once

#include "core/send_context.h"
#include "lights/light_record.h"

#include <array>
#include <string>

namespace orvex {

// "Light" followed by the signed decimal LightSolidID.
std::u16string lightNodeName(const LightRecord& record);
// The transform of a spot or IES light: rotation from To (radians), position from From.
std::array<float, 16> lightTransform(const float To[3], const float From[3]);
// An IES light's profile is named relative to the context's IES folder.
void sendLight(const SendContext& context, const LightRecord& record);

} // namespace orvex
