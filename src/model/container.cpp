// Opening the container, reading (or, for a missing or short file, writing) its header,
// and the counted readers shared by every block.
#include "model/container.h"

#include "model/model_block.h"
#include "model/model_exchange.h"
#include "platform/files.h"

#include <cstring>
#include <vector>

namespace orvex {

namespace {

using namespace layout;

uint32_t u32At(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void putU32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// UTF-16 units of a fixed field, up to the first zero unit.
std::u16string unitsUpToZero(const unsigned char* p, size_t maxUnits) {
    std::u16string text;
    for (size_t i = 0; i < maxUnits; ++i) {
        const char16_t c = static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8);
        if (c == 0) break;
        text += c;
    }
    return text;
}

void putUnits(unsigned char* p, const std::u16string& text, size_t maxUnits) {
    const size_t n = std::min(text.size(), maxUnits);
    for (size_t i = 0; i < n; ++i) {
        p[2 * i] = static_cast<unsigned char>(text[i]);
        p[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
    }
}

// A fresh header from the fields in memory, with version 7; the name is cut to 511 units
// so that it keeps its terminating zero.
void writeFreshHeader(ModelExchange& ex) {
    ContainerHeader& h = ex.header;
    ContainerFile& f = ex.file;
    h.version = kCurrentVersion;
    if (h.name.size() > kNameUnits - 1) h.name.resize(kNameUnits - 1);
    h.nameLength = static_cast<uint32_t>(h.name.size());

    std::vector<unsigned char> bytes(kHeaderSize, 0);
    putU32(&bytes[kVersionAt], h.version);
    putU32(&bytes[kHeaderEndAt], h.headerEnd);
    putU32(&bytes[kReservedWordAt], h.reservedWord);
    putU32(&bytes[kNameLengthAt], h.nameLength);
    putUnits(&bytes[kNameAt], h.name, kNameUnits);
    putU32(&bytes[kEntryCountAt], static_cast<uint32_t>(h.entryCount));
    for (size_t i = 0; i < kEntrySlots; ++i) {
        unsigned char* e = &bytes[kEntryTableAt + i * kEntrySize];
        putUnits(e + kEntryProjectAt, h.entries[i].project, kEntryProjectUnits);
        putU32(e + kEntryKindAt, h.entries[i].kind);
        putU32(e + kEntryBlockOffsetAt, static_cast<uint32_t>(h.entries[i].blockOffset));
        std::memcpy(e + kEntryReservedAt, h.entries[i].reserved, kEntryReservedBytes);
    }
    f.seek(0);
    f.writeBytes(bytes.data(), bytes.size());
    h.headerEnd = static_cast<uint32_t>(f.position());
    f.seek(kHeaderEndAt);
    f.writeU32(h.headerEnd);
    f.seek(h.headerEnd);
    f.flush();
    f.close();
}

} // namespace

void openContainer(ModelExchange& ex) {
    ex.file.close();
    for (auto& c : ex.containerPath)
        if (c == u'/') c = u'\\';
    // A container that cannot be written is still read; one that does not exist is created.
    if (!canReadWrite(ex.containerPath) && ex.file.open(ex.containerPath, "rb")) return;
    if (ex.file.open(ex.containerPath, "rb+")) return;
    ex.file.open(ex.containerPath, "wb+");
}

int32_t readHeader(ModelExchange& ex) {
    openContainer(ex);
    if (!ex.file.isOpen()) return kHeaderNoFile;
    if (ex.file.size() < kHeaderSize) {
        openContainer(ex);
        if (!ex.file.isOpen()) return kHeaderFormatError;
        writeFreshHeader(ex);
        return kHeaderFormatError;
    }

    ContainerHeader& h = ex.header;
    ContainerFile& f = ex.file;
    f.seek(kVersionAt);
    h.version = f.readU32();
    if (h.version < kCurrentVersion) return kHeaderOldVersion;

    std::vector<unsigned char> bytes(kHeaderSize - 4);
    f.readBytes(bytes.data(), bytes.size());
    const unsigned char* p = bytes.data() - 4; // p[k] is the byte at file offset k
    h.headerEnd = u32At(p + kHeaderEndAt);
    h.reservedWord = u32At(p + kReservedWordAt);
    h.nameLength = u32At(p + kNameLengthAt);
    h.name = unitsUpToZero(p + kNameAt, kNameUnits);
    h.entryCount = static_cast<int32_t>(u32At(p + kEntryCountAt));
    for (size_t i = 0; i < kEntrySlots; ++i) {
        const unsigned char* e = p + kEntryTableAt + i * kEntrySize;
        ContainerEntry& entry = h.entries[i];
        entry.project = unitsUpToZero(e + kEntryProjectAt, kEntryProjectUnits);
        entry.kind = u32At(e + kEntryKindAt);
        entry.blockOffset = static_cast<int32_t>(u32At(e + kEntryBlockOffsetAt));
        std::memcpy(entry.reserved, e + kEntryReservedAt, kEntryReservedBytes);
    }
    return f.position() == h.headerEnd ? kHeaderRead : kHeaderFormatError;
}

void readCountedText(ModelExchange& ex, std::u16string& text) {
    text.clear();
    const uint32_t n = ex.file.readU32();
    if (n == 0) return;
    if (uint64_t(n) * 2 > ex.file.remaining()) {
        ex.file.skip(ex.file.remaining()); // truncated: nothing is allocated for it
        return;
    }
    std::vector<unsigned char> bytes(size_t(n) * 2);
    ex.file.readBytes(bytes.data(), bytes.size());
    text.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
}

void readIdList(ModelExchange& ex, std::vector<uint32_t>& list) {
    list.clear();
    const uint32_t n = ex.file.readU32();
    if (n == 0) return;
    if (uint64_t(n) * 4 > ex.file.remaining()) {
        ex.file.skip(ex.file.remaining());
        return;
    }
    list.resize(n);
    std::vector<unsigned char> bytes(size_t(n) * 4);
    ex.file.readBytes(bytes.data(), bytes.size());
    for (uint32_t i = 0; i < n; ++i) list[i] = u32At(&bytes[4 * size_t(i)]);
}

void loadModelEntry(ModelExchange& ex, int32_t index) {
    if (readHeader(ex) != kHeaderRead) {
        ex.file.close();
        return;
    }
    if (index < 0 || index >= kEntrySlots || index > ex.header.entryCount) {
        ex.file.close();
        return;
    }
    const ContainerEntry& entry = ex.header.entries[static_cast<size_t>(index)];
    // A negative offset lies outside any file: the block then reads as empty.
    const uint64_t block = entry.blockOffset < 0 ? ex.file.size() : uint64_t(entry.blockOffset);
    ex.file.seek(block);
    if (entry.kind == kModelBlockKind) {
        const std::u16string project = entry.project;
        readModelBlock(ex, block);
        ex.sourceProject = project;
    }
    ex.file.close();
}

} // namespace orvex
