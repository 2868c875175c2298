// The host's axes and field of view to the renderer's, shared by cameras, views and lights.
#pragma once

namespace orvex {

// Host axes (x, y, z) to renderer axes (y, -x, z); the negation multiplies by -1, so a zero
// becomes a negative zero. host and renderer may be the same array.
void toRendererAxes(const float host[3], float renderer[3]);
// The renderer's field of view: the host's times 1.24 in single precision.
float rendererFieldOfView(float hostFieldOfView);

} // namespace orvex
