#include "materials/material_colors.h"

#include "platform/text.h"

#include <cstdio>

namespace orvex {

namespace {

std::u16string colorText(uint8_t red, uint8_t green, uint8_t blue) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", red, green, blue);
    return ascii(buffer);
}

// The lowest 8 bits of value x 255 truncated toward zero. Truncation through a 64-bit
// integer is defined for every product below 2^63 in magnitude; any larger product (and
// NaN) has no integer value and gives 0, the low byte x86 produces for such conversions.
// Every float of 2^31 or more is a multiple of 256, so both rules agree wherever both apply.
uint8_t channelByte(float value) {
    const float scaled = value * 255.0f;
    constexpr float kLimit = 9223372036854775808.0f; // 2^63
    if (!(scaled > -kLimit && scaled < kLimit)) return 0;
    return static_cast<uint8_t>(static_cast<uint64_t>(static_cast<int64_t>(scaled)) & 0xFF);
}

} // namespace

std::u16string diffuseColorText(const float diffuse[3]) {
    return colorText(channelByte(diffuse[0]), channelByte(diffuse[1]), channelByte(diffuse[2]));
}

std::u16string emissiveColorText(int32_t emissiveColor) {
    const uint32_t packed = static_cast<uint32_t>(emissiveColor);
    return colorText(static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                     static_cast<uint8_t>(packed >> 16));
}

} // namespace orvex
