// The few operating-system services the core needs, behind one table of functions.
// The Windows program installs the Win32 implementation; native builds and tests use
// the portable one or a fake of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvex {

// Decoded image, 4 bytes a pixel in the order blue, green, red, alpha, rows top first.
struct PixelImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bgra;
};

class Platform {
public:
    virtual ~Platform() = default;

    // The variable's value when it exists, is not empty and fits in bufferUnits units
    // (terminator included); nothing otherwise.
    virtual std::optional<std::u16string> environmentVariable(const std::u16string& name,
                                                              size_t bufferUnits) = 0;
    // Reads a value of a key under HKEY_CURRENT_USER into a buffer of announcedBytes
    // bytes. Returns the raw units read (whatever type the value has), or nothing when the
    // key or value is missing or the value does not fit.
    virtual std::optional<std::u16string> registryValue(const std::u16string& key,
                                                        const std::u16string& value,
                                                        size_t announcedBytes) = 0;
    // A modal box with no owner and one OK button, in UTF-16 or in 8-bit text.
    virtual void messageBoxW(const std::u16string& caption, const std::u16string& text) = 0;
    virtual void messageBoxA(const std::string& caption, const std::string& text) = 0;
    // Decodes any image format the platform knows into 32-bit BGRA. False when the file
    // cannot be read or decoded, or would not fit in memory.
    virtual bool decodeImage(const std::u16string& path, PixelImage& out) = 0;
};

// The platform in use; the portable implementation until one is installed.
Platform& platform();
void setPlatform(Platform* p); // nullptr restores the portable implementation

} // namespace orvex
