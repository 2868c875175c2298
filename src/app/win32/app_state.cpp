// Process-wide state of the Windows program.
#include "app/win32/app_state.h"

#include "app/command_line.h"
#include "app/win32/renderer_library.h"
#include "model/model_exchange.h"

namespace orvex::win32 {

AppWindows appWindows;

ModelExchange& exchange() {
    // Made on first use; the renderer's library is loaded only when the start-up sync opens
    // the session, so that neither a second instance, which only forwards its request, nor a
    // start that finds no readable model loads it.
    static ModelExchange instance(rendererLibrary);
    // The command line has been read by the time anything asks for the scene owner.
    static const bool configured = (instance.colorOnly = colorMode != 0);
    (void)configured;
    return instance;
}

} // namespace orvex::win32
