// Builders for the exact journal lines the journaling renderer writes, shared by the native
// tests (the in-process recorder) and the Windows scenarios (the stand-in OrvexApi.dll).
#pragma once

#include "core/renderer_api.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace orvex::test {

// The session handle the journaling renderer hands out; native fixtures give their scene
// owner the same one, so that one expected line serves both tiers.
constexpr RendererHandle kSessionHandle = 0x5E55;

// One expected journal line, built field by field in the journal's own order. Every
// operation that takes the session handle gets it from handle().
class Line {
public:
    explicit Line(const char* op);
    Line& handle(RendererHandle h = kSessionHandle) { return integer("h", h); }
    Line& str(const char* key, const std::u16string& value);
    Line& num(const char* key, float value);
    Line& integer(const char* key, long long value);
    Line& floats(const char* key, const std::vector<float>& values);
    Line& raw(const char* key, const std::string& value);
    operator std::string() const { return text_ + "}"; }

private:
    std::string text_;
};

using Lines = std::vector<std::string>;

Lines joined(std::initializer_list<Lines> parts);

// Lines of the renderer operations the tests meet most.
namespace op {
// StartOrvexRender with the project stem .. SaveToFiles with the scene file.
Lines startSession(const std::u16string& stem, const std::u16string& sceneFile);
std::string flush();
std::string destroy();
std::string endExport();
std::string beginNode(const std::u16string& name);
std::string endNode();
std::string deleteNode(const std::u16string& name);
// An operation whose only argument is the session handle, or the handle and a name.
std::string call(const char* op);
std::string named(const char* op, const std::u16string& name);
// AddIndexedTriangle with the journal's hashes of the arrays it was handed: positions
// over firstCount floats, indices over indexCount values; an empty array is null.
std::string mesh(const std::u16string& label, uint32_t firstCount, uint32_t indexCount,
                 const std::vector<float>& positions, bool attributes2, bool attributes5,
                 const std::vector<uint32_t>& indices);
std::string materialString(const std::u16string& material, const std::u16string& property,
                           const std::u16string& value);
std::string materialFloat(const std::u16string& material, const std::u16string& property, float value);
std::string materialInt(const std::u16string& material, const std::u16string& property, int value);
std::string saveToFiles(const std::u16string& path);
std::string nearClip(float value);
// SetCameraFloatProperty "camera_near_clip_plane", SendSimpleCamera, the same property
// again, SendCurrentActiveCamera: the current camera. camera holds the ten floats.
Lines currentCamera(const std::vector<float>& camera, float nearClip);
// AddSimpleSceneView, SendSimpleCamera, the near clip, SendSimpleSceneViews: one scene view.
Lines sceneView(const std::u16string& nameId, const std::u16string& name, const std::vector<float>& camera,
                float nearClip);
} // namespace op

// The expected calls for one material, each with the material's name.
class MaterialCalls {
public:
    explicit MaterialCalls(std::u16string name);
    MaterialCalls& str(const std::u16string& property, const std::u16string& value);
    MaterialCalls& num(const std::u16string& property, float value);
    MaterialCalls& integer(const std::u16string& property, int value);
    operator Lines() const { return lines_; }

private:
    std::u16string name_;
    Lines lines_;
};

// The expected calls that create one light, up to its SendLights.
class LightCalls {
public:
    LightCalls(const std::u16string& name, int type, const std::u16string& display, float brightness);
    LightCalls& temperature(float kelvin) { return add(num(u"light_temperature", kelvin)); }
    LightCalls& colour(const std::vector<float>& rgb) { return add(array(u"light_color", rgb)); }
    LightCalls& transform(const std::vector<float>& m) { return add(array(u"transform", m)); }
    LightCalls& cone(float angle) { return add(num(u"light_cone_angle", angle)); }
    LightCalls& profile(const std::u16string& path) { return add(str(u"light_template", path)); }
    operator Lines() const;

    // Single property lines of this light.
    std::string str(const std::u16string& property, const std::u16string& value) const;
    std::string integer(const std::u16string& property, int value) const;
    std::string num(const std::u16string& property, float value) const;
    std::string array(const std::u16string& property, const std::vector<float>& values) const;

private:
    LightCalls& add(std::string line) {
        lines_.push_back(std::move(line));
        return *this;
    }
    std::u16string name_;
    Lines lines_;
};

} // namespace orvex::test
