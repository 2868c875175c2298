// What a sender needs besides its record, handed over as a value: the session, the folders
// that texture and IES names are relative to, the colour-only flag and whoever provides
// generated normal maps. Senders read no globals and never see the scene owner.
#pragma once

#include "core/renderer_session.h"

#include <string>

namespace orvex {

// Makes sure output holds the normal map of the texture source; true when it does.
class NormalMapProvider {
public:
    virtual ~NormalMapProvider() = default;
    virtual bool provide(const std::u16string& source, const std::u16string& output) = 0;
};

struct SendContext {
    RendererSession session;
    std::u16string textureFolder; // ends with a backslash
    std::u16string iesFolder;     // ends with a backslash
    bool colorOnly = false;       // materials without textures
    NormalMapProvider* normalMaps = nullptr; // none: nothing is generated
};

// A context with the data folder's texture and IES folders as they stand now.
SendContext makeSendContext(const RendererSession& session, bool colorOnly, NormalMapProvider* normalMaps);

} // namespace orvex
