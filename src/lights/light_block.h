// The light block: a LightRecord in renderer axes.
#pragma once

#include "lights/light_record.h"

#include <string>
#include <string_view>

namespace orvex {

// The key whose word names the kind of light.
inline constexpr std::u16string_view kLightKindKey = u"LightSource";

// True when the word names a kind; any other word is taken as Point.
bool isLightKindWord(std::u16string_view word);
LightKind lightKindFromWord(std::u16string_view word);
void parseLightBlock(LightRecord& record, const std::u16string& text);

} // namespace orvex
