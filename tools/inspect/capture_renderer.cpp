// The capturing renderer table: every operation answers 0, and the ones that carry scene
// content are kept in the current capture.
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

void property(const RChar* name, PropertyValue value, bool light = false) {
    if (!gCapture) return;
    value.name = text(name);
    (light ? gCapture->lightProperties : gCapture->materialProperties).push_back(std::move(value));
}

int32_t SetMaterialStringProperty(RendererHandle, const RChar*, const RChar* name, const RChar* value) {
    PropertyValue p;
    p.kind = PropertyValue::Kind::String;
    p.text = text(value);
    property(name, std::move(p));
    return 0;
}

int32_t SetMaterialFloatProperty(RendererHandle, const RChar*, const RChar* name, float value) {
    PropertyValue p;
    p.kind = PropertyValue::Kind::Float;
    p.number = value;
    property(name, std::move(p));
    return 0;
}

int32_t SetMaterialIntProperty(RendererHandle, const RChar*, const RChar* name, int32_t value) {
    PropertyValue p;
    p.kind = PropertyValue::Kind::Integer;
    p.integer = value;
    property(name, std::move(p));
    return 0;
}

int32_t SetLightStringProperty(RendererHandle, const RChar*, const RChar* name, const RChar* value) {
    PropertyValue p;
    p.kind = PropertyValue::Kind::String;
    p.text = text(value);
    property(name, std::move(p), true);
    return 0;
}

int32_t SetLightFloatArrayProperty(RendererHandle, const RChar*, const RChar* name, const float* values,
                                   int64_t count) {
    PropertyValue p;
    p.kind = PropertyValue::Kind::FloatArray;
    if (values && count > 0) p.numbers.assign(values, values + count);
    property(name, std::move(p), true);
    return 0;
}

RendererApi makeApi() {
    RendererApi api;
    // Every operation first answers 0 and keeps nothing; the scene-carrying ones follow.
#define ORVEX_INSPECT_IGNORE(name, params, args) \
    api.name = [] params -> int32_t {            \
        ignore args;                             \
        return 0;                                \
    };
    ORVEXAPI_OPERATIONS(ORVEX_INSPECT_IGNORE)
#undef ORVEX_INSPECT_IGNORE
    api.ORVEXAPI_BeginNode = &BeginNode;
    api.ORVEXAPI_AddIndexedTriangle = &AddIndexedTriangle;
    api.ORVEXAPI_SetMaterialStringProperty = &SetMaterialStringProperty;
    api.ORVEXAPI_SetMaterialFloatProperty = &SetMaterialFloatProperty;
    api.ORVEXAPI_SetMaterialIntProperty = &SetMaterialIntProperty;
    api.ORVEXAPI_SetLightStringProperty = &SetLightStringProperty;
    api.ORVEXAPI_SetLightFloatArrayProperty = &SetLightFloatArrayProperty;
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
