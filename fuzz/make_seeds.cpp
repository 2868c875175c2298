// Writes the seed corpus of every fuzz target, made by the project's own writers, and one
// dictionary per target with the words its reader looks for.
//   orvex_fuzz_seeds <output folder>  ->  <output>/corpus/<target>/seed-NN, <output>/dict/<target>.dict
#include "fuzz_support.h"

#include "core/container_layout.h"
#include "image/normal_map.h"
#include "image/png_writer.h"
#include "platform/text.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/container_writer.h"
#include "scene-writer/light_text.h"
#include "scene-writer/material_text.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace orvex;
namespace fs = std::filesystem;
using writer::ContainerWriter;
using writer::ModelBlockContent;
using writer::PartContent;
using writer::SolidContent;

const std::u16string kProject = u"C:\\Work\\Fuzz.plan";

std::string pairs(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

PartContent indexedPart() {
    PartContent p;
    p.label = u"Slab";
    p.positions = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    p.indices = {0, 1, 2, 0, 2, 3};
    p.attributes2.assign(4, 0xFFFFFFFFu);
    p.attributes5.assign(4, 0);
    return p;
}

PartContent unindexedPart() {
    PartContent p;
    p.label = u"Roof";
    p.positions = {0, 0, 3, 4, 0, 3, 2, 0, 5};
    return p;
}

MaterialRecord oakMaterial() {
    MaterialRecord m;
    m.MaterialID_Name = u"M_Oak";
    m.InterfaceName = u"Oak floor";
    m._nMatDescIndex = 2;
    m.nTimeID = 1002;
    m.Roughness = 0.5f;
    m.Bump = 0.6f;
    m.Diffuse[0] = 0.6f, m.Diffuse[1] = 0.4f, m.Diffuse[2] = 0.2f;
    ExtendMaterialRecord diffuse;
    diffuse.Type = 1;
    diffuse.nFlag = 2;
    diffuse.strFile = u"oak_floor.png";
    ExtendMaterialRecord occlusion;
    occlusion.Type = 3;
    occlusion.Value = 0.8f;
    m.MatExt = {diffuse, occlusion};
    return m;
}

MaterialRecord lampMaterial() {
    MaterialRecord m;
    m.MaterialID_Name = u"M_Lamp";
    m.InterfaceName = u"Lamp shade";
    m.TypeNat = 17;
    m.EmissiveIntensity = 250;
    m.emissiveColor = 0x0080C0FF;
    m.m_nContaintTransparent = 1;
    m.Transparent = 0.95f;
    return m;
}

LightRecord spotLight() {
    LightRecord l;
    l.LightSolidID = 502;
    l.Kind = LightKind::Spot;
    l.LightName = u"Reading spot";
    l.From[0] = 2, l.From[1] = 2, l.From[2] = 2.4f;
    l.To[0] = 0.3f, l.To[2] = 1.2f;
    l.Coneangle = 35;
    l.Intensity = 800;
    l.Color[0] = 1, l.Color[1] = 0.9f, l.Color[2] = 0.8f;
    return l;
}

LightRecord iesLight() {
    LightRecord l;
    l.LightSolidID = -3;
    l.Kind = LightKind::Ies;
    l.LightName = u"Wall washer";
    l.strIESF_FilePath = u"wallwasher.ies";
    l.LightTemperature = 3200;
    l.Enabled = true;
    return l;
}

CameraRecord camera(const std::u16string& name, const std::u16string& id, float x) {
    CameraRecord c;
    c.type = 1;
    c.name = name;
    c.nameId = id;
    c.fieldOfView = 0.8f;
    c.nearClip = 0.1f;
    c.eye[0] = x, c.eye[1] = -12, c.eye[2] = 1.7f;
    c.target[0] = 5, c.target[1] = 4, c.target[2] = 1.5f;
    c.up[2] = 1;
    return c;
}

ViewList views() {
    ViewList list;
    list.views = {camera(u"Street", u"V1", 5), camera(u"Garden", u"V2", 18), camera(u"Hall", u"V3", 2)};
    list.active = 1;
    return list;
}

ModelBlockContent fullBlock() {
    ModelBlockContent contents;
    contents.materials = std::vector<writer::MaterialEntry>{
        {scene::materialBlockText(oakMaterial()), std::nullopt},
        {scene::materialBlockText(lampMaterial()), std::nullopt}};
    contents.lights = std::vector<std::u16string>{scene::lightBlockText(spotLight()), scene::lightBlockText(iesLight())};
    SolidContent walls{101, 1, u"Walls", u"", {indexedPart(), unindexedPart()}, 1};
    SolidContent marker{105, 1, u"Marker", u"", {}, 0};
    contents.solids = std::vector<SolidContent>{walls, marker};
    contents.views = scene::viewsBlockText(views());
    return contents;
}

std::vector<ModelBlockContent> blocks() {
    std::vector<ModelBlockContent> all{fullBlock(), ModelBlockContent{}};
    ModelBlockContent materials;
    materials.materials = std::vector<writer::MaterialEntry>{
        {scene::materialBlockText(oakMaterial()), std::nullopt},
        {u"MaterialID_Name [odd]\n", 23u}}; // odd byte length
    all.push_back(materials);
    ModelBlockContent lights;
    lights.lights = std::vector<std::u16string>{scene::lightBlockText(iesLight())};
    all.push_back(lights);
    ModelBlockContent solids;
    solids.solids = std::vector<SolidContent>{SolidContent{0x80000000u, 9, u"a", u"b", {indexedPart()}, 0},
                                           SolidContent{7, 3, u"", u"", {unindexedPart(), PartContent{}}, 0}};
    solids.zeroSolidOffsets = 1;
    all.push_back(solids);
    ModelBlockContent viewsOnly;
    viewsOnly.views = scene::viewsBlockText(views());
    all.push_back(viewsOnly);
    return all;
}

// Tables that name one solid and one part hundreds of times each: a few kilobytes that once
// asked for 160000 meshes. Loading the seed corpus replays it under the run's time limit.
std::string repeatedPartsBlock(uint32_t solids, uint32_t parts, uint32_t positions) {
    using writer::appendCountedText;
    using writer::appendU32;
    std::string block;
    for (uint32_t w : {0u, 0u, 1u, 0u, 0u}) appendU32(block, w);
    const uint32_t solid = 20 + 4 + 4 * solids;
    appendU32(block, solids);
    for (uint32_t i = 0; i < solids; ++i) appendU32(block, solid);
    for (uint32_t w : {0u, 29u}) appendU32(block, w); // the part table follows the head
    block += '\0';
    appendU32(block, 1);
    appendCountedText(block, u"");
    for (uint32_t w : {0u, 0u, 42u}) appendU32(block, w);
    appendCountedText(block, u"");
    const uint32_t part = static_cast<uint32_t>(block.size()) + 4 + 4 * parts;
    appendU32(block, parts);
    for (uint32_t i = 0; i < parts; ++i) appendU32(block, part);
    for (uint32_t w : {0u, 22u, 0u, 0u}) appendU32(block, w); // the arrays follow the head
    appendCountedText(block, u"P");
    appendCountedText(block, u"");
    appendU32(block, positions);
    for (uint32_t i = 0; i < positions; ++i) appendU32(block, 0x3F800000u);
    for (int i = 0; i < 7; ++i) appendU32(block, 0);
    return block;
}

class Output {
public:
    explicit Output(fs::path root) : root_(std::move(root)) {}

    void seed(const std::string& target, const std::string& bytes) {
        const fs::path folder = root_ / "corpus" / target;
        fs::create_directories(folder);
        char name[32];
        std::snprintf(name, sizeof name, "seed-%02d", counts_[target]++);
        write(folder / name, bytes);
    }

    // Each word in ASCII and as UTF-16 pairs, so that both readings of the bytes find it.
    void dictionary(const std::string& target, const std::vector<std::string>& words) {
        fs::create_directories(root_ / "dict");
        std::string text;
        for (const std::string& word : words) {
            text += quoted(word);
            text += quoted(pairs(widenBytes(word)));
        }
        write(root_ / "dict" / (target + ".dict"), text);
    }

    bool ok = true;

private:
    static std::string quoted(const std::string& bytes) {
        std::string out = "\"";
        for (unsigned char c : bytes) {
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                out += static_cast<char>(c);
            } else {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02X", c);
                out += escape;
            }
        }
        return out + "\"\n";
    }

    void write(const fs::path& path, const std::string& bytes) {
        std::FILE* f = std::fopen(path.string().c_str(), "wb");
        if (!f) {
            ok = false;
            return;
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) ok = false;
        if (std::fclose(f) != 0) ok = false;
    }

    fs::path root_;
    std::map<std::string, int> counts_;
};

// A container as the container target takes it: without the header's unused entry slots.
std::string withoutUnusedSlots(const std::string& container) {
    std::string input = container.substr(0, fuzz::kContainerHeaderKept);
    if (container.size() > layout::kHeaderSize) input += container.substr(layout::kHeaderSize);
    return input;
}

// A model block larger than the reader's first read-ahead, with a position array of more
// than 16 KB (read straight into its storage when the container is read from its file), sent
// after a small part.
ModelBlockContent largeBlock() {
    ModelBlockContent contents = fullBlock();
    PartContent large = indexedPart();
    large.label = u"Terrain";
    large.positions.clear();
    for (uint32_t i = 0; i < 1400; ++i) // 16,800 bytes
        large.positions.insert(large.positions.end(), {float(i % 40), float(i / 40), float(i % 7)});
    contents.solids->push_back(SolidContent{110, 2, u"Terrain", u"", {unindexedPart(), large}, 0});
    return contents;
}

void containerSeeds(Output& out) {
    const std::string t = "fuzz_container";
    // The first byte: bit 0 reads from the file, bit 1 cuts it at the first mesh, to
    // (bits 2-7) / 64 of its length.
    const auto seed = [&](uint8_t flags, const std::string& container) {
        out.seed(t, std::string(1, char(flags)) + withoutUnusedSlots(container));
    };
    seed(0, ContainerWriter().addModelBlock(kProject, fullBlock()).bytes());
    seed(0, ContainerWriter()
                .addChangeDirectory(kProject, {{{u"Solid", {101, 104}}, {u"Material", {1}}}, std::nullopt})
                .addModelBlock(kProject, fullBlock())
                .bytes());
    ContainerWriter empty;
    empty.name = u"Header only";
    seed(0, empty.bytes());
    ContainerWriter old;
    old.version = 6;
    seed(0, old.bytes());
    ContainerWriter badEnd;
    badEnd.headerEnd = 208640;
    badEnd.addModelBlock(kProject, fullBlock());
    seed(0, badEnd.bytes());
    ContainerWriter negative;
    negative.entryCount = -1;
    negative.addModelBlock(kProject, fullBlock());
    negative.entries[0].blockOffset = -20;
    seed(0, negative.bytes());
    out.seed(t, std::string(101, '\0')); // a container cut short
    const std::string large = ContainerWriter().addModelBlock(kProject, largeBlock()).bytes();
    seed(1, large);
    seed(3 | 60 << 2, large); // cut inside the large array
    seed(3 | 32 << 2, large); // cut before the large part
}

void changeDirectorySeeds(Output& out) {
    const std::string t = "fuzz_change_directory";
    const std::vector<writer::ChangeDirectoryContent> directories = {
        {{{u"Solid", {5, 9}}}, std::nullopt},
        {{{u"Solid", {1, 2, 3, 0xFFFFFFFFu}}, {u"Material", {1, 2}}}, std::nullopt},
        {{{u"solid", {1}}, {u"Solids", {2}}, {u"Material", {}}}, std::nullopt},
        {{{u"Solid", {9}}}, 3u}, // odd word count
        {{}, std::nullopt},
    };
    for (uint8_t flags : {0, 1, 2, 3, 4, 6}) // 4: read from the file
        for (const auto& d : directories) out.seed(t, std::string(1, char(flags)) + writer::encodeChangeDirectory(d));
}

void textSeeds(Output& out) {
    for (const CameraRecord& c : {camera(u"", u"", 6), camera(u"Front view", u"V9", -1)}) {
        const std::u16string text = scene::cameraBlockText(c);
        out.seed("fuzz_camera", scene::hostFileBytes(text));
        out.seed("fuzz_camera", pairs(text));
    }
    const std::u16string viewsText = scene::viewsBlockText(views());
    out.seed("fuzz_views", scene::hostFileBytes(viewsText));
    out.seed("fuzz_views", pairs(viewsText));
    const std::u16string nested = u"Cameras_Start\nCameras_Camera_ObjectSTART\nCameras_Camera_ObjectSTART\n" +
                                  scene::cameraBlockText(camera(u"In", u"I", 1)) +
                                  u"Cameras_Camera_ObjectEND\nCameras_Camera_ObjectEND\nCameras_nActCamera [-1]\nCameras_End\n";
    out.seed("fuzz_views", scene::hostFileBytes(nested));

    for (const MaterialRecord& m : {oakMaterial(), lampMaterial()}) {
        const std::u16string text = scene::materialBlockText(m);
        out.seed("fuzz_material", narrowLatin1(text));
        out.seed("fuzz_material", pairs(text));
        for (const ExtendMaterialRecord& e : m.MatExt) {
            out.seed("fuzz_extend_material", narrowLatin1(scene::extendMaterialBlockText(e)));
            out.seed("fuzz_extend_material", pairs(scene::extendMaterialBlockText(e)));
        }
    }
    for (const LightRecord& l : {spotLight(), iesLight()}) {
        const std::u16string text = scene::lightBlockText(l);
        out.seed("fuzz_light", narrowLatin1(text));
        out.seed("fuzz_light", pairs(text));
    }
}

// Normal maps as the program writes them: the PNG of the kernel's pixels sealed with an
// origin record.
void normalMapSeeds(Output& out) {
    for (uint32_t side : {1u, 7u, 40u}) {
        PixelImage image;
        image.width = side;
        image.height = side;
        image.bgra.resize(size_t(side) * side * 4);
        for (size_t i = 0; i < image.bgra.size(); ++i) image.bgra[i] = static_cast<uint8_t>(i * 37 + side);
        PixelImage normals;
        computeNormalMap(image, normals);
        PngPieces png;
        if (!encodePngPieces(normals, png) || !sealWithOrigin(png, NormalMapOrigin{{1234, 5678, 0x9ABC}, {}})) {
            out.ok = false;
            return;
        }
        std::string bytes;
        for (const PngPiece& piece : png.pieces) bytes.append(reinterpret_cast<const char*>(piece.bytes.get()), piece.size);
        out.seed("fuzz_normal_map", bytes);
        if (side != 1) continue;
        // Cut right after the seal: with only the end chunk (the image data gone, the hash
        // then wrong), and with a few bytes less than an end chunk.
        const size_t sealEnd = 33 + 12 + (uint32_t(uint8_t(bytes[33])) << 24 | uint32_t(uint8_t(bytes[34])) << 16 |
                                          uint32_t(uint8_t(bytes[35])) << 8 | uint8_t(bytes[36]));
        out.seed("fuzz_normal_map", bytes.substr(0, sealEnd) + bytes.substr(bytes.size() - 12));
        out.seed("fuzz_normal_map", bytes.substr(0, sealEnd + 5));
    }
}

void dictionaries(Output& out) {
    out.dictionary("fuzz_normal_map", {"\x89PNG\r\n\x1a\n", "IHDR", "IDAT", "IEND", "orNM",
                                       std::string("\0\0\0\x28orNM", 8), std::string("\0\0\0\0IEND", 8)});
    out.dictionary("fuzz_camera", {"Camera_Start", "Camera_End", "Camera_Version [", "Camera_nType [",
                                   "Camera__fov [", "Camera_Name [", "Camera__from [", "Camera__to [",
                                   "Camera__up [", "Camera__fNerClipp [", "Camera_Name_ID [", "]", "\r\n",
                                   "1e38", "-0", "nan", "inf", "0x1p-149"});
    out.dictionary("fuzz_views", {"Cameras_Start", "Cameras_End", "Cameras_Version [", "Cameras_nActCamera [",
                                  "Cameras_Camera_ObjectSTART", "Cameras_Camera_ObjectEND", "Camera_Start",
                                  "Camera_End", "Camera__from [", "Camera_Name [", "Camera_Name_ID [",
                                  "Camera__fov [", "Camera__fNerClipp [", "]", "\r\n", "-1", "2147483648"});
    const std::vector<std::string> extend = {"ExtendMaterial_Start", "ExtendMaterial_End",
                                             "ExtendMaterial_Version [", "ExtendMaterial_nAlcolor [",
                                             "ExtendMaterial_nFlag [", "ExtendMaterial_Value ",
                                             "ExtendMaterial_strFile [", "ExtendMaterial_Type [",
                                             "ExtendMaterial_Color [", "]", "..\\", ":", "\\\\"};
    std::vector<std::string> material = {"TypeNat ", "Ver ", "InterfaceName [", "MaterialID_Name [", "Diffuse ",
                                         "Diffuse_Logical ", "AmbientFactor ", "DiffuseFactor ", "SpecularFactor ",
                                         "Roughness ", "SpecularExponent ", "Anizotropic ", "Glossy ", "Fresnel ",
                                         "Specular ", "Reflection ", "Transparent ", "IOR ", "Bump ", "Mat_Flags ",
                                         "MixedColor [", "EmissiveIntensity ", "_nMatDescIndex [",
                                         "m_nContaintTransparent [", "emissiveColor [", "emissiveStrength [",
                                         "nTimeID [", "MatExt_ObjectSTART", "MatExt_ObjectEND", "17"};
    material.insert(material.end(), extend.begin(), extend.end());
    out.dictionary("fuzz_material", material);
    out.dictionary("fuzz_extend_material", extend);
    out.dictionary("fuzz_change_directory", {"Solid", "Material", "\x05\x00\x00\x00", "\x08\x00\x00\x00"});
    // The binary targets carry texts of every kind: their dictionaries hold the keys of all.
    std::vector<std::string> blockWords = material;
    blockWords.insert(blockWords.end(), {"LightSolidID [", "LightSource [", "From [", "LightEnable: [",
                                         "Cameras_Start", "Cameras_Camera_ObjectSTART",
                                         "Cameras_Camera_ObjectEND", "Camera_Start", "Cameras_nActCamera ["});
    out.dictionary("fuzz_model_block", blockWords);
    out.dictionary("fuzz_container", blockWords);
    out.dictionary("fuzz_light", {"Ver ", "LightFlags [", "LightSource [", "LightSourceIDName [", "From [", "To [",
                                  "Color [", "Coneangle [", "Conedeltaangle [", "Intensity [",
                                  "fLedIntensitiUnit [", "LightTimeStamp: [", "LightName [",
                                  "strIESF_FilePath [", "LightTemperature [", "LightEnable: [",
                                  "LightSourceID [", "LightSolidID [", "point", "spot", "IES", "Area",
                                  "Uninitialized", "eInvalidLightParentSolidID", "]", "-2147483648"});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    Output out{fs::path(argv[1])};
    containerSeeds(out);
    for (const ModelBlockContent& contents : blocks()) out.seed("fuzz_model_block", writer::encodeModelBlock(contents));
    out.seed("fuzz_model_block", repeatedPartsBlock(400, 400, 30));
    changeDirectorySeeds(out);
    textSeeds(out);
    normalMapSeeds(out);
    dictionaries(out);
    if (!out.ok) {
        std::fprintf(stderr, "orvex_fuzz_seeds: could not write everything under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
