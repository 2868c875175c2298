// The block layouts. A model block starts with five section words; the materials table
// follows them, the lights table is where the first word says (or right after the words),
// the solids table where the first two words together say, and the views text where reading
// the sections before it stopped. Tables hold offsets relative to the block start.
#include "model/block_reader.h"

#include "core/container_layout.h"
#include "core/container_reader.h"
#include "model/part_storage.h"

namespace orvex {

namespace {

using layout::kSectionWordsSize;

// A record that would start at or past the end of the file holds nothing: reading it would
// only invent an empty material, a light at the origin or a solid 0 that the host never
// sent (and that the sync-state file would then report), so such entries are passed over.
// Where an offset of 0 means "no record" (solid and part tables) it is passed over silently.
template <class Read>
void eachRecord(ContainerReader& r, ModelBlockHandler& h, const char* table, uint64_t block, bool zeroIsNone,
                std::vector<uint32_t>& offsets, Read&& read) {
    const uint64_t tableAt = r.position();
    r.readIdList(offsets, table);
    for (uint32_t i = 0; i < offsets.size(); ++i) {
        if (zeroIsNone && offsets[i] == 0) continue;
        if (block + offsets[i] >= r.size())
            h.passedOver(table, i, tableAt + 4 + 4 * uint64_t(i), offsets[i]);
        else
            read(block + offsets[i]);
    }
}

void readPart(ContainerReader& r, uint64_t record, PartStorage& s, ModelBlockHandler& h) {
    r.seek(record, "part record");
    r.readU32();
    const uint32_t headLength = r.readU32();
    r.readU32();
    r.readU32();
    r.readCountedText(s.label, "part label");
    r.skipCounted(2, "part second text");
    r.seek(record + 4 + headLength, "arrays", record + 4);
    PartRecord part{record, s.label};
    part.positionsAt = r.position();
    part.positions = r.readArray(s.positions, "position array");
    part.attributes2 = r.readArray(s.attributes2, "array 2");
    r.skipCounted(4, "array 3");
    r.skipCounted(4, "array 4");
    part.attributes5 = r.readArray(s.attributes5, "array 5");
    part.indicesAt = r.position();
    part.indices = r.readArray(s.indices, "index array");
    r.skipCounted(4, "array 7");
    r.skipCounted(4, "array 8");
    h.part(part);
}

void readSolid(ContainerReader& r, uint64_t block, uint64_t record, PartStorage& s, ModelBlockHandler& h) {
    SolidHead head;
    head.at = record;
    r.seek(record, "solid record");
    r.readU32();
    const uint32_t headLength = r.readU32();
    r.readU8();
    head.timestamp = r.readU32();
    r.skipCounted(2, "solid first text");
    r.readU32();
    r.readU32();
    head.idAt = r.position();
    head.id = r.readU32();
    r.skipCounted(2, "solid second text");
    h.beginSolid(head);

    r.seek(record + 4 + headLength, "part table", record + 4);
    eachRecord(r, h, "part table", block, true, s.partTable,
               [&](uint64_t part) { readPart(r, part, s, h); });
    h.endSolid();
}

} // namespace

void walkModelBlock(ContainerReader& r, uint64_t block, PartStorage& storage, ModelBlockHandler& h) {
    r.seek(block, "model block head");
    const uint32_t w0 = r.readU32();
    const uint32_t w1 = r.readU32();
    const uint32_t w2 = r.readU32();
    const uint32_t w3 = r.readU32();
    r.readU32();

    std::vector<uint32_t> offsets;
    std::u16string text;
    if (w0 != 0) {
        eachRecord(r, h, "materials table", block, false, offsets, [&](uint64_t entry) {
            r.seek(entry, "material entry");
            const uint32_t byteLength = r.readU32();
            r.readU32();
            r.readU32();
            r.readTextUpToZero(text, byteLength / 2, "material text", entry);
            h.material(entry, byteLength, text);
        });
    }
    if (w1 != 0) {
        if (w0 != 0)
            r.seek(block + w0, "lights table", block);
        else
            r.seek(block + kSectionWordsSize, "lights table");
        eachRecord(r, h, "lights table", block, false, offsets, [&](uint64_t entry) {
            // A text cut off by the end of the file (its count included) holds no light either:
            // read as empty, it would send a light 0 at the origin that the host never wrote.
            r.seek(entry, "light text");
            if (r.readCountedText(text, "light text")) h.light(entry, text);
        });
    }
    if (w2 != 0) {
        const uint32_t solidsAt = w0 + w1; // the host's 32-bit sum
        if (solidsAt != 0)
            r.seek(block + solidsAt, "solids table", block + (w1 != 0 ? 4 : 0));
        else
            r.seek(block + kSectionWordsSize, "solids table");
        eachRecord(r, h, "solids table", block, true, offsets,
                   [&](uint64_t record) { readSolid(r, block, record, storage, h); });
    }
    if (w3 != 0) {
        const uint64_t at = r.position();
        r.readCountedText(text, "views text");
        h.views(at, text);
    }
}

void readChangeDirectory(ContainerReader& r, uint64_t directory, std::vector<uint32_t>& words,
                         const std::function<void(ChangeList&)>& each) {
    r.seek(directory, "change directory");
    r.readIdList(words, "change directory");
    ChangeList list;
    for (size_t i = 0; i < words.size(); i += 2) {
        list.slotAt = directory + 4 + 4 * uint64_t(i);
        list.at = directory + words[i];
        list.name.clear();
        list.ids.clear();
        if (list.at < r.size()) {
            r.seek(list.at, "list name");
            r.readCountedText(list.name, "list name");
            if (list.name == u"Solid" || list.name == u"Material") r.readIdList(list.ids, "id list");
        }
        each(list);
    }
}

} // namespace orvex
