// Writes the host's model containers: header, entry table, model blocks and change
// directories, with sections placed back to back as the host places them. Every container
// fixture, sample scene and benchmark model is made with this writer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex::writer {

struct PartContent {
    std::u16string label;
    std::u16string secondText;
    std::vector<float> positions;      // array 1, three per vertex
    std::vector<uint32_t> attributes2; // array 2
    std::vector<uint32_t> attributes5; // array 5
    std::vector<uint32_t> indices;     // array 6
    // Arrays 3, 4, 7 and 8 are not read by the program; fixtures may still fill them.
    std::vector<uint32_t> unused3, unused4, unused7, unused8;
};

struct SolidContent {
    uint32_t id = 0;
    uint32_t timestamp = 0;
    std::u16string firstText;
    std::u16string secondText;
    std::vector<PartContent> parts;
    // Extra zero entries in the part table (they are skipped by the reader).
    int zeroPartOffsets = 0;
};

struct MaterialEntry {
    std::u16string text;
    // The byte length written in the entry head; by default twice the text's units.
    std::optional<uint32_t> byteLength;
};

// A section is present when its optional is set (an empty list still gives a table).
struct ModelBlockContent {
    std::optional<std::vector<MaterialEntry>> materials;
    std::optional<std::vector<std::u16string>> lights;
    std::optional<std::vector<SolidContent>> solids;
    std::optional<std::u16string> views;
    // Extra zero entries in the solid table.
    int zeroSolidOffsets = 0;
};

struct NamedList {
    std::u16string name;
    std::vector<uint32_t> ids;
};

struct ChangeDirectoryContent {
    std::vector<NamedList> lists;
    // When set, the word count written (the words after the offsets are zeros, or cut).
    std::optional<uint32_t> wordCount;
};

// Bytes of a block, with offsets relative to its own start.
std::string encodeModelBlock(const ModelBlockContent& contents);
std::string encodeChangeDirectory(const ChangeDirectoryContent& contents);

struct EntryContent {
    std::u16string project;
    uint32_t kind = 0;
    std::string block; // placed after the header; empty: the entry points at offset 0
    std::optional<int32_t> blockOffset; // overrides the computed offset
};

class ContainerWriter {
public:
    uint32_t version = 7;
    std::optional<uint32_t> headerEnd; // default: 208644
    uint32_t reservedWord = 1;
    std::u16string name;
    std::optional<int32_t> entryCount; // default: the number of entries added
    std::vector<EntryContent> entries;    // slot order

    ContainerWriter& addModelBlock(std::u16string project, const ModelBlockContent& contents);
    ContainerWriter& addChangeDirectory(std::u16string project, const ChangeDirectoryContent& contents);

    std::string bytes() const;
    // Writes the whole file (native path, "/" separators); false when it cannot be written.
    bool writeFile(const std::string& path) const;
};

// Writes a container with one model block of solids only, each made by `solid(i)` when it
// is written, so that a container far larger than memory can be written.
bool writeSolidsContainer(const std::string& path, const std::u16string& project, uint32_t solidCount,
                          const std::function<SolidContent(uint32_t)>& solid);

// Little-endian helpers for the encoders.
void appendU32(std::string& out, uint32_t value);
void appendCountedText(std::string& out, const std::u16string& text);
void putU32(std::string& out, size_t at, uint32_t value);

} // namespace orvex::writer
