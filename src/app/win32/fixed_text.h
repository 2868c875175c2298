// Text built in a fixed buffer. What runs after a crash formats its file names and its log
// line here, so that it never touches a heap that may be the very thing that broke.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex::win32 {

template <typename Char, size_t Units>
class FixedText {
public:
    FixedText() { text_[0] = 0; }

    // Appends as much as fits. Wide units above U+00FF become '?' in 8-bit text, as in the log.
    template <typename From>
    FixedText& add(const From* text) {
        if (text)
            for (; *text; ++text) put(*text);
        return *this;
    }
    // Digits of a number, padded with zeros to at least `width` digits.
    FixedText& decimal(uint64_t value, int width = 1) { return digits(value, 10, width); }
    FixedText& hex(uint64_t value, int width = 1) { return digits(value, 16, width); }

    const Char* c_str() const { return text_; }
    size_t size() const { return size_; }
    // False when something did not fit (a path that long is not used).
    bool whole() const { return whole_; }
    void clear() {
        size_ = 0;
        text_[0] = 0;
        whole_ = true;
    }

private:
    template <typename From>
    void put(From unit) {
        const auto value = static_cast<uint32_t>(unit);
        const Char c = (sizeof(Char) == 1 && value > 0xFF) ? Char('?') : static_cast<Char>(value);
        if (size_ + 1 >= Units) {
            whole_ = false;
            return;
        }
        text_[size_++] = c;
        text_[size_] = 0;
    }
    FixedText& digits(uint64_t value, unsigned base, int width) {
        char reversed[24];
        int count = 0;
        do {
            reversed[count++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0);
        for (int i = count; i < width; ++i) put('0');
        while (count > 0) put(reversed[--count]);
        return *this;
    }

    Char text_[Units];
    size_t size_ = 0;
    bool whole_ = true;
};

} // namespace orvex::win32
