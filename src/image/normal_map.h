// Normal maps derived from a diffuse texture: brightness as height, a wrap-around Sobel
// gradient, the normal encoded as colour, written as PNG.
#pragma once

#include "platform/platform.h"

#include <string>

namespace orvex {

// Computes the normal map of a BGRA image into out (same size, BGRA, alpha 255), rows in
// parallel. out is left empty (width 0) when the source buffer does not hold exactly
// width x height pixels or the output does not fit in memory.
void computeNormalMap(const PixelImage& source, PixelImage& out);
// Decodes input, computes its normal map and writes it to output as PNG. True when the
// output file has been written.
bool CreateNormal(const std::u16string& input, const std::u16string& output);

} // namespace orvex
