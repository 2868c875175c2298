// The host's model container as it lies on disk: a fixed header with a name and a table of
// entry slots, then the blocks the entries point at. Every offset of the layout is named
// here and only here; the reader, the fixture writer and the inspector all use these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace orvex {

namespace layout {

// Header words (byte offsets from the start of the file).
constexpr uint32_t kVersionAt = 0;
constexpr uint32_t kHeaderEndAt = 4;
constexpr uint32_t kReservedWordAt = 8;
constexpr uint32_t kNameLengthAt = 12;
constexpr uint32_t kNameAt = 16;
constexpr size_t kNameUnits = 512;
constexpr uint32_t kEntryCountAt = 1040;
constexpr uint32_t kEntryTableAt = 1044;

// One entry slot (offsets from the start of the slot).
constexpr size_t kEntrySize = 2076;
constexpr uint32_t kEntryProjectAt = 0;
constexpr size_t kEntryProjectUnits = 1028;
constexpr uint32_t kEntryKindAt = 2056;
constexpr uint32_t kEntryBlockOffsetAt = 2060;
constexpr uint32_t kEntryReservedAt = 2064;
constexpr size_t kEntryReservedBytes = 12;

constexpr int kEntrySlots = 100;
constexpr uint32_t kHeaderSize = static_cast<uint32_t>(kEntryTableAt + kEntrySlots * kEntrySize); // 208644
static_assert(kHeaderSize == 208644);
// The fields follow each other without gaps, so the header is read front to back.
static_assert(kNameAt + 2 * kNameUnits == kEntryCountAt && kEntryCountAt + 4 == kEntryTableAt);
static_assert(kEntryProjectAt + 2 * kEntryProjectUnits == kEntryKindAt && kEntryKindAt + 4 == kEntryBlockOffsetAt &&
              kEntryBlockOffsetAt + 4 == kEntryReservedAt && kEntryReservedAt + kEntryReservedBytes == kEntrySize);

// Where the block offset of entry slot i lies in the file.
constexpr uint64_t entryBlockOffsetAt(int slot) { return kEntryTableAt + uint64_t(slot) * kEntrySize + kEntryBlockOffsetAt; }
constexpr uint64_t entryKindAt(int slot) { return kEntryTableAt + uint64_t(slot) * kEntrySize + kEntryKindAt; }

// The oldest header version the program reads.
constexpr uint32_t kCurrentVersion = 7;

// Entry kinds.
constexpr uint32_t kModelBlockKind = 2;
constexpr uint32_t kChangeDirectoryKind = 4;

// A model block starts with five section words: where the lights section starts (relative
// to the block; 0 when there are no materials), the length of the lights section (0: no
// lights), whether solids follow, whether a views text follows, and an unused word.
constexpr uint32_t kSectionWords = 5;
constexpr uint32_t kSectionWordsSize = kSectionWords * 4; // 20

} // namespace layout

struct ContainerEntry {
    std::u16string project; // up to its first zero unit
    uint32_t kind = 0;      // layout::kModelBlockKind or layout::kChangeDirectoryKind
    int32_t blockOffset = 0;
    uint8_t reserved[layout::kEntryReservedBytes] = {};
};

struct ContainerHeader {
    uint32_t version = layout::kCurrentVersion;
    uint32_t headerEnd = layout::kHeaderSize;
    uint32_t reservedWord = 1;
    uint32_t nameLength = 0;
    std::u16string name;
    int32_t entryCount = 0;
    std::array<ContainerEntry, layout::kEntrySlots> entries;
};

} // namespace orvex
