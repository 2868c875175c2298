// Binding of the renderer's operations from OrvexApi.dll, loaded by name at run time.
#pragma once

#include "core/renderer_api.h"

namespace orvex::win32 {

// The renderer table bound on first use and kept for the life of the process (the library
// is never unloaded: the session is destroyed at process end). A missing library leaves
// every operation unbound, a missing export leaves that operation unbound; the session
// start checks that the table is complete before it calls anything.
const RendererApi& rendererLibrary();

} // namespace orvex::win32
