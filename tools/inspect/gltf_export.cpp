// Binary glTF 2.0 writer for the preview: one buffer holding every array and embedded image.
// Everything written is checked against the rules of the format (finite values, factors in
// range, indices within their vertices, unit rotations), since damaged input must still give a
// valid file.
#include "inspect/gltf_export.h"

#include "image/normal_map.h"
#include "image/png_writer.h"
#include "inspect/file_checks.h"
#include "inspect/json_writer.h"
#include "platform/files.h"
#include "platform/text.h"
#include "records/camera.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace orvex::inspect {

namespace {

constexpr uint32_t kArrayBuffer = 34962;
constexpr uint32_t kElementArrayBuffer = 34963;
constexpr uint32_t kFloat = 5126;
constexpr uint32_t kUnsignedInt = 5125;
constexpr double kHalfPi = 1.5707963267948966;

using Vec3 = std::array<float, 3>;
using Quat = std::array<float, 4>; // x, y, z, w

float finiteOr(float v, float fallback) { return std::isfinite(v) ? v : fallback; }
float clamp01(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1.0f) : 0.0f; }

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float length(const Vec3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }
bool normalize(Vec3& a) {
    const float l = length(a);
    if (!(l > 1e-12f) || !std::isfinite(l)) return false;
    for (float& x : a) x /= l;
    return true;
}

// Rotation matrix (column vectors, r[row][col]) to a unit quaternion.
Quat quaternion(const float r[3][3]) {
    double x, y, z, w;
    const double trace = double(r[0][0]) + r[1][1] + r[2][2];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        w = 0.25 * s;
        x = (r[2][1] - r[1][2]) / s;
        y = (r[0][2] - r[2][0]) / s;
        z = (r[1][0] - r[0][1]) / s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2;
        w = (r[2][1] - r[1][2]) / s;
        x = 0.25 * s;
        y = (r[0][1] + r[1][0]) / s;
        z = (r[0][2] + r[2][0]) / s;
    } else if (r[1][1] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2;
        w = (r[0][2] - r[2][0]) / s;
        x = (r[0][1] + r[1][0]) / s;
        y = 0.25 * s;
        z = (r[1][2] + r[2][1]) / s;
    } else {
        const double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2;
        w = (r[1][0] - r[0][1]) / s;
        x = (r[0][2] + r[2][0]) / s;
        y = (r[1][2] + r[2][1]) / s;
        z = 0.25 * s;
    }
    const double l = std::sqrt(x * x + y * y + z * z + w * w);
    if (!(l > 1e-9) || !std::isfinite(l)) return {0, 0, 0, 1};
    return {float(x / l), float(y / l), float(z / l), float(w / l)};
}

// A camera at eye looking at target: glTF cameras look down their -Z with +Y up.
Quat lookRotation(const Vec3& eye, const Vec3& target, const Vec3& up) {
    Vec3 f = sub(target, eye);
    if (!normalize(f)) f = {1, 0, 0};
    Vec3 u = up;
    Vec3 r;
    if (!normalize(u) || (r = cross(f, u), !normalize(r))) {
        u = std::fabs(f[2]) < 0.99f ? Vec3{0, 0, 1} : Vec3{0, 1, 0};
        r = cross(f, u);
        normalize(r);
    }
    u = cross(r, f);
    const float m[3][3] = {{r[0], u[0], -f[0]}, {r[1], u[1], -f[1]}, {r[2], u[2], -f[2]}};
    return quaternion(m);
}

// Colour of a black body at a temperature in kelvin, on a 0..1 scale (a fitted curve).
Vec3 temperatureColor(float kelvin) {
    const double t = std::clamp(double(kelvin), 1000.0, 40000.0) / 100.0;
    double r, g, b;
    if (t <= 66) {
        r = 255;
        g = 99.4708025861 * std::log(t) - 161.1195681661;
        b = t <= 19 ? 0 : 138.5177312231 * std::log(t - 10) - 305.0447927307;
    } else {
        r = 329.698727446 * std::pow(t - 60, -0.1332047592);
        g = 288.1221695283 * std::pow(t - 60, -0.0755148492);
        b = 255;
    }
    return {clamp01(float(r / 255)), clamp01(float(g / 255)), clamp01(float(b / 255))};
}

struct BufferView {
    size_t offset = 0;
    size_t length = 0;
    uint32_t target = 0; // 0: none (images)
};

struct Accessor {
    size_t view = 0;
    uint32_t componentType = kFloat;
    size_t count = 0;
    const char* type = "VEC3";
    bool minMax = false;
    float min[3] = {0, 0, 0};
    float max[3] = {0, 0, 0};
};

struct Primitive {
    size_t position = 0;
    size_t indices = 0;
    std::optional<size_t> normal, tangent, texcoord;
    std::optional<size_t> material;
};

struct Mesh {
    std::string name;
    std::vector<Primitive> primitives;
};

struct Node {
    std::string name;
    std::optional<size_t> mesh, camera, light;
    std::optional<Vec3> translation;
    std::optional<Quat> rotation;
    std::string extras; // raw JSON object members, or empty
};

struct TextureRef {
    std::optional<size_t> baseColor, normal, occlusion, emissive;
};

struct Material {
    const MaterialInfo* info = nullptr;
    TextureRef textures;
};

class Builder {
public:
    GltfExport run(const Inspection& in);

private:
    size_t addView(const void* data, size_t bytes, uint32_t target) {
        while (bin_.size() % 4) bin_ += '\0';
        BufferView v{bin_.size(), bytes, target};
        bin_.append(static_cast<const char*>(data), bytes);
        views_.push_back(v);
        return views_.size() - 1;
    }
    std::optional<size_t> texture(const std::u16string& path);
    std::optional<size_t> generatedNormalMap(const std::u16string& diffuse, const std::u16string& map);
    size_t addImage(const std::string& bytes, const char* mime) {
        images_.push_back({addView(bytes.data(), bytes.size(), 0), mime});
        return images_.size() - 1; // one texture per image, same index
    }
    void addMaterials(const std::vector<const ModelBlockInfo*>& blocks);
    void addSolid(const SolidInfo& solid);
    void addLight(const LightInfo& light);
    void addCamera(const CameraRecord& camera, const std::string& name);
    std::string json() const;

    std::string bin_;
    std::vector<BufferView> views_;
    std::vector<Accessor> accessors_;
    std::vector<Mesh> meshes_;
    std::vector<Node> nodes_; // node 0 is the root
    std::vector<Material> materials_;
    std::map<std::u16string, size_t> materialByName_;
    std::vector<std::pair<size_t, std::string>> images_; // view, mime type
    std::map<std::u16string, std::optional<size_t>> textureByPath_;
    std::vector<std::string> lights_;  // each a finished JSON object
    std::vector<std::string> cameras_; // each a finished JSON object
    std::vector<std::string> notes_;
    std::set<std::u16string> unboundLabels_;
};

std::string text(const std::u16string& s) { return toUtf8(s); }

std::optional<size_t> Builder::texture(const std::u16string& path) {
    const auto known = textureByPath_.find(path);
    if (known != textureByPath_.end()) return known->second;
    std::optional<size_t> index;
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        notes_.push_back("texture " + text(path) + " cannot be read: left out");
    } else {
        // glTF carries PNG and JPEG images only.
        const char* mime = nullptr;
        if (bytes.size() >= 8 && bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0)
            mime = "image/png";
        else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xFF\xD8\xFF") == 0)
            mime = "image/jpeg";
        if (!mime) {
            notes_.push_back("texture " + text(path) + " is neither PNG nor JPEG: left out");
        } else {
            index = addImage(bytes, mime);
        }
    }
    textureByPath_[path] = index;
    return index;
}

// The normal map the program generates from a diffuse texture. One already on disk is used
// when it is a decodable image of the texture's size written no earlier than the texture;
// otherwise it is made in memory with the program's own kernel, and nothing is written.
std::optional<size_t> Builder::generatedNormalMap(const std::u16string& diffuse, const std::u16string& map) {
    const auto known = textureByPath_.find(map);
    if (known != textureByPath_.end()) return known->second;
    std::optional<size_t> index;
    PixelImage source, existing;
    if (diffuse.empty() || !platform().decodeImage(diffuse, source)) {
        notes_.push_back("normal map of " + text(diffuse) + " cannot be made: the texture cannot be decoded");
    } else {
        std::error_code ec1, ec2;
        const auto mapTime = std::filesystem::last_write_time(fsPath(map), ec1);
        const auto sourceTime = std::filesystem::last_write_time(fsPath(diffuse), ec2);
        if (!ec1 && !ec2 && mapTime >= sourceTime && platform().decodeImage(map, existing) &&
            existing.width == source.width && existing.height == source.height) {
            index = texture(map);
        } else {
            PixelImage normal;
            computeNormalMap(source, normal);
            std::vector<uint8_t> png;
            if (normal.width && encodePng(normal, png))
                index = addImage(std::string(png.begin(), png.end()), "image/png");
            else
                notes_.push_back("normal map of " + text(diffuse) + " cannot be made: left out");
        }
    }
    textureByPath_[map] = index;
    return index;
}

void Builder::addMaterials(const std::vector<const ModelBlockInfo*>& blocks) {
    for (const ModelBlockInfo* block : blocks)
        for (const MaterialInfo& m : block->materials) {
            // A later block of the same name replaces the material, as in the program's table.
            const auto [it, fresh] = materialByName_.emplace(m.record.MaterialID_Name, materials_.size());
            if (fresh) materials_.push_back({});
            Material& out = materials_[it->second];
            out = Material{&m, {}};
            std::u16string diffuse;
            for (const PropertyValue& p : m.properties) {
                if (p.kind != PropertyValue::Kind::String) continue;
                if (p.name == u"Diffuse Map") out.textures.baseColor = texture(diffuse = p.text);
                if (p.name == u"Normal Map One")
                    out.textures.normal = p.generated ? generatedNormalMap(diffuse, p.text) : texture(p.text);
                if (p.name == u"AOMap") out.textures.occlusion = texture(p.text);
                if (p.name == u"EmissiveMask") out.textures.emissive = texture(p.text);
            }
        }
}

bool hasTexture(const TextureRef& t) { return t.baseColor || t.normal || t.occlusion || t.emissive; }

// A triangle's unit normal; a degenerate triangle gets +Z so that the file stays valid.
Vec3 faceNormal(const float* a, const float* b, const float* c) {
    Vec3 n = cross(sub({b[0], b[1], b[2]}, {a[0], a[1], a[2]}), sub({c[0], c[1], c[2]}, {a[0], a[1], a[2]}));
    return normalize(n) ? n : Vec3{0, 0, 1};
}

// The tangent of the planar projection: the direction in which u grows (along uAxis), made
// perpendicular to the normal. glTF's bitangent, cross(normal, tangent) * w, must point where
// v grows, and v falls along vAxis.
std::array<float, 4> tangent(const Vec3& n, int uAxis, int vAxis) {
    Vec3 t{0, 0, 0};
    t[size_t(uAxis)] = 1;
    const float d = t[0] * n[0] + t[1] * n[1] + t[2] * n[2];
    for (size_t k = 0; k < 3; ++k) t[k] -= d * n[k];
    if (!normalize(t)) { // a face seen along u: any direction in its plane will do
        t = cross(n, std::abs(n[0]) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
        normalize(t);
    }
    const Vec3 b = cross(n, t);
    return {t[0], t[1], t[2], b[size_t(vAxis)] > 0 ? -1.0f : 1.0f};
}

void Builder::addSolid(const SolidInfo& solid) {
    Node node;
    node.name = text(solid.nodeName);
    node.extras = "\"id\":" + std::to_string(solid.id) + ",\"timestamp\":" + std::to_string(solid.timestamp);
    Mesh mesh;
    mesh.name = node.name;
    for (const PartInfo& part : solid.parts) {
        const uint32_t vertices = part.vertexCount;
        std::vector<uint32_t> kept;
        for (size_t t = 0; t + 2 < part.indices.size(); t += 3) {
            const uint32_t* tri = &part.indices[t];
            if (tri[0] < vertices && tri[1] < vertices && tri[2] < vertices) kept.insert(kept.end(), tri, tri + 3);
        }
        if (kept.size() != part.indices.size() / 3 * 3)
            notes_.push_back(node.name + " part \"" + text(part.label) + "\": triangles with indices beyond its " +
                             std::to_string(vertices) + " vertices left out");
        if (kept.empty()) continue; // nothing to draw; glTF has no empty primitives

        // The host's parts share vertices between faces of different directions (a box has
        // eight), so each triangle gets its own three vertices and its face normal: flat
        // shading, as the parts are drawn.
        std::vector<float> source(part.positions.begin(), part.positions.begin() + size_t(vertices) * 3);
        for (float& v : source) v = finiteOr(v, 0);
        std::vector<float> positions, normals;
        positions.reserve(kept.size() * 3);
        normals.reserve(kept.size() * 3);
        for (size_t t = 0; t < kept.size(); t += 3) {
            const float* corner[3] = {&source[size_t(kept[t]) * 3], &source[size_t(kept[t + 1]) * 3],
                                      &source[size_t(kept[t + 2]) * 3]};
            const Vec3 n = faceNormal(corner[0], corner[1], corner[2]);
            for (const float* c : corner) {
                positions.insert(positions.end(), c, c + 3);
                normals.insert(normals.end(), n.begin(), n.end());
            }
        }
        const uint32_t count = static_cast<uint32_t>(kept.size());
        std::vector<uint32_t> indices(count);
        for (uint32_t i = 0; i < count; ++i) indices[i] = i;

        Accessor pos;
        pos.view = addView(positions.data(), positions.size() * 4, kArrayBuffer);
        pos.count = count;
        pos.minMax = true;
        for (int k = 0; k < 3; ++k) pos.min[k] = pos.max[k] = positions[size_t(k)];
        for (uint32_t v = 0; v < count; ++v)
            for (int k = 0; k < 3; ++k) {
                pos.min[k] = std::min(pos.min[k], positions[size_t(v) * 3 + k]);
                pos.max[k] = std::max(pos.max[k], positions[size_t(v) * 3 + k]);
            }
        accessors_.push_back(pos);
        Primitive primitive;
        primitive.position = accessors_.size() - 1;
        Accessor nor;
        nor.view = addView(normals.data(), normals.size() * 4, kArrayBuffer);
        nor.count = count;
        accessors_.push_back(nor);
        primitive.normal = accessors_.size() - 1;

        Accessor idx;
        idx.view = addView(indices.data(), indices.size() * 4, kElementArrayBuffer);
        idx.componentType = kUnsignedInt;
        idx.count = indices.size();
        idx.type = "SCALAR";
        accessors_.push_back(idx);
        primitive.indices = accessors_.size() - 1;

        // The binding rule: a part whose label is a material's MaterialID_Name is drawn with
        // it. The host sends no texture coordinates, so a textured material gets a planar
        // projection onto the part's two longest extents, one repeat per unit.
        const auto bound = materialByName_.find(part.label);
        if (bound == materialByName_.end()) {
            if (unboundLabels_.insert(part.label).second)
                notes_.push_back("part label \"" + text(part.label) +
                                 "\" is no material's MaterialID_Name: drawn in the default material");
        } else {
            primitive.material = bound->second;
            const TextureRef& textures = materials_[bound->second].textures;
            if (hasTexture(textures)) {
                int axes[3] = {0, 1, 2};
                std::sort(axes, axes + 3, [&](int a, int b) { return pos.max[a] - pos.min[a] > pos.max[b] - pos.min[b]; });
                std::vector<float> uv(size_t(count) * 2);
                for (uint32_t v = 0; v < count; ++v) {
                    uv[size_t(v) * 2] = positions[size_t(v) * 3 + axes[0]] - pos.min[axes[0]];
                    uv[size_t(v) * 2 + 1] = pos.max[axes[1]] - positions[size_t(v) * 3 + axes[1]];
                }
                Accessor tc;
                tc.view = addView(uv.data(), uv.size() * 4, kArrayBuffer);
                tc.count = count;
                tc.type = "VEC2";
                accessors_.push_back(tc);
                primitive.texcoord = accessors_.size() - 1;
                if (textures.normal) {
                    std::vector<float> tangents;
                    tangents.reserve(size_t(count) * 4);
                    for (uint32_t v = 0; v < count; ++v) {
                        const Vec3 n{normals[size_t(v) * 3], normals[size_t(v) * 3 + 1], normals[size_t(v) * 3 + 2]};
                        const auto t = tangent(n, axes[0], axes[1]);
                        tangents.insert(tangents.end(), t.begin(), t.end());
                    }
                    Accessor tan;
                    tan.view = addView(tangents.data(), tangents.size() * 4, kArrayBuffer);
                    tan.count = count;
                    tan.type = "VEC4";
                    accessors_.push_back(tan);
                    primitive.tangent = accessors_.size() - 1;
                }
            }
        }
        mesh.primitives.push_back(primitive);
    }
    if (!mesh.primitives.empty()) {
        meshes_.push_back(std::move(mesh));
        node.mesh = meshes_.size() - 1;
    }
    nodes_.push_back(std::move(node));
}

void Builder::addLight(const LightInfo& light) {
    const LightRecord& r = light.record;
    JsonWriter j(false);
    j.beginObject();
    j.field("name", r.LightName.empty() ? light.nodeName : r.LightName);
    const Vec3 color = r.LightTemperature > 0 ? temperatureColor(r.LightTemperature)
                                              : Vec3{clamp01(r.Color[0]), clamp01(r.Color[1]), clamp01(r.Color[2])};
    j.key("color").floats(color.data(), 3);
    j.field("intensity", std::max(0.0f, finiteOr(r.Intensity, 0)));
    if (r.Kind == LightKind::Point) {
        j.field("type", "point");
    } else {
        // The host's cone angle is the full opening: in degrees when above pi, else in
        // radians. An IES profile's own distribution cannot be expressed: a half-space spot.
        double outer = kHalfPi;
        if (r.Kind == LightKind::Spot) {
            double full = std::isfinite(r.Coneangle) ? double(r.Coneangle) : 0.0;
            if (full > 3.14159265358979) full = full * 3.14159265358979 / 180.0;
            outer = full > 0 ? std::min(full / 2, kHalfPi) : kHalfPi / 2;
        }
        j.field("type", "spot");
        j.key("spot").beginObject().field("innerConeAngle", 0.0).field("outerConeAngle", outer).endObject();
    }
    j.endObject();
    lights_.push_back(j.text());

    Node node;
    node.name = text(light.nodeName);
    node.light = lights_.size() - 1;
    const std::array<float, 16>& t = light.transform;
    node.translation = Vec3{finiteOr(t[12], 0), finiteOr(t[13], 0), finiteOr(t[14], 0)};
    // The program's transform is for row vectors (a point times the matrix); as a matrix for
    // column vectors its element (row, column) is t[4 * column + row].
    float m[3][3];
    bool finite = true;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            m[row][col] = t[size_t(4 * col + row)];
            finite = finite && std::isfinite(m[row][col]);
        }
    node.rotation = finite ? quaternion(m) : Quat{0, 0, 0, 1};
    nodes_.push_back(std::move(node));
}

void Builder::addCamera(const CameraRecord& camera, const std::string& name) {
    const SimpleCamera c = toSimpleCamera(camera); // renderer axes and field of view, as sent
    const double fov = std::isfinite(c.fov) && c.fov > 0 && c.fov < 3.1 ? double(c.fov) : 0.8;
    const double znear = std::isfinite(camera.nearClip) && camera.nearClip > 0 ? double(camera.nearClip) : 0.01;
    JsonWriter j(false);
    j.beginObject().field("name", name).field("type", "perspective");
    j.key("perspective").beginObject().field("yfov", fov).field("znear", znear).endObject();
    j.endObject();
    cameras_.push_back(j.text());

    Node node;
    node.name = name;
    node.camera = cameras_.size() - 1;
    const Vec3 eye{finiteOr(c.eye[0], 0), finiteOr(c.eye[1], 0), finiteOr(c.eye[2], 0)};
    const Vec3 target{finiteOr(c.target[0], 0), finiteOr(c.target[1], 0), finiteOr(c.target[2], 0)};
    const Vec3 up{finiteOr(c.up[0], 0), finiteOr(c.up[1], 0), finiteOr(c.up[2], 0)};
    node.translation = eye;
    node.rotation = lookRotation(eye, target, up);
    nodes_.push_back(std::move(node));
}

std::string Builder::json() const {
    JsonWriter j(false);
    j.beginObject();
    j.key("asset").beginObject().field("version", "2.0").field("generator", "orvex-inspect").endObject();
    if (!lights_.empty()) {
        j.key("extensionsUsed").beginArray().value("KHR_lights_punctual").endArray();
        j.key("extensions").beginObject().key("KHR_lights_punctual").beginObject().key("lights").beginArray();
        for (const std::string& light : lights_) j.raw(light);
        j.endArray().endObject().endObject();
    }
    j.field("scene", uint32_t(0));
    j.key("scenes").beginArray().beginObject().field("name", "Renderer scene");
    j.key("nodes").beginArray().value(uint32_t(0)).endArray().endObject().endArray();

    j.key("nodes").beginArray();
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const Node& n = nodes_[i];
        j.beginObject().field("name", n.name);
        if (i == 0 && nodes_.size() > 1) {
            j.key("children").beginArray();
            for (size_t c = 1; c < nodes_.size(); ++c) j.value(uint64_t(c));
            j.endArray();
        }
        if (n.mesh) j.field("mesh", uint64_t(*n.mesh));
        if (n.camera) j.field("camera", uint64_t(*n.camera));
        if (n.translation) j.key("translation").floats(n.translation->data(), 3);
        if (n.rotation) j.key("rotation").floats(n.rotation->data(), 4);
        if (n.light)
            j.key("extensions").beginObject().key("KHR_lights_punctual").beginObject()
                .field("light", uint64_t(*n.light)).endObject().endObject();
        if (!n.extras.empty()) j.key("extras").raw("{" + n.extras + "}");
        j.endObject();
    }
    j.endArray();

    if (!meshes_.empty()) {
        j.key("meshes").beginArray();
        for (const Mesh& m : meshes_) {
            j.beginObject().field("name", m.name).key("primitives").beginArray();
            for (const Primitive& p : m.primitives) {
                j.beginObject().key("attributes").beginObject().field("POSITION", uint64_t(p.position));
                if (p.normal) j.field("NORMAL", uint64_t(*p.normal));
                if (p.tangent) j.field("TANGENT", uint64_t(*p.tangent));
                if (p.texcoord) j.field("TEXCOORD_0", uint64_t(*p.texcoord));
                j.endObject().field("indices", uint64_t(p.indices));
                if (p.material) j.field("material", uint64_t(*p.material));
                j.field("mode", uint32_t(4)).endObject();
            }
            j.endArray().endObject();
        }
        j.endArray();
    }

    if (!materials_.empty()) {
        j.key("materials").beginArray();
        for (const Material& m : materials_) {
            const MaterialRecord& r = m.info->record;
            j.beginObject().field("name", r.InterfaceName.empty() ? r.MaterialID_Name : r.InterfaceName);
            // The host's Transparent is the share of light the surface stops (1 opaque); the
            // renderer's "Opacity" property is its complement. glTF's alpha is the former.
            const float alpha = clamp01(r.Transparent);
            float base[4] = {clamp01(r.Diffuse[0]), clamp01(r.Diffuse[1]), clamp01(r.Diffuse[2]), alpha};
            if (m.textures.baseColor) base[0] = base[1] = base[2] = 1;
            j.key("pbrMetallicRoughness").beginObject();
            j.key("baseColorFactor").floats(base, 4);
            if (m.textures.baseColor)
                j.key("baseColorTexture").beginObject().field("index", uint64_t(*m.textures.baseColor)).endObject();
            j.field("metallicFactor", clamp01(r.Reflection)).field("roughnessFactor", clamp01(r.Roughness));
            j.endObject();
            if (m.textures.normal)
                j.key("normalTexture").beginObject().field("index", uint64_t(*m.textures.normal))
                    .field("scale", finiteOr(r.Bump, 1)).endObject();
            if (m.textures.occlusion) {
                float strength = 1;
                for (const ExtendMaterialRecord& e : r.MatExt)
                    if (e.Type == 3) {
                        strength = clamp01(e.Value);
                        break;
                    }
                j.key("occlusionTexture").beginObject().field("index", uint64_t(*m.textures.occlusion))
                    .field("strength", strength).endObject();
            }
            if (r.TypeNat == 17) {
                const uint32_t packed = static_cast<uint32_t>(r.emissiveColor); // 0x00BBGGRR
                float emissive[3] = {float(packed & 0xFF) / 255, float(packed >> 8 & 0xFF) / 255,
                                     float(packed >> 16 & 0xFF) / 255};
                if (m.textures.emissive) {
                    emissive[0] = emissive[1] = emissive[2] = 1;
                    j.key("emissiveTexture").beginObject().field("index", uint64_t(*m.textures.emissive)).endObject();
                }
                j.key("emissiveFactor").floats(emissive, 3);
            }
            const std::u16string& t = m.info->templateName;
            j.field("alphaMode", t == u"template_transparent" ? "BLEND" : t == u"template_custom_alpha" ? "MASK" : "OPAQUE");
            j.field("doubleSided", true);
            j.key("extras").beginObject().field("MaterialID_Name", r.MaterialID_Name).field("template", t).endObject();
            j.endObject();
        }
        j.endArray();
    }

    if (!images_.empty()) {
        j.key("textures").beginArray();
        for (size_t i = 0; i < images_.size(); ++i) j.beginObject().field("source", uint64_t(i)).endObject();
        j.endArray();
        j.key("images").beginArray();
        for (const auto& [view, mime] : images_)
            j.beginObject().field("bufferView", uint64_t(view)).field("mimeType", mime).endObject();
        j.endArray();
    }

    if (!cameras_.empty()) {
        j.key("cameras").beginArray();
        for (const std::string& camera : cameras_) j.raw(camera);
        j.endArray();
    }

    if (!accessors_.empty()) {
        j.key("accessors").beginArray();
        for (const Accessor& a : accessors_) {
            j.beginObject().field("bufferView", uint64_t(a.view)).field("componentType", a.componentType);
            j.field("count", uint64_t(a.count)).field("type", a.type);
            if (a.minMax) {
                j.key("min").floats(a.min, 3);
                j.key("max").floats(a.max, 3);
            }
            j.endObject();
        }
        j.endArray();
    }
    if (!views_.empty()) {
        j.key("bufferViews").beginArray();
        for (const BufferView& v : views_) {
            j.beginObject().field("buffer", uint32_t(0)).field("byteOffset", uint64_t(v.offset));
            j.field("byteLength", uint64_t(v.length));
            if (v.target) j.field("target", v.target);
            j.endObject();
        }
        j.endArray();
        j.key("buffers").beginArray().beginObject().field("byteLength", uint64_t((bin_.size() + 3) / 4 * 4)).endObject().endArray();
    }
    j.endObject();
    return j.text();
}

void appendU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i) & 0xFF);
}

GltfExport Builder::run(const Inspection& in) {
    nodes_.push_back(Node{"Renderer axes (Z up)", {}, {}, {}, std::nullopt,
                          Quat{-0.70710677f, 0, 0, 0.70710677f}, {}});

    std::vector<const ModelBlockInfo*> blocks;
    for (const ContainerInfo& c : in.containers) {
        for (const EntryInfo& e : c.entries)
            if (e.model) blocks.push_back(&*e.model);
        if (!blocks.empty()) break;
    }
    addMaterials(blocks);
    for (const ModelBlockInfo* b : blocks)
        for (const SolidInfo& s : b->solids) addSolid(s);
    for (const ModelBlockInfo* b : blocks)
        for (const LightInfo& l : b->lights)
            if (l.sent) addLight(l);

    const ViewList* views = nullptr;
    for (const ModelBlockInfo* b : blocks)
        if (b->views) views = &b->views->list;
    if (!views && in.views) views = &in.views->list;
    if (views)
        for (size_t i = 0; i < views->views.size(); ++i) {
            const CameraRecord& v = views->views[i];
            std::string name = text(v.name.empty() ? v.nameId : v.name);
            if (name.empty()) name = "View " + std::to_string(i);
            addCamera(v, name);
        }
    if (in.camera) addCamera(in.camera->camera, "Current camera");

    // The JSON chunk is padded with blanks and the binary chunk with zeros to 4 bytes.
    std::string jsonChunk = json();
    while (jsonChunk.size() % 4) jsonChunk += ' ';
    while (bin_.size() % 4) bin_ += '\0';
    GltfExport out;
    const size_t total = 12 + 8 + jsonChunk.size() + (bin_.empty() ? 0 : 8 + bin_.size());
    out.glb.reserve(total);
    appendU32(out.glb, 0x46546C67); // "glTF"
    appendU32(out.glb, 2);
    appendU32(out.glb, static_cast<uint32_t>(total));
    appendU32(out.glb, static_cast<uint32_t>(jsonChunk.size()));
    appendU32(out.glb, 0x4E4F534A); // "JSON"
    out.glb += jsonChunk;
    if (!bin_.empty()) {
        appendU32(out.glb, static_cast<uint32_t>(bin_.size()));
        appendU32(out.glb, 0x004E4942); // "BIN"
        out.glb += bin_;
    }
    out.notes = std::move(notes_);
    return out;
}

} // namespace

GltfExport exportGltf(const Inspection& inspection) { return Builder().run(inspection); }

bool writeGltf(const GltfExport& gltf, const std::u16string& path) {
    File f(path, "wb");
    if (!f) return false;
    const bool ok = f.write(gltf.glb.data(), gltf.glb.size());
    return f.close() && ok;
}

} // namespace orvex::inspect
