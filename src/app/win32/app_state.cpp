// Process-wide state of the Windows program.
#include "app/win32/app_state.h"

#include "app/win32/renderer_library.h"
#include "model/model_exchange.h"

namespace orvex::win32 {

AppWindows appWindows;

ModelExchange& exchange() {
    // Made on first use, so that a second instance, which only forwards its request, never
    // loads the renderer.
    static ModelExchange instance(rendererLibrary());
    return instance;
}

} // namespace orvex::win32
