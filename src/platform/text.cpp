// Text conversions shared by the log, the sync-state file and the file layer.
#include "platform/text.h"

#include <cstdio>

namespace orvex {

std::u16string widenBytes(std::string_view bytes) {
    std::u16string out;
    out.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
    return out;
}

std::string narrowLatin1(std::u16string_view text) {
    std::string out;
    out.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = text[i] <= 0xFF ? static_cast<char>(text[i]) : '?';
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > text.size()) {
                len = 1;
            } else {
                c = b & (0x7F >> len);
                for (size_t k = 1; k < len; ++k) {
                    unsigned char cb = static_cast<unsigned char>(text[i + k]);
                    if ((cb & 0xC0) != 0x80) { c = 0xFFFD; len = 1; break; }
                    c = (c << 6) | (cb & 0x3F);
                }
            }
        }
        i += len;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::u16string fromSystemBytes(std::string_view bytes) {
    std::u16string out;
    size_t start = 0;
    // Runs that decode without a replacement are taken as they are; a byte that fromUtf8
    // would replace is kept as an escaped unit instead.
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        bool valid = len > 0 && i + len <= bytes.size();
        for (size_t k = 1; valid && k < len; ++k) valid = (static_cast<unsigned char>(bytes[i + k]) & 0xC0) == 0x80;
        if (valid && len > 1) valid = fromUtf8(bytes.substr(i, len)).find(u'\uFFFD') == std::u16string::npos ||
                                      bytes.substr(i, len) == "\xEF\xBF\xBD";
        if (valid) {
            i += len;
            continue;
        }
        out += fromUtf8(bytes.substr(start, i - start));
        out += static_cast<char16_t>(0xDC00 + b);
        start = ++i;
    }
    out += fromUtf8(bytes.substr(start));
    return out;
}

std::string toSystemBytes(std::u16string_view text) {
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool paired = i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF;
        if (c < 0xDC80 || c > 0xDCFF || paired) continue;
        out += toUtf8(text.substr(start, i - start));
        out += static_cast<char>(c - 0xDC00);
        start = i + 1;
    }
    out += toUtf8(text.substr(start));
    return out;
}

std::u16string decimal(int32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
    return widenBytes(buffer);
}

} // namespace orvex
