// Conversions between the program's UTF-16 text and 8-bit text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

// Each byte becomes the unit of the same value.
std::u16string widenBytes(std::string_view bytes);
// ASCII to UTF-16 for literals and numbers.
inline std::u16string ascii(std::string_view s) { return widenBytes(s); }
// Units up to 255 become the byte of the same value; anything above becomes '?'.
std::string narrowLatin1(std::u16string_view text);
// UTF-16 to UTF-8 (unpaired surrogates become U+FFFD).
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);
// File names from the system, which need not be valid UTF-8: valid sequences are decoded,
// every other byte b becomes the lone unit 0xDC00 + b, so that toSystemBytes gives the same
// bytes back and such a name can still be opened.
std::u16string fromSystemBytes(std::string_view bytes);
std::string toSystemBytes(std::u16string_view text);
// Signed decimal, as the runtime's "%d" writes it.
std::u16string decimal(int32_t value);

} // namespace orvex
