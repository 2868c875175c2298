// The header front to back: the fields follow each other without gaps (the layout checks it).
#include "core/container_header.h"

#include "core/container_reader.h"

#include <algorithm>
#include <cstring>

namespace orvex {

namespace {

using namespace layout;

void putU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

void putUnits(unsigned char* p, const std::u16string& text, size_t maxUnits) {
    const size_t n = std::min(text.size(), maxUnits);
    for (size_t i = 0; i < n; ++i) {
        p[2 * i] = static_cast<unsigned char>(text[i]);
        p[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
}

} // namespace

HeaderResult readContainerHeader(ContainerReader& r, ContainerHeader& h) {
    r.seek(kVersionAt, "container header");
    r.readAhead(kHeaderSize);
    h.version = r.readU32();
    if (h.version < kCurrentVersion) return kHeaderOldVersion;
    h.headerEnd = r.readU32();
    h.reservedWord = r.readU32();
    h.nameLength = r.readU32();
    r.readTextUpToZero(h.name, kNameUnits);
    h.entryCount = r.readI32();
    for (ContainerEntry& entry : h.entries) {
        r.readTextUpToZero(entry.project, kEntryProjectUnits);
        entry.kind = r.readU32();
        entry.blockOffset = r.readI32();
        r.readBytes(entry.reserved, kEntryReservedBytes);
    }
    return r.position() == h.headerEnd ? kHeaderRead : kHeaderFormatError;
}

void writeContainerHeader(ContainerReader& f, ContainerHeader& h) {
    h.version = kCurrentVersion;
    if (h.name.size() > kNameUnits - 1) h.name.resize(kNameUnits - 1);
    h.nameLength = static_cast<uint32_t>(h.name.size());

    // Written front first, then a few entry slots at a time through a buffer on the stack: a
    // buffer for the whole 208 KB would be fresh memory, zeroed, every time a short file is met.
    unsigned char front[kEntryTableAt] = {};
    putU32(&front[kVersionAt], h.version);
    putU32(&front[kHeaderEndAt], h.headerEnd);
    putU32(&front[kReservedWordAt], h.reservedWord);
    putU32(&front[kNameLengthAt], h.nameLength);
    putUnits(&front[kNameAt], h.name, kNameUnits);
    putU32(&front[kEntryCountAt], static_cast<uint32_t>(h.entryCount));
    f.seek(0);
    if (!f.writeBytes(front, sizeof front)) return; // read-only: there is no header end to take
    constexpr size_t kSlotsPerWrite = 8;
    unsigned char slots[kSlotsPerWrite * kEntrySize];
    for (size_t first = 0; first < kEntrySlots; first += kSlotsPerWrite) {
        const size_t count = std::min<size_t>(kSlotsPerWrite, kEntrySlots - first);
        std::memset(slots, 0, count * kEntrySize);
        for (size_t i = 0; i < count; ++i) {
            const ContainerEntry& entry = h.entries[first + i];
            unsigned char* e = &slots[i * kEntrySize];
            putUnits(e + kEntryProjectAt, entry.project, kEntryProjectUnits);
            putU32(e + kEntryKindAt, entry.kind);
            putU32(e + kEntryBlockOffsetAt, static_cast<uint32_t>(entry.blockOffset));
            std::memcpy(e + kEntryReservedAt, entry.reserved, kEntryReservedBytes);
        }
        if (!f.writeBytes(slots, count * kEntrySize)) return;
    }
    h.headerEnd = static_cast<uint32_t>(f.position());
    f.seek(kHeaderEndAt);
    f.writeU32(h.headerEnd);
    f.seek(h.headerEnd);
    f.flush();
}

} // namespace orvex
