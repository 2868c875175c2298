// The one place where the program's UTF-16 text meets Windows' wide text: both are 16-bit
// units, so the conversions copy units and change nothing.
#pragma once

#include <string>
#include <string_view>

namespace orvex::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline std::wstring toWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string fromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

} // namespace orvex::win32
