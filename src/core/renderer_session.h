// The renderer session every sender talks to: the bound operations, the session handle and
// the project the session was opened for.
#pragma once

#include "core/renderer_api.h"

#include <string>

namespace orvex {

struct RendererSession {
    const RendererApi* api = nullptr;
    RendererHandle handle = 0;
    std::u16string projectName;
};

} // namespace orvex
