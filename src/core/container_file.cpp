// Bounded reads over a C stream. The cursor is kept here and the stream is only moved when
// a read or write needs it. Small fields are served from a window read ahead in one go, so
// a block of many small records costs few system calls; large arrays are read straight
// into their storage, so their bytes are copied once.
#include "core/container_file.h"

#include "platform/files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace orvex {

namespace {

// The read-ahead starts small after a jump, so that the head of an array that follows a
// small field is not read twice, and doubles while reading goes on forward.
constexpr size_t kFirstFill = 4096;
constexpr size_t kLargestFill = 256 * 1024;
// Reads at least this large go straight into the caller's storage.
constexpr size_t kDirectRead = 16 * 1024;

bool seekStream(std::FILE* f, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

uint64_t streamSize(std::FILE* f) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0) return 0;
    const long long size = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    const long long size = ftello(f);
#endif
    return size < 0 ? 0 : static_cast<uint64_t>(size);
}

} // namespace

ContainerFile::~ContainerFile() { close(); }

bool ContainerFile::open(const std::u16string& path, const char* mode) {
    close();
    file_ = openFile(path, mode);
    if (!file_) return false;
    // The window does the buffering; a second buffer in the C stream would only copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    size_ = streamSize(file_);
    allowance_ = size_ * kContainerReadPasses + kContainerReadSlack;
    osPosition_ = size_;
    position_ = 0;
    lastWasWrite_ = false;
    nextFill_ = kFirstFill;
    return true;
}

void ContainerFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = position_ = osPosition_ = allowance_ = 0;
    dropWindow();
}

bool ContainerFile::syncPosition() {
    // A C stream needs a seek between a write and a following read, so one is made then too.
    if (osPosition_ == position_ && !lastWasWrite_) return true;
    if (!seekStream(file_, position_)) return false;
    osPosition_ = position_;
    lastWasWrite_ = false;
    return true;
}

size_t ContainerFile::readStream(void* dst, size_t n) {
    if (!syncPosition()) return 0;
    const size_t got = std::fread(dst, 1, n, file_);
    osPosition_ += got;
    return got;
}

bool ContainerFile::fillWindow() {
    const bool forward = windowEnd_ > windowStart_ && position_ >= windowStart_ &&
                         position_ - windowStart_ <= uint64_t(windowCapacity_) + kLargestFill;
    nextFill_ = forward ? std::min(nextFill_ * 2, kLargestFill) : kFirstFill;
    dropWindow();
    // Never more storage than the file holds, so a small file costs a small window.
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>(kLargestFill, size_));
    if (windowCapacity_ < capacity) {
        window_.reset();
        windowCapacity_ = 0;
        window_.reset(new (std::nothrow) unsigned char[capacity]);
        if (!window_) return false;
        windowCapacity_ = capacity;
    }
    const size_t want = static_cast<size_t>(std::min<uint64_t>({nextFill_, windowCapacity_, remaining()}));
    const size_t got = readStream(window_.get(), want);
    windowStart_ = position_;
    windowEnd_ = position_ + got;
    if (got < want) size_ = windowEnd_; // the file shrank under us (the host rewrote it)
    return got > 0;
}

bool ContainerFile::readOutsideWindow(void* dst, size_t n) {
    if (n == 0) return true;
    unsigned char* out = static_cast<unsigned char*>(dst);
    if (!file_ || n > remaining()) {
        std::memset(out, 0, n);
        position_ = std::max(position_, size_);
        return false;
    }
    size_t left = n;
    if (position_ >= windowStart_ && position_ < windowEnd_) {
        const size_t held = static_cast<size_t>(windowEnd_ - position_);
        copyFromWindow(out, held);
        out += held;
        left -= held;
    }
    while (left > 0) {
        if (left >= kDirectRead || !fillWindow()) {
            const size_t got = readStream(out, left);
            position_ += got;
            allowance_ -= got;
            if (got < left) {
                // Shorter than measured: what is missing reads as zeros.
                std::memset(out + got, 0, left - got);
                size_ = position_;
                return false;
            }
            return true;
        }
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left, windowEnd_ - position_));
        copyFromWindow(out, take);
        out += take;
        left -= take;
    }
    return true;
}

bool ContainerFile::readU32s(uint32_t* dst, size_t count) {
    const bool ok = readBytes(dst, count * sizeof(uint32_t));
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i)
            dst[i] = (dst[i] >> 24) | ((dst[i] >> 8) & 0xFF00) | ((dst[i] << 8) & 0xFF0000) | (dst[i] << 24);
    }
    return ok;
}

bool ContainerFile::readU16s(char16_t* dst, size_t count) {
    const bool ok = readBytes(dst, count * sizeof(char16_t));
    if constexpr (std::endian::native == std::endian::big) {
        for (size_t i = 0; i < count; ++i) dst[i] = static_cast<char16_t>(dst[i] >> 8 | dst[i] << 8);
    }
    return ok;
}

bool ContainerFile::writeBytes(const void* src, size_t n) {
    if (!file_) return false;
    dropWindow();
    if (osPosition_ != position_ || !lastWasWrite_) {
        if (!seekStream(file_, position_)) return false;
        osPosition_ = position_;
    }
    lastWasWrite_ = true;
    const size_t put = std::fwrite(src, 1, n, file_);
    position_ += put;
    osPosition_ = position_;
    size_ = std::max(size_, position_);
    return put == n;
}

bool ContainerFile::writeU32(uint32_t value) {
    const unsigned char b[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return writeBytes(b, 4);
}

void ContainerFile::flush() {
    if (file_) std::fflush(file_);
}

} // namespace orvex
