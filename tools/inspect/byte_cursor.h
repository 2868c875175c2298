// The inspector's own bounded reader over a whole file held in memory. It moves exactly as the
// program's container reader does (a read that does not fit yields zeros and leaves the cursor
// at the end), and records a problem with its byte offset wherever the data run out.
#pragma once

#include "inspect/inspection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::inspect {

class ByteCursor {
public:
    ByteCursor(const std::string& bytes, std::u16string file, std::vector<Problem>& problems)
        : bytes_(bytes), file_(std::move(file)), problems_(problems) {}

    uint64_t size() const { return bytes_.size(); }
    uint64_t position() const { return position_; }
    uint64_t remaining() const { return position_ < size() ? size() - position_ : 0; }

    // Moving outside the file is allowed; whoever produced such an offset reports it, so the
    // reads there stay silent.
    void seek(uint64_t at) {
        position_ = at;
        quiet_ = at >= size();
    }

    uint32_t u32(const char* what);
    uint8_t u8(const char* what);
    uint32_t u32At(uint64_t at) const; // a value inside the file, 0 outside; no cursor move
    const unsigned char* data(uint64_t at) const { return reinterpret_cast<const unsigned char*>(bytes_.data()) + at; }

    // A 32-bit count followed by count elements of `width` bytes. Returns the count the
    // program works with: 0 when the elements would run past the end, which is reported at
    // the count and leaves the cursor at the end. On return the cursor stands after the
    // elements; *dataAt (when given) is where they start.
    uint32_t counted(uint32_t width, const char* what, uint64_t* dataAt = nullptr);

    void problem(uint64_t at, std::string message);
    const std::u16string& file() const { return file_; }

private:
    void overrun(uint64_t at, const std::string& message);

    const std::string& bytes_;
    std::u16string file_;
    std::vector<Problem>& problems_;
    uint64_t position_ = 0;
    bool quiet_ = false; // set after one overrun until the next seek: one report per cause
};

} // namespace orvex::inspect
