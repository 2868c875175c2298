// One open container file with a cursor that cannot run past the end: every read checks
// the bytes that remain first, and a read that does not fit yields zeros. Reading is also
// bounded in total: tables may point many times at the same records, and one open of the
// file may read no more than a few passes over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace orvex {

class ContainerFile {
public:
    ContainerFile() = default;
    ~ContainerFile();
    ContainerFile(const ContainerFile&) = delete;
    ContainerFile& operator=(const ContainerFile&) = delete;

    // Opens with a C runtime mode ("rb", "rb+", "wb+"); measures the size.
    bool open(const std::u16string& path, const char* mode);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    uint64_t size() const { return size_; }
    uint64_t position() const { return position_; }
    // The bytes that can still be read: up to the end, and no more than the read allowance
    // left (a few times the size measured at open).
    uint64_t remaining() const {
        const uint64_t toEnd = position_ < size_ ? size_ - position_ : 0;
        return toEnd < allowance_ ? toEnd : allowance_;
    }

    // Moves the cursor; a position past the end is allowed and makes every read empty.
    void seek(uint64_t offset) { position_ = offset; }

    uint32_t readU32() {
        unsigned char b[4];
        readBytes(b, 4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    uint8_t readU8() {
        uint8_t b = 0;
        readBytes(&b, 1);
        return b;
    }
    // Reads exactly n bytes; when fewer remain, nothing is read, dst is zero-filled
    // and the cursor moves to the end.
    bool readBytes(void* dst, size_t n) {
        if (n == 0) return true; // dst may then be null
        // Most reads are small fields that the window already holds (an empty window,
        // with no storage yet, ends at 0).
        if (windowEnd_ != 0 && position_ >= windowStart_ && position_ <= windowEnd_ &&
            n <= windowEnd_ - position_ && n <= allowance_) {
            copyFromWindow(dst, n);
            return true;
        }
        return readOutsideWindow(dst, n);
    }
    // Arrays of little-endian 32-bit and 16-bit values, read like readBytes (zeros when
    // they do not fit).
    bool readU32s(uint32_t* dst, size_t count);
    bool readU16s(char16_t* dst, size_t count);
    // Skips n bytes (clamped to the end).
    void skip(uint64_t n) { position_ = n > remaining() ? (position_ > size_ ? position_ : size_) : position_ + n; }

    bool writeU32(uint32_t value);
    bool writeBytes(const void* src, size_t n);
    void flush();

private:
    void copyFromWindow(void* dst, size_t n) {
        std::memcpy(dst, window_.get() + (position_ - windowStart_), n);
        position_ += n;
        allowance_ -= n;
    }
    bool readOutsideWindow(void* dst, size_t n);
    bool fillWindow();
    size_t readStream(void* dst, size_t n);
    bool syncPosition();
    void dropWindow() { windowStart_ = windowEnd_ = 0; }

    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    uint64_t osPosition_ = 0; // where the C stream actually stands
    bool lastWasWrite_ = false;
    uint64_t allowance_ = 0; // bytes that reads may still take

    // The bytes [windowStart_, windowEnd_) of the file, read ahead in one go. Kept across
    // opens so that a long-lived reader allocates it once.
    std::unique_ptr<unsigned char[]> window_;
    size_t windowCapacity_ = 0;
    uint64_t windowStart_ = 0;
    uint64_t windowEnd_ = 0;
    size_t nextFill_ = 0; // how much the next fill reads ahead
};

// Passes over the whole file that one open allows, and the allowance every file has
// however small: a model read once, a solid sent twice or a table read again stay far below.
constexpr uint64_t kContainerReadPasses = 4;
constexpr uint64_t kContainerReadSlack = uint64_t(64) << 10;

} // namespace orvex
