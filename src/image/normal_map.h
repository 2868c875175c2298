// Normal maps derived from a diffuse texture: brightness as height, a wrap-around Sobel
// gradient, the normal encoded as colour, written as PNG.
#pragma once

#include "image/normal_map_origin.h"
#include "platform/platform.h"

#include <string>

namespace orvex {

// Computes the normal map of a BGRA image into out (same size, BGRA, alpha 255), rows in
// parallel. out is left empty (width 0) when the source buffer does not hold exactly
// width x height pixels or the output does not fit in memory.
void computeNormalMap(const PixelImage& source, PixelImage& out);
// Decodes input, computes its normal map and writes it to output as PNG, with the input's
// size, time and content hash as examined here and today's parameters recorded in the map
// (see normal_map_origin.h). True when the output file has been written.
bool CreateNormal(const std::u16string& input, const std::u16string& output);
// The same, recording source as the input's state: the caller examined the input just
// before, and decides by that state whether a map is to be made at all.
bool CreateNormal(const std::u16string& input, const std::u16string& output, const FileState& source);

} // namespace orvex
