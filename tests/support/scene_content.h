// Builders of scene content (the scene writer's parts and solids, material records) that the
// tests of both tiers share.
#pragma once

#include "materials/material_record.h"
#include "scene-writer/container_writer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace orvex::test {

inline writer::PartContent part(std::u16string label, std::vector<float> positions,
                                std::vector<uint32_t> indices = {}) {
    writer::PartContent p;
    p.label = std::move(label);
    p.positions = std::move(positions);
    p.indices = std::move(indices);
    return p;
}

inline writer::SolidContent solid(uint32_t id, uint32_t timestamp = 0, std::vector<writer::PartContent> parts = {}) {
    writer::SolidContent s;
    s.id = id;
    s.timestamp = timestamp;
    s.parts = std::move(parts);
    return s;
}

inline writer::ModelBlockContent solidsBlock(std::vector<writer::SolidContent> solids) {
    writer::ModelBlockContent contents;
    contents.solids = std::move(solids);
    return contents;
}

// A texture map of a material: its kind, file, flag and value.
inline ExtendMaterialRecord map(int32_t type, const std::u16string& file, int32_t flag = 2, float value = 0) {
    ExtendMaterialRecord m;
    m.Type = type;
    m.strFile = file;
    m.nFlag = flag;
    m.Value = value;
    return m;
}

} // namespace orvex::test
