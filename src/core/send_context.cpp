#include "core/send_context.h"

#include "core/data_folder.h"

namespace orvex {

SendContext makeSendContext(const RendererSession& session, bool colorOnly, NormalMapProvider* normalMaps) {
    SendContext context;
    context.session = session;
    context.textureFolder = textureFolder();
    context.iesFolder = iesFolder();
    context.colorOnly = colorOnly;
    context.normalMaps = normalMaps;
    return context;
}

} // namespace orvex
