// Writes a light block the way the host does, from a LightRecord in the host's own axes:
// fixtures for the tests and the lights of the sample scene.
#pragma once

#include "lights/light_record.h"

#include <cstdint>
#include <string>

namespace orvex::scene {

// The host's word for a kind ("point", "spot", "IES", ...); "point" for a value outside
// the enumeration.
std::u16string lightKindWord(LightKind kind);

// A float as the host writes it: the shortest plain decimal that reads back to the same
// value ("120.5", "-30", "250", "-0", "0.0001").
std::u16string hostFloat(float value);

// Every key of the block, one line each, ended by a line feed, in the host's order:
// "Ver 1", "LightFlags [0]", "LightSource [spot]", ..., "From [120.5 -30 250]", ...,
// "LightTimeStamp: [5]", ..., "LightEnable: [1]", "LightSourceID [3]", "LightSolidID [42]".
// From and To are written as given (host axes); Enabled writes 1 or 0.
std::u16string lightBlockText(const LightRecord& host, int32_t version = 1);

} // namespace orvex::scene
