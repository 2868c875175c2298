// The validating walk. Positions follow the program's reader step by step (where a section
// starts, where the views text is read after the previous section stopped, what a count past
// the end turns into), so the offsets it notes are the ones the program reads.
#include "inspect/container_walk.h"

#include "model/model_exchange.h"

#include <cmath>
#include <cstring>
#include <map>

namespace orvex::inspect {

namespace {

constexpr size_t kReportedPerArray = 20; // further faults of one array are counted, not listed

} // namespace

bool ContainerWalk::header() {
    ByteCursor& c = cursor_;
    if (c.size() < layout::kHeaderSize) {
        c.problem(c.size(), "file is " + std::to_string(c.size()) + " bytes, shorter than its " +
                                std::to_string(layout::kHeaderSize) + "-byte header");
        return false;
    }
    const uint32_t version = c.u32At(0);
    if (version < 7) {
        c.problem(0, "version " + std::to_string(version) + " is below 7: the program reads nothing more");
        return false;
    }
    const uint32_t headerEnd = c.u32At(4);
    if (headerEnd != layout::kHeaderSize)
        c.problem(4, "header end is " + std::to_string(headerEnd) + ", not " + std::to_string(layout::kHeaderSize));
    const int32_t entryCount = static_cast<int32_t>(c.u32At(1040));
    if (entryCount < 0)
        c.problem(1040, "entry count is negative (" + std::to_string(entryCount) + "): the program reads no entry");
    return true;
}

bool ContainerWalk::entry(int index, int32_t blockOffset) {
    const uint64_t at = kEntryTableAt + uint64_t(index) * kEntryBytes + 2060;
    if (blockOffset < 0 || uint64_t(blockOffset) >= cursor_.size()) {
        cursor_.problem(at, "entry " + std::to_string(index) + ": block offset " + std::to_string(blockOffset) +
                                " lies outside the file (" + std::to_string(cursor_.size()) + " bytes)");
        return false;
    }
    return true;
}

std::vector<uint32_t> ContainerWalk::table(uint64_t block, const char* what, std::vector<uint64_t>* slots) {
    ByteCursor& c = cursor_;
    uint64_t dataAt = 0;
    const uint32_t count = c.counted(4, what, &dataAt);
    std::vector<uint32_t> offsets(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t slot = dataAt + uint64_t(i) * 4;
        offsets[i] = c.u32At(slot);
        if (slots) slots->push_back(slot);
        if (offsets[i] != 0 && block + offsets[i] >= c.size())
            c.problem(slot, std::string(what) + " entry " + std::to_string(i) + ": offset " +
                                std::to_string(offsets[i]) + " points past the end of the file");
    }
    return offsets;
}

ModelBlockInfo ContainerWalk::modelBlock(uint64_t block) {
    ByteCursor& c = cursor_;
    ModelBlockInfo info;
    c.seek(block);
    for (uint32_t& w : info.words) w = c.u32("model block head");

    if (info.hasMaterials()) {
        for (uint32_t offset : table(block, "materials table", nullptr)) {
            if (block + offset >= c.size()) continue; // the program passes such entries over
            MaterialInfo m;
            m.offset = block + offset;
            c.seek(m.offset);
            m.byteLength = c.u32("material entry");
            c.u32("material entry");
            c.u32("material entry");
            if (m.byteLength % 2 != 0 && m.offset < c.size())
                c.problem(m.offset, "material text length " + std::to_string(m.byteLength) +
                                        " is odd: the last byte is dropped");
            const uint64_t units = m.byteLength / 2;
            if (units * 2 > c.remaining()) {
                if (m.offset + 12 <= c.size())
                    c.problem(m.offset, "material text length " + std::to_string(m.byteLength) +
                                            " runs past the end of the file");
                c.seek(c.size());
            } else if (units > 0) {
                // Taken up to the first zero unit, as the program takes it.
                const unsigned char* p = c.data(c.position());
                for (uint64_t i = 0; i < units; ++i) {
                    const char16_t unit = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
                    if (unit == 0) break;
                    m.text += unit;
                }
                c.seek(c.position() + units * 2);
            }
            info.materials.push_back(std::move(m));
        }
    }

    if (info.hasLights()) {
        c.seek(block + (info.words[0] != 0 ? info.words[0] : 20));
        for (uint32_t offset : table(block, "lights table", nullptr)) {
            if (block + offset >= c.size()) continue;
            LightInfo l;
            l.offset = block + offset;
            c.seek(l.offset);
            c.counted(2, "light text");
            info.lights.push_back(std::move(l));
        }
    }

    if (info.hasSolids()) {
        const uint32_t solidsAt = info.words[0] + info.words[1]; // the 32-bit sum, as the program adds
        c.seek(block + (solidsAt != 0 ? solidsAt : 20));
        std::map<uint32_t, uint64_t> seen; // id -> first record
        for (uint32_t offset : table(block, "solids table", nullptr)) {
            if (offset == 0 || block + offset >= c.size()) continue;
            SolidInfo s;
            uint64_t idAt = 0;
            solid(block, block + offset, s, idAt);
            const auto [it, fresh] = seen.emplace(s.id, s.offset);
            if (!fresh && idAt < c.size())
                c.problem(idAt, "solid id " + std::to_string(s.id) + " repeats the solid at offset " +
                                    std::to_string(it->second));
            info.solids.push_back(std::move(s));
        }
    }

    if (info.hasViews()) {
        ViewsInfo v;
        v.offset = c.position();
        c.counted(2, "views text");
        info.views = std::move(v);
    }
    return info;
}

void ContainerWalk::solid(uint64_t block, uint64_t record, SolidInfo& s, uint64_t& idAt) {
    ByteCursor& c = cursor_;
    s.offset = record;
    c.seek(record);
    c.u32("solid record");
    const uint32_t headLength = c.u32("solid record");
    c.u8("solid record");
    s.timestamp = c.u32("solid record");
    c.counted(2, "solid first text");
    c.u32("solid record");
    c.u32("solid record");
    idAt = c.position();
    s.id = c.u32("solid record");
    c.counted(2, "solid second text");

    const uint64_t partTable = record + 4 + headLength;
    if (record < c.size() && partTable >= c.size()) {
        c.problem(record + 4, "solid head length " + std::to_string(headLength) +
                                  " puts the part table past the end of the file");
        return;
    }
    c.seek(partTable);
    for (uint32_t offset : table(block, "part table", nullptr)) {
        if (offset == 0 || block + offset >= c.size()) continue;
        PartInfo p;
        part(block + offset, p);
        s.parts.push_back(std::move(p));
    }
}

void ContainerWalk::part(uint64_t record, PartInfo& p) {
    ByteCursor& c = cursor_;
    p.offset = record;
    c.seek(record);
    c.u32("part record");
    const uint32_t headLength = c.u32("part record");
    c.u32("part record");
    c.u32("part record");
    c.counted(2, "part label");
    c.counted(2, "part second text");
    const uint64_t arrays = record + 4 + headLength;
    if (record < c.size() && arrays >= c.size()) {
        c.problem(record + 4, "part head length " + std::to_string(headLength) +
                                  " puts the arrays past the end of the file");
        return;
    }
    c.seek(arrays);

    static const char* const kNames[8] = {"position array", "array 2", "array 3", "array 4",
                                          "array 5", "index array", "array 7", "array 8"};
    uint32_t positionCount = 0;
    for (int k = 0; k < 8; ++k) {
        const uint64_t countAt = c.position();
        uint64_t dataAt = 0;
        const uint32_t count = c.counted(4, kNames[k], &dataAt);
        if (k == 0) {
            positionCount = count;
            p.positionCount = count;
            if (count % 3 != 0)
                c.problem(countAt, "position count " + std::to_string(count) + " is not a multiple of 3");
            size_t reported = 0, more = 0;
            uint64_t moreAt = 0;
            for (uint32_t i = 0; i < count; ++i) {
                float value;
                std::memcpy(&value, c.data(dataAt + uint64_t(i) * 4), 4);
                if (std::isfinite(value)) continue;
                if (reported++ < kReportedPerArray)
                    c.problem(dataAt + uint64_t(i) * 4, "position value is not a finite number");
                else if (more++ == 0)
                    moreAt = dataAt + uint64_t(i) * 4;
            }
            if (more)
                c.problem(moreAt, std::to_string(more) + " more position values from here are not finite numbers");
        } else if (k == 5) {
            p.indexed = count != 0;
            if (count % 3 != 0)
                c.problem(countAt, "index count " + std::to_string(count) + " is not a multiple of 3");
            const uint32_t vertices = positionCount / 3;
            size_t reported = 0, more = 0;
            uint64_t moreAt = 0;
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t index = c.u32At(dataAt + uint64_t(i) * 4);
                if (index < vertices) continue;
                if (reported++ < kReportedPerArray)
                    c.problem(dataAt + uint64_t(i) * 4, "index " + std::to_string(index) +
                                                            " is beyond the vertex count " + std::to_string(vertices));
                else if (more++ == 0)
                    moreAt = dataAt + uint64_t(i) * 4;
            }
            if (more)
                c.problem(moreAt, std::to_string(more) + " more indices from here are beyond the vertex count " +
                                      std::to_string(vertices));
        }
    }
}

void ContainerWalk::changeDirectory(uint64_t directory) {
    ByteCursor& c = cursor_;
    c.seek(directory);
    uint64_t dataAt = 0;
    const uint32_t count = c.counted(4, "change directory", &dataAt);
    for (uint32_t i = 0; i < count; i += 2) {
        const uint64_t slot = dataAt + uint64_t(i) * 4;
        const uint32_t offset = c.u32At(slot);
        if (directory + offset >= c.size()) {
            c.problem(slot, "change directory word " + std::to_string(i) + ": list offset " +
                                std::to_string(offset) + " points past the end of the file");
            continue;
        }
        c.seek(directory + offset);
        uint64_t nameAt = 0;
        const uint32_t units = c.counted(2, "list name", &nameAt);
        std::u16string name;
        for (uint32_t u = 0; u < units; ++u)
            name += static_cast<char16_t>(c.data(nameAt)[2 * u] | c.data(nameAt)[2 * u + 1] << 8);
        if (name == u"Solid" || name == u"Material") c.counted(4, "id list");
    }
}

} // namespace orvex::inspect
