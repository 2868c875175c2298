// The platform in use, defaulting to the build's own implementation.
#include "platform/platform.h"

namespace orvex {

Platform& defaultPlatform(); // the Win32 or the portable implementation of this build

namespace {
Platform* current = nullptr;
}

Platform& platform() { return current ? *current : defaultPlatform(); }

void setPlatform(Platform* p) { current = p; }

} // namespace orvex
