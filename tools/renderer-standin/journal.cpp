// Journaling renderer operations: one JSON line per call. GetRenderStatus is polled every
// second by the watch timer and is not journaled, so that a journal does not depend on
// how long a scenario runs.
#include "renderer-standin/journal.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvex::journal {

namespace {

Sink gSink;
Behaviour gBehaviour;
uint64_t gCalls = 0;
int64_t gStatusPolls = 0;
constexpr RendererHandle kSessionHandle = 0x5E55;

class Line {
public:
    explicit Line(const char* op) {
        text_ = "{\"op\":\"";
        text_ += op;
        text_ += '"';
    }
    Line& handle(RendererHandle h) { return raw("h", std::to_string(h)); }
    Line& str(const char* key, const char16_t* value) { return raw(key, jsonString(value)); }
    Line& str8(const char* key, const char* value) {
        std::u16string w;
        if (value)
            for (const char* p = value; *p; ++p) w += static_cast<char16_t>(static_cast<unsigned char>(*p));
        return raw(key, value ? jsonString(w.c_str()) : "null");
    }
    Line& num(const char* key, float value) { return raw(key, formatFloat(value)); }
    Line& integer(const char* key, int64_t value) { return raw(key, std::to_string(value)); }
    Line& floats(const char* key, const float* values, size_t count) {
        if (!values) return raw(key, "null");
        std::string s = "[";
        for (size_t i = 0; i < count; ++i) {
            if (i) s += ',';
            s += formatFloat(values[i]);
        }
        s += ']';
        return raw(key, s);
    }
    Line& raw(const char* key, const std::string& value) {
        text_ += ",\"";
        text_ += key;
        text_ += "\":";
        text_ += value;
        return *this;
    }
    void emit() {
        text_ += '}';
        if (gSink) gSink(text_);
    }

private:
    std::string text_;
};

bool journaling() {
    ++gCalls;
    return gBehaviour.journaling;
}

std::string pointerHash(const void* data, size_t bytes) {
    if (!data) return "null";
    return '"' + hashHex(data, bytes) + '"';
}

int32_t StartOrvexRender(const RChar* projectStem, const char* clientName, const char* clientVersion,
                         int32_t* status) {
    if (status) *status = gBehaviour.startStatus;
    if (journaling())
        Line("StartOrvexRender").str("project", projectStem).str8("client", clientName)
            .str8("version", clientVersion).emit();
    return gBehaviour.startStatus == 0 ? 0 : 1;
}

int32_t CreateSession(RendererHandle* handle, int32_t reserved, const char* accessKey,
                      int32_t* errorCode) {
    if (errorCode) *errorCode = gBehaviour.sessionError;
    if (handle) *handle = gBehaviour.sessionError == 0 ? kSessionHandle : 0;
    if (journaling())
        Line("CreateSession").integer("reserved", reserved).str8("key", accessKey).emit();
    return gBehaviour.sessionError == 0 ? 0 : 1;
}

int32_t GetRenderStatus(int32_t* status) {
    ++gCalls;
    ++gStatusPolls;
    if (status)
        *status = (gBehaviour.statusZeroAfter >= 0 && gStatusPolls > gBehaviour.statusZeroAfter) ? 0 : 1;
    return 0;
}

int32_t SetSceneSetting(RendererHandle h, const SceneSetting* s) {
    if (journaling()) {
        Line l("SetSceneSetting");
        l.handle(h);
        if (s) l.num("scale", s->scale).integer("mode", s->mode).integer("flags", s->flags);
        l.emit();
    }
    return 0;
}

int32_t SetModelFilePath(RendererHandle h, const RChar* path) {
    if (journaling()) Line("SetModelFilePath").handle(h).str("path", path).emit();
    return 0;
}

int32_t SaveToFiles(RendererHandle h, const RChar* path) {
    if (journaling()) Line("SaveToFiles").handle(h).str("path", path).emit();
    return 0;
}

int32_t FlushData(RendererHandle h, int64_t*) {
    if (journaling()) Line("FlushData").handle(h).emit();
    return 0;
}

int32_t EndExport(RendererHandle h) {
    if (journaling()) Line("EndExport").handle(h).emit();
    return 0;
}

int32_t DestroySession(RendererHandle h) {
    if (journaling()) Line("DestroySession").handle(h).emit();
    return 0;
}

int32_t BeginNode(RendererHandle h, const RChar* name, const float* transform, uint8_t flag) {
    if (journaling())
        Line("BeginNode").handle(h).str("name", name).floats("transform", transform, 16)
            .integer("flag", flag).emit();
    return 0;
}

int32_t AddIndexedTriangle(RendererHandle h, const RChar* label, const MeshData* mesh) {
    if (journaling()) {
        Line l("AddIndexedTriangle");
        l.handle(h).str("label", label);
        if (mesh) {
            // The renderer learns no length for the attribute arrays, so only their
            // presence is journaled; positions are hashed over firstCount floats.
            l.integer("firstCount", mesh->firstCount).integer("indexCount", mesh->indexCount)
                .raw("positions", pointerHash(mesh->positions, size_t(mesh->firstCount) * 4))
                .raw("attributes2", mesh->attributes2 ? "true" : "false")
                .raw("attributes5", mesh->attributes5 ? "true" : "false")
                .raw("indices", pointerHash(mesh->indices, size_t(mesh->indexCount) * 4));
        }
        l.emit();
    }
    return 0;
}

int32_t EndNode(RendererHandle h) {
    if (journaling()) Line("EndNode").handle(h).emit();
    return 0;
}

int32_t DeleteNode(RendererHandle h, const RChar* name) {
    if (journaling()) Line("DeleteNode").handle(h).str("name", name).emit();
    return 0;
}

int32_t AddMaterial(RendererHandle h, const RChar* name) {
    if (journaling()) Line("AddMaterial").handle(h).str("name", name).emit();
    return 0;
}

int32_t ResetMaterial(RendererHandle h, const RChar* name) {
    if (journaling()) Line("ResetMaterial").handle(h).str("name", name).emit();
    return 0;
}

int32_t SetMaterialStringProperty(RendererHandle h, const RChar* m, const RChar* p, const RChar* v) {
    if (journaling())
        Line("SetMaterialStringProperty").handle(h).str("material", m).str("property", p)
            .str("value", v).emit();
    return 0;
}

int32_t SetMaterialFloatProperty(RendererHandle h, const RChar* m, const RChar* p, float v) {
    if (journaling())
        Line("SetMaterialFloatProperty").handle(h).str("material", m).str("property", p)
            .num("value", v).emit();
    return 0;
}

int32_t SetMaterialIntProperty(RendererHandle h, const RChar* m, const RChar* p, int32_t v) {
    if (journaling())
        Line("SetMaterialIntProperty").handle(h).str("material", m).str("property", p)
            .integer("value", v).emit();
    return 0;
}

int32_t AddLight(RendererHandle h, const RChar* name) {
    if (journaling()) Line("AddLight").handle(h).str("name", name).emit();
    return 0;
}

int32_t RemoveLight(RendererHandle h, const RChar* name) {
    if (journaling()) Line("RemoveLight").handle(h).str("name", name).emit();
    return 0;
}

int32_t SetLightStringProperty(RendererHandle h, const RChar* l, const RChar* p, const RChar* v) {
    if (journaling())
        Line("SetLightStringProperty").handle(h).str("light", l).str("property", p).str("value", v)
            .emit();
    return 0;
}

int32_t SetLightIntProperty(RendererHandle h, const RChar* l, const RChar* p, int32_t v) {
    if (journaling())
        Line("SetLightIntProperty").handle(h).str("light", l).str("property", p).integer("value", v)
            .emit();
    return 0;
}

int32_t SetLightFloatProperty(RendererHandle h, const RChar* l, const RChar* p, float v) {
    if (journaling())
        Line("SetLightFloatProperty").handle(h).str("light", l).str("property", p).num("value", v)
            .emit();
    return 0;
}

int32_t SetLightFloatArrayProperty(RendererHandle h, const RChar* l, const RChar* p,
                                   const float* values, int64_t count) {
    if (journaling()) {
        // A count the journal would not print in reasonable space is recorded as a number only.
        const bool printable = count >= 0 && count <= 64;
        Line line("SetLightFloatArrayProperty");
        line.handle(h).str("light", l).str("property", p).integer("count", count);
        if (printable) line.floats("values", values, static_cast<size_t>(count));
        line.emit();
    }
    return 0;
}

int32_t ClearLights(RendererHandle h) {
    if (journaling()) Line("ClearLights").handle(h).emit();
    return 0;
}

int32_t SendLights(RendererHandle h) {
    if (journaling()) Line("SendLights").handle(h).emit();
    return 0;
}

int32_t SendSimpleCamera(RendererHandle h, const SimpleCamera* c, float fov) {
    if (journaling()) {
        Line l("SendSimpleCamera");
        l.handle(h).floats("camera", c ? &c->eye[0] : nullptr, 10).num("fov", fov);
        l.emit();
    }
    return 0;
}

int32_t SetCameraFloatProperty(RendererHandle h, const RChar* p, float v) {
    if (journaling()) Line("SetCameraFloatProperty").handle(h).str("property", p).num("value", v).emit();
    return 0;
}

int32_t SendCurrentActiveCamera(RendererHandle h) {
    if (journaling()) Line("SendCurrentActiveCamera").handle(h).emit();
    return 0;
}

int32_t AddSimpleSceneView(RendererHandle h, const RChar* nameId, const RChar* name,
                           const SimpleCamera* c, float fov) {
    if (journaling())
        Line("AddSimpleSceneView").handle(h).str("nameId", nameId).str("name", name)
            .floats("camera", c ? &c->eye[0] : nullptr, 10).num("fov", fov).emit();
    return 0;
}

int32_t DeleteSceneView(RendererHandle h, const RChar* name) {
    if (journaling()) Line("DeleteSceneView").handle(h).str("name", name).emit();
    return 0;
}

int32_t SendSimpleSceneViews(RendererHandle h) {
    if (journaling()) Line("SendSimpleSceneViews").handle(h).emit();
    return 0;
}

static_assert(sizeof(SimpleCamera) == 10 * sizeof(float), "SimpleCamera is ten packed floats");

RendererApi makeApi() {
    RendererApi api;
    api.ORVEXAPI_StartOrvexRender = &StartOrvexRender;
    api.ORVEXAPI_CreateSession = &CreateSession;
    api.ORVEXAPI_GetRenderStatus = &GetRenderStatus;
    api.ORVEXAPI_SetSceneSetting = &SetSceneSetting;
    api.ORVEXAPI_SetModelFilePath = &SetModelFilePath;
    api.ORVEXAPI_SaveToFiles = &SaveToFiles;
    api.ORVEXAPI_FlushData = &FlushData;
    api.ORVEXAPI_EndExport = &EndExport;
    api.ORVEXAPI_DestroySession = &DestroySession;
    api.ORVEXAPI_BeginNode = &BeginNode;
    api.ORVEXAPI_AddIndexedTriangle = &AddIndexedTriangle;
    api.ORVEXAPI_EndNode = &EndNode;
    api.ORVEXAPI_DeleteNode = &DeleteNode;
    api.ORVEXAPI_AddMaterial = &AddMaterial;
    api.ORVEXAPI_ResetMaterial = &ResetMaterial;
    api.ORVEXAPI_SetMaterialStringProperty = &SetMaterialStringProperty;
    api.ORVEXAPI_SetMaterialFloatProperty = &SetMaterialFloatProperty;
    api.ORVEXAPI_SetMaterialIntProperty = &SetMaterialIntProperty;
    api.ORVEXAPI_AddLight = &AddLight;
    api.ORVEXAPI_RemoveLight = &RemoveLight;
    api.ORVEXAPI_SetLightStringProperty = &SetLightStringProperty;
    api.ORVEXAPI_SetLightIntProperty = &SetLightIntProperty;
    api.ORVEXAPI_SetLightFloatProperty = &SetLightFloatProperty;
    api.ORVEXAPI_SetLightFloatArrayProperty = &SetLightFloatArrayProperty;
    api.ORVEXAPI_ClearLights = &ClearLights;
    api.ORVEXAPI_SendLights = &SendLights;
    api.ORVEXAPI_SendSimpleCamera = &SendSimpleCamera;
    api.ORVEXAPI_SetCameraFloatProperty = &SetCameraFloatProperty;
    api.ORVEXAPI_SendCurrentActiveCamera = &SendCurrentActiveCamera;
    api.ORVEXAPI_AddSimpleSceneView = &AddSimpleSceneView;
    api.ORVEXAPI_DeleteSceneView = &DeleteSceneView;
    api.ORVEXAPI_SendSimpleSceneViews = &SendSimpleSceneViews;
    return api;
}

} // namespace

const RendererApi& journalingApi() {
    static const RendererApi api = makeApi();
    return api;
}

void setSink(Sink sink) { gSink = std::move(sink); }
void setBehaviour(const Behaviour& b) {
    gBehaviour = b;
    gStatusPolls = 0;
}
const Behaviour& behaviour() { return gBehaviour; }
uint64_t callCount() { return gCalls; }
void resetCounters() {
    gCalls = 0;
    gStatusPolls = 0;
}

std::string hashHex(const void* data, size_t bytes) {
    uint64_t h = 14695981039346656037ull;
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < bytes; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    char buffer[17];
    std::snprintf(buffer, sizeof buffer, "%016" PRIx64, h);
    return buffer;
}

std::string formatFloat(float value) {
    if (std::isnan(value)) return "\"nan\"";
    if (std::isinf(value)) return value > 0 ? "\"inf\"" : "\"-inf\"";
    // The shortest text that reads back to the same float, without an exponent where the
    // plain form is short (800 stays 800, 0.992 stays 0.992).
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string jsonString(const char16_t* text) {
    if (!text) return "null";
    std::string out = "\"";
    for (const char16_t* p = text; *p; ++p) {
        char16_t c = *p;
        if (c == u'"') out += "\\\"";
        else if (c == u'\\') out += "\\\\";
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    out += '"';
    return out;
}

} // namespace orvex::journal
