// Bounded reads over a C stream. The cursor is kept here and the stream is only moved when
// a read or write needs it, so reading field after field costs no seeks.
#include "model/container_file.h"

#include "platform/files.h"

#include <algorithm>
#include <cstring>

namespace orvex {

namespace {

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
    size_ = streamSize(file_);
    allowance_ = size_ * kContainerReadPasses + kContainerReadSlack;
    osPosition_ = size_;
    position_ = 0;
    lastWasWrite_ = false;
    return true;
}

void ContainerFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = position_ = osPosition_ = allowance_ = 0;
}

void ContainerFile::seek(uint64_t offset) { position_ = offset; }

bool ContainerFile::syncPosition() {
    // A C stream needs a seek between a write and a following read, so one is made then too.
    if (osPosition_ == position_ && !lastWasWrite_) return true;
    if (!seekStream(file_, position_)) return false;
    osPosition_ = position_;
    lastWasWrite_ = false;
    return true;
}

bool ContainerFile::readBytes(void* dst, size_t n) {
    if (n == 0) return true;
    if (!file_ || n > remaining()) {
        std::memset(dst, 0, n);
        position_ = std::max(position_, size_);
        return false;
    }
    if (!syncPosition()) {
        std::memset(dst, 0, n);
        return false;
    }
    const size_t got = std::fread(dst, 1, n, file_);
    allowance_ -= got;
    position_ += got;
    osPosition_ = position_;
    if (got < n) {
        // The file shrank under us (the host rewrote it): what is missing reads as zeros.
        std::memset(static_cast<char*>(dst) + got, 0, n - got);
        size_ = position_;
        return false;
    }
    return true;
}

uint32_t ContainerFile::readU32() {
    unsigned char b[4];
    readBytes(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint8_t ContainerFile::readU8() {
    uint8_t b = 0;
    readBytes(&b, 1);
    return b;
}

void ContainerFile::skip(uint64_t n) { position_ = n > remaining() ? std::max(position_, size_) : position_ + n; }

bool ContainerFile::writeBytes(const void* src, size_t n) {
    if (!file_) return false;
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
