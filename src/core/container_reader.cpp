// Bounded reads over a file or memory. For a file the cursor is kept here and the stream is
// only moved when a read or write needs it. Small fields are served from a window read ahead
// in one go, so a block of many small records costs few system calls; large arrays are read
// straight into their storage, so their bytes are copied once.
#include "core/container_reader.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace orvex {

namespace {

// The read-ahead starts small after a jump, so that the head of an array that follows a
// small field is not read twice, and doubles while reading goes on forward.
constexpr size_t kFirstFill = 4096;
constexpr size_t kLargestFill = 256 * 1024;
// Reads at least this large go straight into the caller's storage.
constexpr size_t kDirectRead = 16 * 1024;

} // namespace

bool ContainerReader::open(const std::u16string& path, const char* mode) {
    close();
    overrun_.reset();
    file_ = File(path, mode);
    if (!file_) return false;
    // The window does the buffering; a second buffer in the C stream would only copy.
    std::setvbuf(file_.get(), nullptr, _IONBF, 0);
    open_ = true;
    size_ = file_.seekEnd();
    allowance_ = size_ * kContainerReadPasses + kContainerReadSlack;
    osPosition_ = size_;
    nextFill_ = kFirstFill;
    return true;
}

void ContainerReader::openMemory(const void* data, size_t size) {
    close();
    overrun_.reset();
    open_ = true;
    size_ = size;
    allowance_ = size_ * kContainerReadPasses + kContainerReadSlack;
    window_ = static_cast<const unsigned char*>(data);
    windowEnd_ = size;
}

void ContainerReader::close() {
    file_.close();
    open_ = false;
    size_ = position_ = osPosition_ = allowance_ = 0;
    lastWasWrite_ = false;
    readAhead_ = 0;
    seek(0);
    dropWindow();
}

void ContainerReader::dropWindow() {
    windowStart_ = windowEnd_ = 0;
    window_ = storage_.get();
}

void ContainerReader::ranOut(Overrun::Cause cause, uint64_t at, uint64_t readAt, const char* what) {
    position_ = std::max(position_, size_);
    const bool repeat = ranOutSinceSeek_;
    ranOutSinceSeek_ = true;
    if (overrun_ || repeat) return;
    // A read right where an offset placed it, past the end: the offset is what is wrong.
    if (cause == Overrun::Cause::Read && readAt == seekTo_ && seekTo_ >= size_ && offsetAt_ != kNoWord) {
        cause = Overrun::Cause::Offset;
        at = offsetAt_;
        what = what_;
    }
    overrun_ = Overrun{cause, at, readAt, what};
}

bool ContainerReader::syncPosition() {
    // A C stream needs a seek between a write and a following read, so one is made then too.
    if (osPosition_ == position_ && !lastWasWrite_) return true;
    if (!file_.seek(position_)) return false;
    osPosition_ = position_;
    lastWasWrite_ = false;
    return true;
}

size_t ContainerReader::readStream(void* dst, size_t n) {
    if (!syncPosition()) return 0;
    const size_t got = file_.read(dst, n);
    osPosition_ += got;
    return got;
}

bool ContainerReader::fillWindow() {
    const bool forward = windowEnd_ > windowStart_ && position_ >= windowStart_ &&
                         position_ - windowStart_ <= uint64_t(storageCapacity_) + kLargestFill;
    nextFill_ = forward ? std::min(nextFill_ * 2, kLargestFill) : kFirstFill;
    dropWindow();
    // Never more storage than the file holds, so a small file costs a small window.
    const size_t capacity = static_cast<size_t>(std::min<uint64_t>(kLargestFill, size_));
    if (storageCapacity_ < capacity) {
        storage_.reset();
        storageCapacity_ = 0;
        storage_.reset(new (std::nothrow) unsigned char[capacity]);
        window_ = storage_.get();
        if (!storage_) return false;
        storageCapacity_ = capacity;
    }
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>({std::max(nextFill_, readAhead_), storageCapacity_, remaining()}));
    readAhead_ = 0;
    const size_t got = readStream(storage_.get(), want);
    windowStart_ = position_;
    windowEnd_ = position_ + got;
    if (got < want) size_ = windowEnd_; // the file shrank under us (the host rewrote it)
    return got > 0;
}

bool ContainerReader::readOutsideWindow(void* dst, size_t n, const char* what) {
    unsigned char* out = static_cast<unsigned char*>(dst);
    const uint64_t readAt = position_;
    // Memory is all in the window: what is not there is past the end.
    if (!file_ || n > remaining()) {
        std::memset(out, 0, n);
        ranOut(Overrun::Cause::Read, readAt, readAt, what);
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
                ranOut(Overrun::Cause::Read, readAt, readAt, what);
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

// Containers are little-endian; only a big-endian host turns the values round.
void ContainerReader::swapBytes(uint32_t* v, size_t count) {
    for (size_t i = 0; i < count; ++i)
        v[i] = (v[i] >> 24) | ((v[i] >> 8) & 0xFF00) | ((v[i] << 8) & 0xFF0000) | (v[i] << 24);
}

void ContainerReader::swapBytes(char16_t* v, size_t count) {
    for (size_t i = 0; i < count; ++i) v[i] = static_cast<char16_t>(v[i] >> 8 | v[i] << 8);
}

void ContainerReader::skip(uint64_t n) {
    if (n > remaining())
        ranOut(Overrun::Cause::Read, position_, position_, what_);
    else
        position_ += n;
}

// Through a small buffer rather than by resizing the text, which would first fill it with
// zeros only to overwrite them.
void ContainerReader::readUnits(std::u16string& text, size_t count) {
    text.clear();
    if (count == 0) return;
    text.reserve(count);
    char16_t chunk[256];
    for (size_t left = count; left > 0;) {
        const size_t n = std::min(left, std::size(chunk));
        readU16s(chunk, n);
        text.append(chunk, n);
        left -= n;
    }
}

void ContainerReader::readTextUpToZero(std::u16string& text, uint64_t units, const char* what, uint64_t lengthAt) {
    if (units > remaining() / 2) {
        text.clear();
        if (lengthAt == kNoWord)
            ranOut(Overrun::Cause::Read, position_, position_, what ? what : what_);
        else
            ranOut(Overrun::Cause::Length, lengthAt, position_, what);
        return;
    }
    // Through a small buffer: a field is mostly zeros after a short text (a project path in
    // a field of 1,028 units), and its zeros need neither storage nor copying.
    text.clear();
    char16_t chunk[64];
    for (uint64_t left = units; left > 0;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(left, std::size(chunk)));
        readU16s(chunk, n);
        left -= n;
        const size_t length = static_cast<size_t>(std::find(chunk, chunk + n, u'\0') - chunk);
        text.append(chunk, length);
        if (length < n) {
            skip(left * 2);
            break;
        }
    }
}

bool ContainerReader::writeBytes(const void* src, size_t n) {
    if (!file_) return false;
    dropWindow();
    if (osPosition_ != position_ || !lastWasWrite_) {
        if (!file_.seek(position_)) return false;
        osPosition_ = position_;
    }
    lastWasWrite_ = true;
    const size_t put = std::fwrite(src, 1, n, file_.get());
    position_ += put;
    osPosition_ = position_;
    size_ = std::max(size_, position_);
    return put == n;
}

bool ContainerReader::writeU32(uint32_t value) {
    const unsigned char b[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return writeBytes(b, 4);
}

void ContainerReader::flush() {
    if (file_) std::fflush(file_.get());
}

} // namespace orvex
