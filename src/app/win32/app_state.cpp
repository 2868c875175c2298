// Process-wide state of the Windows program.
#include "app/win32/app_state.h"

#include "app/command_line.h"
#include "app/win32/renderer_library.h"
#include "model/model_exchange.h"

namespace orvex::win32 {

AppWindows appWindows;

ModelExchange& exchange() {
    // Made on first use, so that a second instance, which only forwards its request, never
    // loads the renderer.
    static ModelExchange instance(rendererLibrary());
    // The command line has been read by the time anything asks for the scene owner.
    static const bool configured = (instance.colorOnly = colorMode != 0);
    (void)configured;
    return instance;
}

} // namespace orvex::win32
