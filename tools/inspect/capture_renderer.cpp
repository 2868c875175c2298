// The capturing renderer table: every operation answers 0, and the meshes are kept in the
// current capture.
#include "inspect/capture_renderer.h"

namespace orvex::inspect {

namespace {

Capture* gCapture = nullptr;

template <class... T>
void ignore(const T&...) {}

std::u16string text(const RChar* value) { return value ? std::u16string(value) : std::u16string(); }

int32_t AddIndexedTriangle(RendererHandle, const RChar* label, const MeshData* mesh) {
    if (!gCapture || !mesh) return 0;
    CapturedPart part;
    part.label = text(label);
    if (mesh->indexCount && mesh->indices) {
        part.indexCount = mesh->indexCount;
        if (gCapture->keepIndices) part.indices.assign(mesh->indices, mesh->indices + mesh->indexCount);
    }
    gCapture->parts.push_back(std::move(part));
    return 0;
}

RendererApi makeApi() {
    RendererApi api;
    // Every operation first answers 0 and keeps nothing; the geometry ones follow.
#define ORVEX_CAPTURE_IGNORE(name, params, args) \
    api.name = [] params -> int32_t {            \
        ignore args;                             \
        return 0;                                \
    };
    ORVEXAPI_OPERATIONS(ORVEX_CAPTURE_IGNORE)
#undef ORVEX_CAPTURE_IGNORE
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
