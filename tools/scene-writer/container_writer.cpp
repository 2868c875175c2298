// The container writer: the same layout the program reads, produced from plain descriptions.
#include "scene-writer/container_writer.h"

#include "core/container_layout.h"

#include <cstdio>
#include <cstring>

namespace orvex::writer {

namespace {

using namespace layout;

void appendUnits(std::string& out, const std::u16string& text) {
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
}

void putUnits(std::string& out, size_t at, const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        out[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
        out[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
}

void appendArray(std::string& out, const void* data, size_t count) {
    appendU32(out, static_cast<uint32_t>(count));
    out.append(static_cast<const char*>(data), count * 4);
}

// A solid record followed by its part table and parts, with offsets relative to the block
// start, which lies `origin` bytes before the start of `block`.
void appendSolid(std::string& block, const SolidContent& solid, uint64_t origin = 0) {
    const size_t record = block.size();
    appendU32(block, 0);
    appendU32(block, 0); // head length, patched below
    block += '\0';
    appendU32(block, solid.timestamp);
    appendCountedText(block, solid.firstText);
    appendU32(block, 0);
    appendU32(block, 0);
    appendU32(block, solid.id);
    appendCountedText(block, solid.secondText);
    putU32(block, record + 4, static_cast<uint32_t>(block.size() - record - 4));

    const size_t partCount = solid.parts.size() + static_cast<size_t>(solid.zeroPartOffsets);
    const size_t table = block.size();
    appendU32(block, static_cast<uint32_t>(partCount));
    for (size_t i = 0; i < partCount; ++i) appendU32(block, 0);
    for (size_t i = 0; i < solid.parts.size(); ++i) {
        const PartContent& part = solid.parts[i];
        const size_t at = block.size();
        // Zero entries of the table come first, the parts after them.
        putU32(block, table + 4 + 4 * (static_cast<size_t>(solid.zeroPartOffsets) + i), static_cast<uint32_t>(origin + at));
        appendU32(block, 0);
        appendU32(block, 0); // head length
        appendU32(block, 0);
        appendU32(block, 0);
        appendCountedText(block, part.label);
        appendCountedText(block, part.secondText);
        putU32(block, at + 4, static_cast<uint32_t>(block.size() - at - 4));
        appendArray(block, part.positions.data(), part.positions.size());
        appendArray(block, part.attributes2.data(), part.attributes2.size());
        appendArray(block, part.unused3.data(), part.unused3.size());
        appendArray(block, part.unused4.data(), part.unused4.size());
        appendArray(block, part.attributes5.data(), part.attributes5.size());
        appendArray(block, part.indices.data(), part.indices.size());
        appendArray(block, part.unused7.data(), part.unused7.size());
        appendArray(block, part.unused8.data(), part.unused8.size());
    }
}

} // namespace

void appendU32(std::string& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    out.append(b, 4);
}

void putU32(std::string& out, size_t at, uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    out[at + 2] = static_cast<char>((v >> 16) & 0xFF);
    out[at + 3] = static_cast<char>((v >> 24) & 0xFF);
}

void appendCountedText(std::string& out, const std::u16string& text) {
    appendU32(out, static_cast<uint32_t>(text.size()));
    appendUnits(out, text);
}

std::string encodeModelBlock(const ModelBlockContent& contents) {
    std::string block;
    for (uint32_t i = 0; i < kSectionWords; ++i) appendU32(block, 0);

    // Sections back to back; the five words count into the first section present, so w0 is
    // where the lights table starts and w0 + w1 where the solids table starts.
    if (contents.materials) {
        const auto& materials = *contents.materials;
        const size_t table = block.size();
        appendU32(block, static_cast<uint32_t>(materials.size()));
        for (size_t i = 0; i < materials.size(); ++i) appendU32(block, 0);
        for (size_t i = 0; i < materials.size(); ++i) {
            putU32(block, table + 4 + 4 * i, static_cast<uint32_t>(block.size()));
            const uint32_t bytes = materials[i].byteLength.value_or(static_cast<uint32_t>(materials[i].text.size() * 2));
            appendU32(block, bytes);
            appendU32(block, 0);
            appendU32(block, 0);
            std::string units;
            appendUnits(units, materials[i].text);
            units.resize(bytes, '\0');
            block += units;
        }
        putU32(block, 0, static_cast<uint32_t>(block.size()));
    }
    if (contents.lights) {
        const size_t start = contents.materials ? block.size() : 0;
        const auto& lights = *contents.lights;
        const size_t table = block.size();
        appendU32(block, static_cast<uint32_t>(lights.size()));
        for (size_t i = 0; i < lights.size(); ++i) appendU32(block, 0);
        for (size_t i = 0; i < lights.size(); ++i) {
            putU32(block, table + 4 + 4 * i, static_cast<uint32_t>(block.size()));
            appendCountedText(block, lights[i]);
        }
        putU32(block, 4, static_cast<uint32_t>(block.size() - start));
    }
    if (contents.solids) {
        const size_t start = block.size();
        const auto& solids = *contents.solids;
        const size_t count = solids.size() + static_cast<size_t>(contents.zeroSolidOffsets);
        const size_t table = block.size();
        appendU32(block, static_cast<uint32_t>(count));
        for (size_t i = 0; i < count; ++i) appendU32(block, 0);
        for (size_t i = 0; i < solids.size(); ++i) {
            putU32(block, table + 4 + 4 * (static_cast<size_t>(contents.zeroSolidOffsets) + i), static_cast<uint32_t>(block.size()));
            appendSolid(block, solids[i]);
        }
        putU32(block, 8, static_cast<uint32_t>(block.size() - start));
    }
    if (contents.views) {
        putU32(block, 12, 1);
        appendCountedText(block, *contents.views);
    }
    return block;
}

std::string encodeChangeDirectory(const ChangeDirectoryContent& contents) {
    std::string block;
    const uint32_t words = contents.wordCount.value_or(static_cast<uint32_t>(contents.lists.size() * 2));
    appendU32(block, words);
    for (uint32_t i = 0; i < words; ++i) appendU32(block, 0);
    for (size_t i = 0; i < contents.lists.size(); ++i) {
        if (2 * i < words) putU32(block, 4 + 8 * i, static_cast<uint32_t>(block.size()));
        appendCountedText(block, contents.lists[i].name);
        appendArray(block, contents.lists[i].ids.data(), contents.lists[i].ids.size());
    }
    return block;
}

ContainerWriter& ContainerWriter::addModelBlock(std::u16string project, const ModelBlockContent& contents) {
    entries.push_back({std::move(project), kModelBlockKind, encodeModelBlock(contents), std::nullopt});
    return *this;
}

ContainerWriter& ContainerWriter::addChangeDirectory(std::u16string project, const ChangeDirectoryContent& contents) {
    entries.push_back({std::move(project), kChangeDirectoryKind, encodeChangeDirectory(contents), std::nullopt});
    return *this;
}

std::string ContainerWriter::bytes() const {
    std::string out(kHeaderSize, '\0');
    putU32(out, kVersionAt, version);
    putU32(out, kHeaderEndAt, headerEnd.value_or(kHeaderSize));
    putU32(out, kReservedWordAt, reservedWord);
    const size_t nameUnits = std::min(name.size(), kNameUnits - 1);
    putU32(out, kNameLengthAt, static_cast<uint32_t>(nameUnits));
    putUnits(out, kNameAt, name.substr(0, nameUnits));
    putU32(out, kEntryCountAt, static_cast<uint32_t>(entryCount.value_or(static_cast<int32_t>(entries.size()))));
    for (size_t slot = 0; slot < entries.size() && slot < kEntrySlots; ++slot) {
        const EntryContent& e = entries[slot];
        const size_t at = kEntryTableAt + slot * kEntrySize;
        putUnits(out, at + kEntryProjectAt, e.project.substr(0, kEntryProjectUnits));
        putU32(out, at + kEntryKindAt, e.kind);
        uint32_t offset = 0;
        if (!e.block.empty()) {
            offset = static_cast<uint32_t>(out.size());
            out += e.block;
        }
        putU32(out, at + kEntryBlockOffsetAt, e.blockOffset ? static_cast<uint32_t>(*e.blockOffset) : offset);
    }
    return out;
}

bool writeSolidsContainer(const std::string& path, const std::u16string& project, uint32_t solidCount,
                          const std::function<SolidContent(uint32_t)>& solid) {
    ContainerWriter header;
    header.entries.push_back({project, kModelBlockKind, {}, static_cast<int32_t>(kHeaderSize)});
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    // The five words and the solids table first, as placeholders filled in at the end.
    const uint64_t tableAt = kSectionWordsSize;
    std::string head = header.bytes();
    head.resize(head.size() + tableAt + 4 + 4 * uint64_t(solidCount), '\0');
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
    std::string offsets;
    uint64_t at = tableAt + 4 + 4 * uint64_t(solidCount); // within the block
    for (uint32_t i = 0; i < solidCount && ok; ++i) {
        appendU32(offsets, static_cast<uint32_t>(at));
        std::string record;
        appendSolid(record, solid(i), at);
        ok = std::fwrite(record.data(), 1, record.size(), f) == record.size();
        at += record.size();
    }
    std::string table;
    appendU32(table, 0);
    appendU32(table, 0);
    appendU32(table, static_cast<uint32_t>(at - tableAt));
    appendU32(table, 0);
    appendU32(table, 0);
    appendU32(table, solidCount);
    table += offsets;
    ok = ok && std::fseek(f, kHeaderSize, SEEK_SET) == 0 && std::fwrite(table.data(), 1, table.size(), f) == table.size();
    return std::fclose(f) == 0 && ok;
}

bool ContainerWriter::writeFile(const std::string& path) const {
    const std::string data = bytes();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace orvex::writer
