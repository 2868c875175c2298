// Image decoding through GDI+, which is started on the first decode and stays started
// until the program shuts it down on its way out.
#pragma once

#include "platform/platform.h"

#include <string>

namespace orvex::win32 {

// Decodes any format GDI+ reads into 32-bit BGRA. False when the file cannot be decoded,
// the 32-bit copy cannot be made or locked, or the pixels would not fit in memory.
bool decodeImageGdiplus(const std::u16string& path, PixelImage& out);

// Shuts GDI+ down if a decode started it, and forgets its token; nothing otherwise.
void shutdownImaging();

} // namespace orvex::win32
