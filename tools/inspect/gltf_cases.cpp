// The glTF edge cases: a solid without parts and a part without vertices, unindexed parts,
// textured materials bound to parts, damaged geometry, lights and views at their limits, and
// a model block with nothing in it.
#include "inspect/gltf_cases.h"

#include "image/png_writer.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace orvex::inspect {

namespace {

using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::PartContent;
using writer::SolidContent;

const std::u16string kProject = u"C:\\Work\\Cases.plan";

PartContent triangle(const std::u16string& label, float z) {
    PartContent p;
    p.label = label;
    p.positions = {0, 0, z, 1, 0, z, 0, 1, z};
    p.indices = {0, 1, 2};
    return p;
}

PartContent quad(const std::u16string& label) {
    PartContent p;
    p.label = label;
    p.positions = {0, 0, 0, 4, 0, 0, 4, 0, 3, 0, 0, 3};
    p.indices = {0, 1, 2, 0, 2, 3};
    return p;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool writeChecker(const std::filesystem::path& path) {
    PixelImage img;
    img.width = img.height = 8;
    img.bgra.resize(8 * 8 * 4);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            uint8_t* p = &img.bgra[(y * 8 + x) * 4];
            p[0] = p[1] = p[2] = (x + y) % 2 ? 230 : 40;
            p[3] = 255;
        }
    std::vector<uint8_t> png;
    return encodePng(img, png) && writeBytes(path, std::string(png.begin(), png.end()));
}

bool writeFolder(const std::filesystem::path& folder, const ModelBlockContent& contents) {
    std::error_code ec;
    std::filesystem::create_directories(folder / "Textures", ec);
    std::filesystem::create_directories(folder / "IES", ec);
    return ContainerWriter().addModelBlock(kProject, contents).writeFile((folder / "_model.alm").string());
}

ExtendMaterialRecord map(int32_t type, const std::u16string& file, float value = 0) {
    ExtendMaterialRecord e;
    e.Type = type;
    e.strFile = file;
    e.nFlag = 2;
    e.Value = value;
    return e;
}

std::u16string materialText(const std::u16string& id, void (*fill)(MaterialRecord&)) {
    MaterialRecord m;
    m.MaterialID_Name = id;
    m.InterfaceName = id + u" display";
    fill(m);
    return scene::materialBlockText(m);
}

} // namespace

bool writeGltfCaseFolders(const std::string& rootText, std::vector<std::string>& names) {
    namespace fs = std::filesystem;
    const fs::path root(rootText);
    bool ok = true;
    names.clear();

    {   // A solid without parts, and a part whose arrays are all empty, beside a drawn one.
        ModelBlockContent contents;
        SolidContent none{1, 1, u"No parts", u"", {}, 0};
        PartContent empty;
        empty.label = u"Empty";
        SolidContent hollow{2, 1, u"Hollow", u"", {empty, triangle(u"Drawn", 0)}, 1};
        contents.solids = std::vector<SolidContent>{none, hollow};
        ok = ok && writeFolder(root / "no-parts", contents);
        names.push_back("no-parts");
    }
    {   // Unindexed parts: nine positions, and ten (the last value is no vertex).
        ModelBlockContent contents;
        PartContent a;
        a.label = u"Nine";
        a.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        PartContent b;
        b.label = u"Ten";
        b.positions = {0, 0, 1, 1, 0, 1, 0, 1, 1, 5};
        PartContent c;
        c.label = u"Two triangles";
        c.positions = {0, 0, 2, 1, 0, 2, 0, 1, 2, 1, 1, 2, 0, 1, 2, 1, 0, 2};
        contents.solids = std::vector<SolidContent>{{3, 1, u"Unindexed", u"", {a, b, c}, 0}};
        ok = ok && writeFolder(root / "unindexed", contents);
        names.push_back("unindexed");
    }
    {   // Textured materials drawn on parts named after them; one texture missing and one in a
        // format glTF does not carry.
        ModelBlockContent contents;
        contents.materials.emplace();
        contents.materials->push_back({materialText(u"M_Tex", [](MaterialRecord& m) {
            m.Bump = 0.7f;
            m.Roughness = 0.4f;
            m.MatExt = {map(1, u"checker.png"), map(2, u"checker_normal.png"), map(3, u"checker_ao.png", 0.6f)};
        }), std::nullopt});
        contents.materials->push_back({materialText(u"M_Glow", [](MaterialRecord& m) {
            m.TypeNat = 17;
            m.EmissiveIntensity = 300;
            m.emissiveColor = 0x00FF8000;
            m.MatExt = {map(1, u"checker.png")};
        }), std::nullopt});
        contents.materials->push_back({materialText(u"M_Glass", [](MaterialRecord& m) {
            m.Transparent = 0.3f;
            m.Diffuse[0] = 2.0f; // out of range: clamped in the preview
            m.Reflection = -1;
        }), std::nullopt});
        contents.materials->push_back({materialText(u"M_Missing", [](MaterialRecord& m) {
            m.MatExt = {map(1, u"not_there.png")};
        }), std::nullopt});
        contents.materials->push_back({materialText(u"M_Bitmap", [](MaterialRecord& m) {
            m.m_nContaintTransparent = 1;
            m.MatExt = {map(1, u"old.bmp")};
        }), std::nullopt});
        contents.solids = std::vector<SolidContent>{
            {10, 1, u"Textured", u"", {quad(u"M_Tex"), quad(u"M_Glow"), quad(u"M_Glass")}, 0},
            {11, 1, u"Fallbacks", u"", {quad(u"M_Missing"), quad(u"M_Bitmap"), quad(u"No such material")}, 0}};
        const fs::path folder = root / "textured";
        ok = ok && writeFolder(folder, contents);
        ok = ok && writeChecker(folder / "Textures" / "checker.png") &&
             writeChecker(folder / "Textures" / "checker_normal.png") &&
             writeChecker(folder / "Textures" / "checker_ao.png") &&
             writeBytes(folder / "Textures" / "old.bmp", std::string("BM\0\0\0\0", 6));
        names.push_back("textured");
    }
    {   // Damaged geometry: indices beyond the vertices, values that are not numbers, a stray index.
        ModelBlockContent contents;
        PartContent p = triangle(u"Damaged", 0);
        p.indices = {0, 1, 2, 0, 2, 7, 1, 2};
        p.positions[4] = std::numeric_limits<float>::quiet_NaN();
        p.positions[8] = std::numeric_limits<float>::infinity();
        PartContent all = triangle(u"All beyond", 1);
        all.indices = {5, 6, 7};
        contents.solids = std::vector<SolidContent>{{20, 1, u"Damaged", u"", {p, all}, 0}};
        ok = ok && writeFolder(root / "damaged", contents);
        names.push_back("damaged");
    }
    {   // Lights and views at their limits.
        ModelBlockContent contents;
        LightRecord spot;
        spot.Kind = LightKind::Spot;
        spot.LightSolidID = 1;
        spot.Coneangle = 200; // degrees, wider than a half space
        spot.To[0] = std::numeric_limits<float>::quiet_NaN();
        spot.Color[0] = 3;
        spot.Intensity = -5;
        LightRecord narrow = spot;
        narrow.LightSolidID = 2;
        narrow.Coneangle = 0.5f; // radians
        narrow.To[0] = 0.4f, narrow.To[1] = -1.1f, narrow.To[2] = 2.5f;
        narrow.LightTemperature = 2700;
        LightRecord ies;
        ies.Kind = LightKind::Ies;
        ies.LightSolidID = -3;
        ies.strIESF_FilePath = u"profile.ies";
        LightRecord area;
        area.Kind = LightKind::Area;
        area.LightSolidID = 4;
        LightRecord off;
        off.LightSolidID = 5;
        off.Enabled = false;
        contents.lights = std::vector<std::u16string>{scene::lightBlockText(spot), scene::lightBlockText(narrow),
                                                  scene::lightBlockText(ies), scene::lightBlockText(area),
                                                  scene::lightBlockText(off)};
        ViewList views;
        CameraRecord same; // eye on its target, no up, no field of view
        same.name = u"Degenerate";
        CameraRecord down;
        down.name = u"Straight down";
        down.fieldOfView = 0.7f;
        down.nearClip = 0.2f;
        down.eye[2] = 10;
        down.up[2] = 1; // parallel to the view direction
        CameraRecord wide;
        wide.nameId = u"W";
        wide.fieldOfView = 5; // beyond a half turn once scaled
        wide.eye[0] = 1;
        wide.up[2] = 1;
        views.views = {same, down, wide};
        views.active = 1;
        contents.views = scene::viewsBlockText(views);
        contents.solids = std::vector<SolidContent>{{30, 1, u"Floor", u"", {quad(u"Floor")}, 0}};
        ok = ok && writeFolder(root / "lights-views", contents);
        names.push_back("lights-views");
    }
    {   // Nothing at all: a model block whose five words are zero.
        ok = ok && writeFolder(root / "nothing", ModelBlockContent{});
        names.push_back("nothing");
    }
    return ok;
}

} // namespace orvex::inspect
