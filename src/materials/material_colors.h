// The colour texts of a material: "#RRGGBB" in upper-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>

namespace orvex {

// Each channel times 255, truncated, reduced to its low byte.
std::u16string diffuseColorText(const float diffuse[3]);
// Packed 0x00BBGGRR: red in the lowest byte; the top byte is ignored.
std::u16string emissiveColorText(int32_t emissiveColor);

} // namespace orvex
