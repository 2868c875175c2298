// The one reader of the host's containers: a cursor over their bytes that cannot run past the
// end. The bytes come from a file (read ahead through a window, large arrays straight into
// their storage) or from memory (the window is then all of them). Every read checks what
// remains first; a read that does not fit yields zeros, moves the cursor to the end, and the
// reader remembers where data first ran out and which word asked for it. Reading is also
// bounded in total: tables may point many times at the same records, and one open may read
// no more than a few passes over the bytes.
#pragma once

#include "core/array_storage.h"
#include "platform/files.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex {

// Where data first ran out, and the word to blame for it.
struct Overrun {
    enum class Cause {
        Read,   // a record cut short: `at` is where the read started
        Count,  // `at` holds a count whose elements run past the end
        Length, // `at` holds a byte length whose text runs past the end
        Offset, // `at` holds an offset (or a length that places what follows) pointing past the end
    };
    Cause cause = Cause::Read;
    uint64_t at = 0;
    uint64_t readAt = 0;        // where the read that did not fit started
    const char* what = nullptr; // what was being read, in words, for reports
};

class ContainerReader {
public:
    static constexpr uint64_t kNoWord = UINT64_MAX;

    ContainerReader() = default;
    ContainerReader(const ContainerReader&) = delete;
    ContainerReader& operator=(const ContainerReader&) = delete;

    // Opens a file with a C runtime mode ("rb", "rb+", "wb+"); measures the size.
    bool open(const std::u16string& path, const char* mode);
    // Reads size bytes at data, which must stay until the reader is closed; writes fail.
    void openMemory(const void* data, size_t size);
    void close();
    bool isOpen() const { return open_; }

    uint64_t size() const { return size_; }
    uint64_t position() const { return position_; }
    // The bytes that can still be read: up to the end, and no more than the read allowance
    // left (a few times the size measured at open).
    uint64_t remaining() const {
        const uint64_t toEnd = position_ < size_ ? size_ - position_ : 0;
        return toEnd < allowance_ ? toEnd : allowance_;
    }

    // Moves the cursor; a position past the end is allowed and makes every read there fail.
    // `what` names what starts there; `offsetAt` is the word that holds the offset, blamed
    // when the offset lies past the end.
    void seek(uint64_t offset, const char* what = nullptr, uint64_t offsetAt = kNoWord) {
        position_ = offset;
        what_ = what;
        seekTo_ = offset;
        offsetAt_ = offsetAt;
        ranOutSinceSeek_ = false;
    }

    uint32_t readU32() { return readU32(what_); }
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    uint8_t readU8() {
        uint8_t b = 0;
        readBytes(&b, 1);
        return b;
    }
    // Reads exactly n bytes; when fewer remain, nothing is read and dst is zero-filled.
    bool readBytes(void* dst, size_t n) { return readBytes(dst, n, what_); }
    // Arrays of little-endian 32-bit and 16-bit values, read like readBytes.
    bool readU32s(uint32_t* dst, size_t count) {
        const bool ok = readBytes(dst, count * sizeof(uint32_t));
        if constexpr (std::endian::native == std::endian::big) swapBytes(dst, count);
        return ok;
    }
    bool readU16s(char16_t* dst, size_t count) {
        const bool ok = readBytes(dst, count * sizeof(char16_t));
        if constexpr (std::endian::native == std::endian::big) swapBytes(dst, count);
        return ok;
    }
    // Skips n bytes (to the end when fewer remain).
    void skip(uint64_t n);
    // The next n bytes from the cursor will be read field by field: a file reads them (up to
    // the window's size) in one go.
    void readAhead(size_t n) { readAhead_ = n; }

    // The counted forms: a 32-bit count, then that many elements. Elements that would run
    // past the end give an empty result, and nothing is allocated for them.
    // False when the text ran past the end.
    bool readCountedText(std::u16string& text, const char* what = nullptr) {
        uint32_t count = 0;
        const bool fits = readCount(2, what, count);
        readUnits(text, count);
        return fits;
    }
    void readIdList(std::vector<uint32_t>& list, const char* what = nullptr) {
        uint32_t count = 0;
        readCount(4, what, count);
        list.resize(count);
        readU32s(list.data(), count);
    }
    // Into storage reused from array to array; also empty when memory cannot hold it.
    CountedArray readArray(ArrayStorage& storage, const char* what = nullptr) {
        CountedArray array;
        uint32_t count = 0;
        if (!readCount(4, what, count) || count == 0) return array;
        uint32_t* data = storage.reserve(count);
        if (!data) {
            position_ += uint64_t(count) * 4;
            return array;
        }
        if (!readU32s(data, count)) return array;
        array.count = count;
        array.data = data;
        return array;
    }
    void skipCounted(uint32_t width, const char* what = nullptr) {
        uint32_t count = 0;
        readCount(width, what, count);
        position_ += uint64_t(count) * width; // checked by readCount
    }
    // A text of a known number of units, kept up to its first zero unit; empty when the
    // units run past the end, blaming the word at lengthAt that gave their length.
    void readTextUpToZero(std::u16string& text, uint64_t units, const char* what = nullptr,
                          uint64_t lengthAt = kNoWord);

    // Where data first ran out since the reader was opened or the overrun last taken. Reads
    // after one that ran out and before the next seek start from the end because of it, so
    // they only repeat it and are not noted.
    const std::optional<Overrun>& overrun() const { return overrun_; }
    std::optional<Overrun> takeOverrun() { return std::exchange(overrun_, std::nullopt); }

    bool writeU32(uint32_t value);
    bool writeBytes(const void* src, size_t n);
    void flush();

private:
    static uint32_t littleEndian(const unsigned char* b) {
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    uint32_t readU32(const char* what) {
        unsigned char b[4];
        readWord(b, what);
        return littleEndian(b);
    }
    // Most reads are small fields that the window already holds (and the allowance lets be
    // read). An empty window has size 0 and holds nothing; a cursor before the window gives
    // an offset that wraps far past it.
    bool windowHolds(size_t n) const {
        const uint64_t offset = position_ - windowStart_, held = windowEnd_ - windowStart_;
        return offset <= held && n <= held - offset && n <= allowance_;
    }
    bool readBytes(void* dst, size_t n, const char* what) {
        if (n == 0) return true; // dst may then be null
        if (!windowHolds(n)) return readOutsideWindow(dst, n, what);
        copyFromWindow(dst, n);
        return true;
    }
    // A word, the commonest read: a copy of a fixed size is a plain load.
    bool readWord(unsigned char (&b)[4], const char* what) {
        if (!windowHolds(sizeof b)) return readOutsideWindow(b, sizeof b, what);
        std::memcpy(b, window_ + (position_ - windowStart_), sizeof b);
        position_ += sizeof b;
        allowance_ -= sizeof b;
        return true;
    }
    void copyFromWindow(void* dst, size_t n) {
        std::memcpy(dst, window_ + (position_ - windowStart_), n);
        position_ += n;
        allowance_ -= n;
    }
    // The count word at the cursor; false, with a count of 0, when it or the count elements of
    // width bytes after it run past the end.
    bool readCount(uint32_t width, const char* what, uint32_t& count) {
        const uint64_t countAt = position_;
        unsigned char b[4];
        count = 0;
        if (!readWord(b, what)) return false;
        count = littleEndian(b);
        if (uint64_t(count) * width <= remaining()) return true;
        count = 0;
        ranOut(Overrun::Cause::Count, countAt, position_, what);
        return false;
    }
    // Replaces text with the next count units, which readCount has found to be there.
    void readUnits(std::u16string& text, size_t count);
    static void swapBytes(uint32_t* values, size_t count);
    static void swapBytes(char16_t* values, size_t count);
    void ranOut(Overrun::Cause cause, uint64_t at, uint64_t readAt, const char* what);
    bool readOutsideWindow(void* dst, size_t n, const char* what);
    bool fillWindow();
    size_t readStream(void* dst, size_t n);
    bool syncPosition();
    void dropWindow();

    File file_;
    bool open_ = false;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    uint64_t osPosition_ = 0; // where the file stream actually stands
    bool lastWasWrite_ = false;
    uint64_t allowance_ = 0; // bytes that reads may still take

    // What the last seek said: what starts there, and the word that placed it.
    const char* what_ = nullptr;
    uint64_t seekTo_ = 0;
    uint64_t offsetAt_ = kNoWord;
    bool ranOutSinceSeek_ = false;
    std::optional<Overrun> overrun_;

    // The bytes [windowStart_, windowEnd_): read ahead from the file into storage kept across
    // opens (so that a long-lived reader allocates it once), or the memory being read.
    const unsigned char* window_ = nullptr;
    std::unique_ptr<unsigned char[]> storage_;
    size_t storageCapacity_ = 0;
    uint64_t windowStart_ = 0;
    uint64_t windowEnd_ = 0;
    size_t nextFill_ = 0; // how much the next fill reads ahead
    size_t readAhead_ = 0; // at least this much, once
};

// Passes over the whole container that one open allows, and the allowance every container
// has however small: a model read once, a solid sent twice or a table read again stay far below.
constexpr uint64_t kContainerReadPasses = 4;
constexpr uint64_t kContainerReadSlack = uint64_t(64) << 10;

} // namespace orvex
