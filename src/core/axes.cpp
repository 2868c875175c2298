#include "core/axes.h"

namespace orvex {

namespace {

constexpr float kFieldOfViewFactor = 1.24f;

} // namespace

void toRendererAxes(const float host[3], float renderer[3]) {
    // A multiplication, not a sign flip of the text: x == 0 is sent as -0. The copy of x
    // lets host and renderer be the same array.
    const float x = host[0];
    renderer[0] = host[1];
    renderer[1] = x * -1.0f;
    renderer[2] = host[2];
}

float rendererFieldOfView(float hostFieldOfView) { return hostFieldOfView * kFieldOfViewFactor; }

} // namespace orvex
