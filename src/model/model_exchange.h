// The one long-lived owner of scene state: the container, the renderer session and
// the tables of what has been sent.
#pragma once

#include "core/container_layout.h"
#include "core/container_reader.h"
#include "core/renderer_session.h"
#include "core/send_context.h"
#include "lights/light_record.h"
#include "materials/material_record.h"
#include "materials/normal_map_memory.h"
#include "model/part_storage.h"
#include "model/solid_table.h"
#include "records/camera_record.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

class ModelExchange {
public:
    explicit ModelExchange(const RendererApi& api) { session.api = &api; }
    // With the renderer bound by loadRenderer when a session is first started, so that a
    // start that fails before (an unreadable model) never loads the renderer's library.
    explicit ModelExchange(const RendererApi& (*load)()) : loadRenderer(load) {}
    ~ModelExchange();
    ModelExchange(const ModelExchange&) = delete;
    ModelExchange& operator=(const ModelExchange&) = delete;

    RendererSession session;
    const RendererApi& (*loadRenderer)() = nullptr;
    // Colour-only mode: materials go out without their textures.
    bool colorOnly = false;

    // What the senders of one synchronisation need: the session, the data folder's texture
    // and IES folders as they stand now, the colour-only flag and the normal-map memory.
    SendContext sendContext();

    // Container state: the path to open next, the container while one operation runs, and
    // the fields of the last header read (which a freshly written header repeats).
    std::u16string containerPath;
    // When set, the container is read from these bytes instead of the file (fuzzing reads
    // each input from memory); nothing is then written.
    std::optional<std::string_view> containerBytes;
    ContainerReader container;
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
    // Storage reused by every part sent, and by every sync-state file written.
    PartStorage partStorage;
    std::unique_ptr<char[]> syncStateBuffer;
};

} // namespace orvex
