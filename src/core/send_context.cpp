#include "core/send_context.h"

#include "core/data_folder.h"

namespace orvex {

SendContext makeSendContext(const RendererSession& session, bool colorOnly, NormalMapProvider* normalMaps) {
    SendContext context;
    context.session = session;
    const std::u16string dataFolder = getDataFolder();
    context.textureFolder = textureFolder(dataFolder);
    context.iesFolder = iesFolder(dataFolder);
    context.colorOnly = colorOnly;
    context.normalMaps = normalMaps;
    return context;
}

} // namespace orvex
