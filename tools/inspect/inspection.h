// What the inspector found in a data folder or one file: the program's own reading of every
// file, the renderer calls it would make, and the problems with their byte offsets.
#pragma once

#include "core/renderer_property.h"
#include "lights/light_record.h"
#include "materials/material_record.h"
#include "records/camera_record.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex::inspect {

enum class Severity {
    Error,   // the program reads or sends something other than what the host meant
    Warning, // the program goes on as if it were not there (an unknown key, a stray line)
};

struct Problem {
    std::u16string file; // file name within the data folder
    uint64_t offset = 0; // byte offset in a binary file
    std::string message;
    Severity severity = Severity::Error;
    uint32_t line = 0;   // line number (from 1) in a text file; 0 for binary files
};

struct Bounds {
    bool empty = true;
    float min[3] = {0, 0, 0};
    float max[3] = {0, 0, 0};
    void add(const float point[3]);
    void add(const Bounds& other);
};

// One part as the renderer receives it.
struct PartInfo {
    uint64_t offset = 0;        // the part record
    std::u16string label;
    uint32_t positionCount = 0; // values of array 1 as read
    uint32_t vertexCount = 0;
    bool indexed = false;       // false: the program generated 0 .. n-1
    uint32_t triangles = 0;     // as sent
    Bounds bounds;
    // Kept only when the inspection was asked for the geometry (for a preview).
    std::vector<float> positions; // three per vertex
    std::vector<uint32_t> indices; // as sent
};

struct SolidInfo {
    uint64_t offset = 0; // the solid record
    uint32_t id = 0;
    uint32_t timestamp = 0;
    std::u16string nodeName;
    std::vector<PartInfo> parts;
    Bounds bounds() const;
    uint64_t vertexCount() const;
    uint64_t triangleCount() const;
};

struct PropertyValue : RendererProperty {
    bool generated = false; // a normal map the program would generate at synchronisation
};

struct MaterialInfo {
    uint64_t offset = 0;     // the material entry
    uint32_t byteLength = 0; // as written in the entry
    std::u16string text;
    MaterialRecord record;
    std::u16string templateName;
    std::vector<PropertyValue> properties; // in the order they are sent
};

struct LightInfo {
    uint64_t offset = 0; // the counted text
    std::u16string text;
    LightRecord record;
    std::u16string kindWord;    // the last "LightSource" word, as written
    bool knownKind = true;
    bool sent = false;          // point, spot or IES, and enabled
    std::u16string nodeName;
    std::array<float, 16> transform{}; // as sent (row order, position in the fourth row)
    std::u16string iesPath;     // for IES lights: the profile path sent
};

struct ViewsInfo {
    uint64_t offset = 0; // the counted text
    ViewList list;
};

struct ModelBlockInfo {
    uint32_t words[5] = {0, 0, 0, 0, 0};
    bool hasMaterials() const { return words[0] != 0; }
    bool hasLights() const { return words[1] != 0; }
    bool hasSolids() const { return words[2] != 0; }
    bool hasViews() const { return words[3] != 0; }
    std::vector<MaterialInfo> materials;
    std::vector<LightInfo> lights;
    std::vector<SolidInfo> solids;
    std::optional<ViewsInfo> views;
};

struct NamedListInfo {
    uint64_t offset = 0;
    std::u16string name;
    bool hasIds = false; // "Solid" and "Material" carry an id list
    std::vector<uint32_t> ids;
};

struct ChangeDirectoryInfo {
    std::vector<uint32_t> words;
    std::vector<NamedListInfo> lists;
};

struct EntryInfo {
    int index = 0;
    uint32_t kind = 0;
    std::u16string project;
    int32_t blockOffset = 0;
    bool readByProgram = false;
    std::optional<ModelBlockInfo> model;
    std::optional<ChangeDirectoryInfo> directory;
};

struct ContainerInfo {
    std::u16string name; // file name
    uint64_t size = 0;
    int32_t headerResult = 0; // readHeader's 1 to 4; 0 when it was not called
    uint32_t version = 0;
    uint32_t headerEnd = 0;
    uint32_t reservedWord = 0;
    uint32_t nameLength = 0;
    std::u16string headerName;
    int32_t entryCount = 0;
    std::vector<EntryInfo> entries; // the used ones (kind 2 or 4)
};

struct CameraFileInfo {
    std::u16string name;
    CameraRecord camera;
};

struct ViewsFileInfo {
    std::u16string name;
    ViewList list;
};

struct SyncStateInfo {
    struct Solid {
        int32_t id = 0;
        int32_t timestamp = 0;
    };
    struct Material {
        std::u16string name;
        int32_t timestamp = 0;
        int32_t index = 0;
    };
    std::u16string name;
    std::u16string sourceProject;
    std::vector<Solid> solids;
    std::vector<Material> materials;
    uint32_t otherLines = 0;
};

struct Inspection {
    std::u16string dataFolder;
    std::vector<ContainerInfo> containers; // "_model.alm" first, then "_mod.sm"
    std::optional<CameraFileInfo> camera;
    std::optional<ViewsFileInfo> views;
    std::optional<SyncStateInfo> syncState;
    std::vector<Problem> problems;
    bool anything() const { return !containers.empty() || camera || views || syncState; }
};

} // namespace orvex::inspect
