// The one long-lived owner of scene state: the container, the renderer session and
// the tables of what has been sent.
#pragma once

#include "app/renderer_api.h"
#include "lights/light_record.h"
#include "materials/material_record.h"
#include "materials/normal_map_memory.h"
#include "model/container_file.h"
#include "model/part_storage.h"
#include "model/solid_table.h"
#include "records/camera_record.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvex {

struct RendererSession {
    const RendererApi* api = nullptr;
    RendererHandle handle = 0;
    std::u16string projectName;
};

constexpr uint32_t kHeaderSize = 208644;
constexpr int kEntrySlots = 100;
constexpr size_t kHeaderNameUnits = 512;
constexpr size_t kEntryProjectUnits = 1028;

struct ContainerEntry {
    std::u16string project; // up to its first zero unit
    uint32_t kind = 0;      // 2 model block, 4 change directory
    int32_t blockOffset = 0;
    uint8_t reserved[12] = {};
};

struct ContainerHeader {
    uint32_t version = 7;
    uint32_t headerEnd = kHeaderSize;
    uint32_t reservedWord = 1;
    uint32_t nameLength = 0;
    std::u16string name;
    int32_t entryCount = 0;
    std::array<ContainerEntry, kEntrySlots> entries;
};

class ModelExchange {
public:
    explicit ModelExchange(const RendererApi& api) { session.api = &api; }
    ~ModelExchange();
    ModelExchange(const ModelExchange&) = delete;
    ModelExchange& operator=(const ModelExchange&) = delete;

    RendererSession session;

    // Container state: the path to open next, the file while one operation runs, and
    // the fields of the last header read (which a freshly written header repeats).
    std::u16string containerPath;
    ContainerFile file;
    ContainerHeader header;

    SolidTable solidTable;
    std::map<std::u16string, MaterialRecord> materialTable;
    std::map<uint32_t, LightRecord> lightTable; // keyed by LightSolidID as unsigned
    std::vector<CameraRecord> storedViews;
    std::u16string sourceProject;
    std::vector<uint32_t> solidDeleteList;
    std::vector<uint32_t> materialIdList;
    // The normal maps generated so far, so that unchanged textures are not generated again.
    NormalMapMemory normalMaps;
    // Storage reused by every part sent.
    PartStorage partStorage;
};

} // namespace orvex
