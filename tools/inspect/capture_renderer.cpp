// The capturing renderer table: every operation answers 0, and the nodes and meshes are
// kept in the current capture.
#include "inspect/capture_renderer.h"

namespace orvex::inspect {

namespace {

Capture* gCapture = nullptr;

template <class... T>
void ignore(const T&...) {}

std::u16string text(const RChar* value) { return value ? std::u16string(value) : std::u16string(); }

int32_t BeginNode(RendererHandle, const RChar* name, const float*, uint8_t) {
    if (gCapture) gCapture->nodes.push_back({text(name), {}});
    return 0;
}

int32_t AddIndexedTriangle(RendererHandle, const RChar* label, const MeshData* mesh) {
    if (!gCapture) return 0;
    Capture& c = *gCapture;
    if (c.nodes.empty() || c.expectedParts.empty() || !mesh) {
        c.disagreement = true;
        return 0;
    }
    const Capture::ExpectedPart expected = c.expectedParts.front();
    c.expectedParts.pop_front();
    CapturedPart part;
    part.label = text(label);
    part.firstCount = mesh->firstCount;
    part.indexCount = mesh->indexCount;
    // Indexed: the first count is the number of position values; generated indices: the
    // number of vertices. Anything else means the walk and the program part ways.
    const uint32_t values = expected.indexed ? expected.positionCount : expected.positionCount / 3 * 3;
    const uint32_t first = expected.indexed ? expected.positionCount : expected.positionCount / 3;
    const bool consistent = mesh->firstCount == first && (values == 0 || mesh->positions) &&
                            (mesh->indexCount == 0 || mesh->indices) &&
                            (expected.indexed || mesh->indexCount == first);
    if (!consistent) {
        c.disagreement = true;
    } else {
        if (values) part.positions.assign(mesh->positions, mesh->positions + values);
        if (mesh->indexCount) part.indices.assign(mesh->indices, mesh->indices + mesh->indexCount);
    }
    c.nodes.back().parts.push_back(std::move(part));
    return 0;
}

RendererApi makeApi() {
    RendererApi api;
    // Every operation first answers 0 and keeps nothing; the geometry ones follow.
#define ORVEX_INSPECT_IGNORE(name, params, args) \
    api.name = [] params -> int32_t {            \
        ignore args;                             \
        return 0;                                \
    };
    ORVEXAPI_OPERATIONS(ORVEX_INSPECT_IGNORE)
#undef ORVEX_INSPECT_IGNORE
    api.ORVEXAPI_BeginNode = &BeginNode;
    api.ORVEXAPI_AddIndexedTriangle = &AddIndexedTriangle;
    return api;
}

} // namespace

const RendererApi& captureApi() {
    static const RendererApi api = makeApi();
    return api;
}

CaptureScope::CaptureScope(Capture& capture) : previous_(gCapture) { gCapture = &capture; }
CaptureScope::~CaptureScope() { gCapture = previous_; }

} // namespace orvex::inspect
