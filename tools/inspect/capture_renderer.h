// A renderer table of the inspector's own: it keeps the nodes and meshes the program's reader
// would send, so the inspector reports the geometry the renderer would receive.
#pragma once

#include "core/renderer_api.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace orvex::inspect {

struct CapturedPart {
    std::u16string label;
    uint32_t firstCount = 0;
    uint32_t indexCount = 0;
    std::vector<float> positions;
    std::vector<uint32_t> indices;
};

struct CapturedNode {
    std::u16string name;
    std::vector<CapturedPart> parts;
};

// What one run of the program's code sent. A mesh is valid only during its call, so its
// arrays are copied then; how many position values the array holds is not in the call
// itself (the first count means vertices for generated indices and values otherwise), so
// the walk announces each part's position count and whether it carries indices.
struct Capture {
    struct ExpectedPart {
        uint32_t positionCount = 0;
        bool indexed = false;
    };
    std::deque<ExpectedPart> expectedParts;
    std::vector<CapturedNode> nodes;
    bool disagreement = false; // the program sent something the walk did not foresee
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
