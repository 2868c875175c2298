#include "support/journal_lines.h"

#include "renderer-standin/journal.h"

namespace orvex::test {

Line::Line(const char* op) { text_ = std::string("{\"op\":\"") + op + "\""; }

Line& Line::str(const char* key, const std::u16string& value) { return raw(key, journal::jsonString(value.c_str())); }

Line& Line::num(const char* key, float value) { return raw(key, journal::formatFloat(value)); }

Line& Line::integer(const char* key, long long value) { return raw(key, std::to_string(value)); }

Line& Line::floats(const char* key, const std::vector<float>& values) {
    std::string list = "[";
    for (size_t i = 0; i < values.size(); ++i) list += (i ? "," : "") + journal::formatFloat(values[i]);
    return raw(key, list + "]");
}

Line& Line::raw(const char* key, const std::string& value) {
    text_ += std::string(",\"") + key + "\":" + value;
    return *this;
}

Lines joined(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

namespace op {

Lines startSession(const std::u16string& stem, const std::u16string& sceneFile) {
    return {Line("StartOrvexRender").str("project", stem).str("client", u"TestDCC").str("version", u"1.0"),
            Line("CreateSession").integer("reserved", 0).str("key", u"h7c2x5j9d1t4f8m3w6k0"),
            Line("SetSceneSetting").handle().integer("scale", 1).integer("mode", 2).integer("flags", 0),
            Line("SetModelFilePath").handle().str("path", sceneFile), saveToFiles(sceneFile)};
}

std::string flush() { return Line("FlushData").handle(); }
std::string destroy() { return Line("DestroySession").handle(); }
std::string endExport() { return Line("EndExport").handle(); }

std::string beginNode(const std::u16string& name) {
    return Line("BeginNode")
        .handle()
        .str("name", name)
        .floats("transform", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})
        .integer("flag", 1);
}

std::string endNode() { return Line("EndNode").handle(); }
std::string deleteNode(const std::u16string& name) { return named("DeleteNode", name); }
std::string call(const char* op) { return Line(op).handle(); }
std::string named(const char* op, const std::u16string& name) { return Line(op).handle().str("name", name); }

std::string mesh(const std::u16string& label, uint32_t firstCount, uint32_t indexCount,
                 const std::vector<float>& positions, bool attributes2, bool attributes5,
                 const std::vector<uint32_t>& indices) {
    auto hash = [](const void* data, size_t bytes, bool present) {
        return present ? "\"" + journal::hashHex(data, bytes) + "\"" : std::string("null");
    };
    return Line("AddIndexedTriangle")
        .handle()
        .str("label", label)
        .integer("firstCount", firstCount)
        .integer("indexCount", indexCount)
        .raw("positions", hash(positions.data(), size_t(firstCount) * 4, !positions.empty()))
        .raw("attributes2", attributes2 ? "true" : "false")
        .raw("attributes5", attributes5 ? "true" : "false")
        .raw("indices", hash(indices.data(), size_t(indexCount) * 4, !indices.empty()));
}

std::string materialString(const std::u16string& material, const std::u16string& property,
                           const std::u16string& value) {
    return Line("SetMaterialStringProperty").handle().str("material", material).str("property", property).str("value", value);
}

std::string materialFloat(const std::u16string& material, const std::u16string& property, float value) {
    return Line("SetMaterialFloatProperty").handle().str("material", material).str("property", property).num("value", value);
}

std::string materialInt(const std::u16string& material, const std::u16string& property, int value) {
    return Line("SetMaterialIntProperty").handle().str("material", material).str("property", property).integer("value", value);
}

std::string saveToFiles(const std::u16string& path) { return Line("SaveToFiles").handle().str("path", path); }

std::string nearClip(float value) {
    return Line("SetCameraFloatProperty").handle().str("property", u"camera_near_clip_plane").num("value", value);
}

Lines currentCamera(const std::vector<float>& camera, float clip) {
    return {nearClip(clip), Line("SendSimpleCamera").handle().floats("camera", camera).num("fov", camera.at(9)),
            nearClip(clip), Line("SendCurrentActiveCamera").handle()};
}

Lines sceneView(const std::u16string& nameId, const std::u16string& name, const std::vector<float>& camera,
                float clip) {
    return {Line("AddSimpleSceneView").handle().str("nameId", nameId).str("name", name).floats("camera", camera).num("fov", camera.at(9)),
            Line("SendSimpleCamera").handle().floats("camera", camera).num("fov", camera.at(9)), nearClip(clip),
            Line("SendSimpleSceneViews").handle()};
}

} // namespace op

MaterialCalls::MaterialCalls(std::u16string name) : name_(std::move(name)) {
    lines_.push_back(Line("AddMaterial").handle().str("name", name_));
}

MaterialCalls& MaterialCalls::str(const std::u16string& property, const std::u16string& value) {
    lines_.push_back(op::materialString(name_, property, value));
    return *this;
}

MaterialCalls& MaterialCalls::num(const std::u16string& property, float value) {
    lines_.push_back(op::materialFloat(name_, property, value));
    return *this;
}

MaterialCalls& MaterialCalls::integer(const std::u16string& property, int value) {
    lines_.push_back(op::materialInt(name_, property, value));
    return *this;
}

LightCalls::LightCalls(const std::u16string& name, int type, const std::u16string& display, float brightness)
    : name_(name) {
    lines_ = {Line("AddLight").handle().str("name", name_), str(u"id", name_), str(u"group_id", u"0"),
              str(u"path", u"Lights/" + name_), integer(u"type", type), str(u"light_name", display),
              integer(u"brightness_units", 1), num(u"brightness", brightness)};
}

LightCalls::operator Lines() const { return joined({lines_, {Line("SendLights").handle()}}); }

std::string LightCalls::str(const std::u16string& property, const std::u16string& value) const {
    return Line("SetLightStringProperty").handle().str("light", name_).str("property", property).str("value", value);
}

std::string LightCalls::integer(const std::u16string& property, int value) const {
    return Line("SetLightIntProperty").handle().str("light", name_).str("property", property).integer("value", value);
}

std::string LightCalls::num(const std::u16string& property, float value) const {
    return Line("SetLightFloatProperty").handle().str("light", name_).str("property", property).num("value", value);
}

std::string LightCalls::array(const std::u16string& property, const std::vector<float>& values) const {
    return Line("SetLightFloatArrayProperty")
        .handle()
        .str("light", name_)
        .str("property", property)
        .integer("count", static_cast<long long>(values.size()))
        .floats("values", values);
}

} // namespace orvex::test
