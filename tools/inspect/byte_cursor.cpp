// Bounded reads for the inspector's walk, with the program's end-of-file behaviour.
#include "inspect/byte_cursor.h"

#include <algorithm>

namespace orvex::inspect {

void ByteCursor::problem(uint64_t at, std::string message) {
    problems_.push_back({file_, at, std::move(message)});
}

void ByteCursor::overrun(uint64_t at, const std::string& message) {
    if (!quiet_) problem(at, message);
    quiet_ = true;
    position_ = std::max(position_, size());
}

uint32_t ByteCursor::u32At(uint64_t at) const {
    if (at > size() || size() - at < 4) return 0;
    const unsigned char* p = data(at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t ByteCursor::u32(const char* what) {
    if (remaining() < 4) {
        overrun(position_, std::string(what) + " runs past the end of the file");
        return 0;
    }
    const uint32_t value = u32At(position_);
    position_ += 4;
    return value;
}

uint8_t ByteCursor::u8(const char* what) {
    if (remaining() < 1) {
        overrun(position_, std::string(what) + " runs past the end of the file");
        return 0;
    }
    return *data(position_++);
}

uint32_t ByteCursor::counted(uint32_t width, const char* what, uint64_t* dataAt) {
    const uint64_t countAt = position_;
    const uint32_t count = u32(what);
    if (dataAt) *dataAt = position_;
    if (count == 0) return 0;
    if (uint64_t(count) * width > remaining()) {
        overrun(countAt, std::string(what) + " count " + std::to_string(count) +
                             " runs past the end of the file");
        return 0;
    }
    position_ += uint64_t(count) * width;
    return count;
}

} // namespace orvex::inspect
