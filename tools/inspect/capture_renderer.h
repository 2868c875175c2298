// A renderer table of the inspector's own: it keeps the meshes the program would send, so the
// inspector reports the geometry the renderer would receive.
#pragma once

#include "core/renderer_api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::inspect {

// A mesh as the renderer receives it; valid only during its call, so its indices are
// copied then.
struct CapturedPart {
    std::u16string label;
    uint32_t indexCount = 0;
    std::vector<uint32_t> indices; // when the capture keeps them
};

// What one run of the program's code sent.
struct Capture {
    bool keepIndices = true; // false: counts only, so that no second copy of a part is held
    std::vector<CapturedPart> parts;
};

const RendererApi& captureApi();

// Directs the table's calls into one capture for the scope's lifetime.
class CaptureScope {
public:
    explicit CaptureScope(Capture& capture);
    ~CaptureScope();
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;

private:
    Capture* previous_;
};

} // namespace orvex::inspect
