// The light block: a LightRecord in renderer axes.
#pragma once

#include "lights/light_record.h"

#include <string>

namespace orvex {

LightKind lightKindFromWord(const std::u16string& word);
void parseLightBlock(LightRecord& record, const std::u16string& text);

} // namespace orvex
