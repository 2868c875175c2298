// The sample house. Geometry is generated (boxes and a prism roof), textures are drawn
// procedurally and written with the program's own PNG writer, so nothing is downloaded.
#include "scene-writer/sample_scene.h"

#include "image/png_writer.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace orvex::scene {

namespace {

using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::PartContent;
using writer::SolidContent;

const std::u16string kProject = u"C:\\Work\\Riverside House.plan";
const std::u16string kOtherProject = u"C:\\Work\\Garden Pavilion.plan";

// The host writes geometry in the renderer's axes but cameras and lights in its own; the
// house is modelled in host axes and its vertices turned the way the program turns cameras.
std::vector<float> toRendererAxes(std::vector<float> p) {
    for (size_t i = 0; i + 2 < p.size(); i += 3) {
        const float x = p[i], y = p[i + 1];
        p[i] = y;
        p[i + 1] = 0.0f - x; // no negative zeros in the geometry
    }
    return p;
}

// An axis-aligned box as an indexed part: 8 vertices, 12 triangles.
PartContent box(const std::u16string& label, float x0, float y0, float z0, float x1, float y1, float z1) {
    PartContent p;
    p.label = label;
    p.positions = toRendererAxes({x0, y0, z0, x1, y0, z0, x1, y1, z0, x0, y1, z0,
                                  x0, y0, z1, x1, y0, z1, x1, y1, z1, x0, y1, z1});
    p.indices = {0, 2, 1, 0, 3, 2, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
                 1, 2, 6, 1, 6, 5, 2, 3, 7, 2, 7, 6, 3, 0, 4, 3, 4, 7};
    // Per-vertex attributes handed through to the renderer unchanged.
    p.attributes2.assign(8, 0xFFFFFFFFu);
    p.attributes5.assign(8, 0);
    return p;
}

// A gable roof as an unindexed part: every three positions make a triangle.
PartContent roof(float width, float depth, float eaves, float ridge) {
    const float w = width, d = depth, e = eaves, r = ridge, m = width / 2;
    PartContent p;
    p.label = u"M_Plaster";
    p.positions = toRendererAxes({0, 0, e, w, 0, e, m, 0, r,       // front gable
                   0, d, e, m, d, r, w, d, e,       // back gable
                   0, 0, e, m, 0, r, m, d, r,       // left slope
                   0, 0, e, m, d, r, 0, d, e,
                   w, 0, e, w, d, e, m, d, r,       // right slope
                   w, 0, e, m, d, r, m, 0, r});
    return p;
}

MaterialRecord material(const std::u16string& id, const std::u16string& display, int32_t index) {
    MaterialRecord m;
    m.MaterialID_Name = id;
    m.InterfaceName = display;
    m._nMatDescIndex = index;
    m.nTimeID = 1000 + index;
    m.Roughness = 0.5f;
    return m;
}

ExtendMaterialRecord map(int32_t type, const std::u16string& file, float value = 0) {
    ExtendMaterialRecord e;
    e.Type = type;
    e.strFile = file;
    e.nFlag = 2;
    e.Value = value;
    return e;
}

std::vector<MaterialRecord> materials(bool changed) {
    MaterialRecord plaster = material(u"M_Plaster", u"White plaster", 1);
    plaster.Diffuse[0] = 0.92f, plaster.Diffuse[1] = 0.9f, plaster.Diffuse[2] = changed ? 0.7f : 0.85f;
    if (changed) plaster.nTimeID = 2001;

    MaterialRecord oak = material(u"M_Oak", u"Oak floor", 2);
    oak.Bump = 0.6f;
    oak.Reflection = 0.1f;
    oak.MatExt = {map(1, u"oak_floor.png"), map(3, u"", 0.8f)};

    MaterialRecord brick = material(u"M_Brick", u"Red brick", 3);
    brick.Bump = 0.4f;
    brick.MatExt = {map(1, u"brick.png"), map(2, u"brick_normal.png"), map(5, u"brick_rough.png")};

    MaterialRecord glass = material(u"M_Glass", u"Window glass", 4);
    glass.Transparent = 0.2f;
    glass.IOR = 1.5f;
    glass.Diffuse[0] = 0.8f, glass.Diffuse[1] = 0.9f, glass.Diffuse[2] = 1.0f;

    MaterialRecord lamp = material(u"M_Lamp", u"Lamp shade", 5);
    lamp.TypeNat = 17;
    lamp.EmissiveIntensity = 250;
    lamp.emissiveColor = 0x0080C0FF; // red FF, green C0, blue 80

    MaterialRecord leaves = material(u"M_Leaves", u"Hedge leaves", 6);
    leaves.m_nContaintTransparent = 1;
    leaves.Transparent = 0.95f;
    leaves.Diffuse[0] = 0.2f, leaves.Diffuse[1] = 0.5f, leaves.Diffuse[2] = 0.15f;
    return {plaster, oak, brick, glass, lamp, leaves};
}

LightRecord light(int32_t id, LightKind kind, const std::u16string& name, float x, float y, float z) {
    LightRecord l;
    l.LightSolidID = id;
    l.Kind = kind;
    l.LightName = name;
    l.From[0] = x, l.From[1] = y, l.From[2] = z;
    l.Intensity = 800;
    l.Color[0] = 1, l.Color[1] = 0.9f, l.Color[2] = 0.8f;
    l.LightTimeStamp = 1;
    return l;
}

std::vector<std::u16string> lights(bool moved) {
    LightRecord ceiling = light(501, LightKind::Point, u"Ceiling lamp", 5, moved ? 3 : 4, 2.6f);
    LightRecord spot = light(502, LightKind::Spot, u"Reading spot", 2, 2, 2.4f);
    spot.To[0] = 0.3f, spot.To[1] = 0, spot.To[2] = 1.2f;
    spot.Coneangle = 35;
    spot.LightTemperature = 3200;
    LightRecord ies = light(503, LightKind::Ies, u"Wall washer", 9, 1, 2.2f);
    ies.strIESF_FilePath = u"wallwasher.ies";
    LightRecord off = light(504, LightKind::Point, u"Garden lamp (off)", 12, -3, 1);
    off.Enabled = false;
    return {lightBlockText(ceiling), lightBlockText(spot), lightBlockText(ies), lightBlockText(off)};
}

CameraRecord view(const std::u16string& name, const std::u16string& id, float ex, float ey, float ez,
                  float tx, float ty, float tz) {
    CameraRecord c;
    c.type = 1;
    c.name = name;
    c.nameId = id;
    c.fieldOfView = 0.8f;
    c.nearClip = 0.1f;
    c.eye[0] = ex, c.eye[1] = ey, c.eye[2] = ez;
    c.target[0] = tx, c.target[1] = ty, c.target[2] = tz;
    c.up[2] = 1;
    return c;
}

ViewList views() {
    ViewList list;
    list.views = {view(u"Street", u"V1", 5, -12, 1.7f, 5, 4, 1.5f),
                  view(u"Garden", u"V2", 18, 4, 1.7f, 5, 4, 1.5f),
                  view(u"Living room", u"V3", 2, 1, 1.6f, 8, 6, 1.2f)};
    list.active = 0;
    return list;
}

std::vector<SolidContent> house(bool edited) {
    SolidContent walls{101, 1, u"Walls", u"", {}, 0};
    // The host labels each part with the material it wears (its MaterialID_Name): brick
    // facing the street and the garden, plaster on the two gable walls.
    walls.parts = {box(u"M_Brick", 0, 0, 0, 10, 0.3f, 2.8f), box(u"M_Brick", 0, 7.7f, 0, 10, 8, 2.8f),
                   box(u"M_Plaster", 0, 0.3f, 0, 0.3f, 7.7f, 2.8f),
                   box(u"M_Plaster", 9.7f, 0.3f, 0, 10, 7.7f, edited ? 3.2f : 2.8f)};
    if (edited) walls.timestamp = 2;
    SolidContent floor{102, 1, u"Floor slab", u"", {box(u"M_Oak", 0, 0, -0.2f, 10, 8, 0)}, 0};
    SolidContent roofSolid{103, 1, u"Roof", u"", {roof(10, 8, 2.8f, 5)}, 0};
    SolidContent shed{104, 1, u"Garden shed", u"", {box(u"M_Oak", 12, -4, 0, 14, -2, 2.2f)}, 0};
    SolidContent marker{105, 1, u"Survey point (no geometry)", u"", {}, 0};
    std::vector<SolidContent> all = {walls, floor, roofSolid, shed, marker};
    if (edited) all = {walls};
    return all;
}

ModelBlockContent fullModel() {
    ModelBlockContent contents;
    contents.materials.emplace();
    for (const auto& m : materials(false)) contents.materials->push_back({materialBlockText(m), std::nullopt});
    contents.lights = lights(false);
    contents.solids = house(false);
    contents.views = viewsBlockText(views());
    return contents;
}

// Wood grain: bands of brown with a ripple, tileable in both directions.
PixelImage woodTexture(uint32_t size) {
    PixelImage img;
    img.width = img.height = size;
    img.bgra.resize(size_t(size) * size * 4);
    const double pi = 3.14159265358979;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const double u = double(x) / size, v = double(y) / size;
            const double grain = std::sin(2 * pi * (8 * v + 0.3 * std::sin(2 * pi * u * 3)));
            const double t = 0.5 + 0.5 * grain;
            uint8_t* p = &img.bgra[(size_t(y) * size + x) * 4];
            p[2] = static_cast<uint8_t>(120 + 60 * t);
            p[1] = static_cast<uint8_t>(80 + 40 * t);
            p[0] = static_cast<uint8_t>(40 + 20 * t);
            p[3] = 255;
        }
    return img;
}

// Bricks with mortar joints; every other course shifted by half a brick.
PixelImage brickTexture(uint32_t size) {
    PixelImage img;
    img.width = img.height = size;
    img.bgra.resize(size_t(size) * size * 4);
    const uint32_t course = size / 8, brickLength = size / 4;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            const uint32_t row = y / course;
            const uint32_t shifted = x + (row % 2 ? brickLength / 2 : 0);
            const bool mortar = y % course < 2 || shifted % brickLength < 2;
            uint8_t* p = &img.bgra[(size_t(y) * size + x) * 4];
            const uint8_t shade = static_cast<uint8_t>((row * 37 + shifted / brickLength * 53) % 40);
            p[2] = mortar ? 200 : static_cast<uint8_t>(150 + shade);
            p[1] = mortar ? 195 : static_cast<uint8_t>(60 + shade / 2);
            p[0] = mortar ? 185 : 45;
            p[3] = 255;
        }
    return img;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writePng(const std::filesystem::path& path, const PixelImage& image) {
    std::vector<uint8_t> png;
    if (!encodePng(image, png)) return false;
    return writeBytes(path, std::string(png.begin(), png.end()));
}

const char* const kIesProfile =
    "IESNA:LM-63-2002\r\n[MANUFAC] Sample profile\r\nTILT=NONE\r\n"
    "1 1000 1 3 1 1 2 0 0 0\r\n1 1 40\r\n0 45 90\r\n0\r\n800 500 100\r\n";

} // namespace

bool writeSampleScene(const std::string& dataFolder, const std::string& stepsFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path data(dataFolder), steps(stepsFolder);
    fs::create_directories(data / "Textures", ec);
    fs::create_directories(data / "IES", ec);
    fs::create_directories(steps, ec);

    bool ok = ContainerWriter().addModelBlock(kProject, fullModel()).writeFile((data / "_model.alm").string());

    CameraRecord camera = view(u"", u"", 6, -9, 1.7f, 5, 4, 1.4f);
    camera.fieldOfView = 0.9f;
    ok = ok && writeBytes(data / "camera.cam", hostFileBytes(cameraBlockText(camera)));
    ok = ok && writeBytes(data / "Views.cam", hostFileBytes(viewsBlockText(views())));
    ok = ok && writePng(data / "Textures" / "oak_floor.png", woodTexture(256));
    ok = ok && writePng(data / "Textures" / "brick.png", brickTexture(256));
    // The brick's own normal and roughness maps (flat normals, mid roughness).
    PixelImage flat;
    flat.width = flat.height = 4;
    flat.bgra.assign(4 * 4 * 4, 0);
    for (size_t i = 0; i < 16; ++i) flat.bgra[i * 4 + 0] = 255, flat.bgra[i * 4 + 1] = 128, flat.bgra[i * 4 + 2] = 128, flat.bgra[i * 4 + 3] = 255;
    ok = ok && writePng(data / "Textures" / "brick_normal.png", flat);
    PixelImage rough = flat;
    for (size_t i = 0; i < 16; ++i) rough.bgra[i * 4 + 0] = rough.bgra[i * 4 + 1] = rough.bgra[i * 4 + 2] = 160;
    ok = ok && writePng(data / "Textures" / "brick_rough.png", rough);
    ok = ok && writeBytes(data / "IES" / "wallwasher.ies", kIesProfile);

    // A later camera position, for the demo's camera move.
    CameraRecord moved = camera;
    moved.eye[0] = 15, moved.eye[1] = 10, moved.eye[2] = 3;
    ok = ok && writeBytes(steps / "camera_moved.cam", hostFileBytes(cameraBlockText(moved)));

    // An incremental change: the walls edited, the shed deleted, the ceiling lamp moved, the
    // plaster recoloured.
    ModelBlockContent change;
    change.materials.emplace();
    change.materials->push_back({materialBlockText(materials(true)[0]), std::nullopt});
    change.lights = lights(true);
    change.solids = house(true);
    ok = ok && ContainerWriter()
                   .addChangeDirectory(kProject, {{{u"Solid", {101, 104}}, {u"Material", {1}}}, std::nullopt})
                   .addModelBlock(kProject, change)
                   .writeFile((steps / "change.sm").string());

    // The host switches to another project: a pavilion of one solid.
    ModelBlockContent pavilion;
    pavilion.materials.emplace();
    pavilion.materials->push_back({materialBlockText(materials(false)[1]), std::nullopt});
    pavilion.lights = std::vector<std::u16string>{lights(false)[0]};
    SolidContent deck{201, 1, u"Deck", u"", {box(u"M_Oak", 0, 0, 0, 4, 4, 0.2f), roof(4, 4, 2.5f, 3.5f)}, 0};
    pavilion.solids = std::vector<SolidContent>{deck};
    ok = ok && ContainerWriter()
                   .addChangeDirectory(kOtherProject, {})
                   .addModelBlock(kOtherProject, pavilion)
                   .writeFile((steps / "switch.sm").string());
    return ok;
}

} // namespace orvex::scene
