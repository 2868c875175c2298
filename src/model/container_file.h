// One open container file with a cursor that cannot run past the end: every read checks
// the bytes that remain first, and a read that does not fit yields zeros. Reading is also
// bounded in total: tables may point many times at the same records, and one operation
// on the file may read no more than a few passes over it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
    void seek(uint64_t offset);

    uint32_t readU32();
    int32_t readI32() { return static_cast<int32_t>(readU32()); }
    uint8_t readU8();
    // Reads exactly n bytes; when fewer remain, nothing is read, dst is zero-filled
    // and the cursor moves to the end.
    bool readBytes(void* dst, size_t n);
    // Skips n bytes (clamped to the end).
    void skip(uint64_t n);

    bool writeU32(uint32_t value);
    bool writeBytes(const void* src, size_t n);
    void flush();

private:
    bool syncPosition();

    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
    uint64_t osPosition_ = 0; // where the C stream actually stands
    bool lastWasWrite_ = false;
    uint64_t allowance_ = 0; // bytes that reads may still take
};

// Passes over the whole file that one open allows, and the allowance every file has
// however small: a model read once, a solid sent twice or a table read again stay far below.
constexpr uint64_t kContainerReadPasses = 4;
constexpr uint64_t kContainerReadSlack = uint64_t(1) << 20;

} // namespace orvex
