// The platform on Windows: environment and registry through the Win32 calls, message boxes
// with no owner, images through GDI+.
#include "platform/platform.h"

#include "platform/win32/imaging.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

#include <vector>

namespace orvex {

namespace {

using win32::fromWide;
using win32::toWide;

// Closes a registry key when the read is over, on every path.
class RegistryKey {
public:
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class Win32Platform final : public Platform {
public:
    std::optional<std::u16string> environmentVariable(const std::u16string& name,
                                                      size_t bufferUnits) override {
        if (bufferUnits == 0 || bufferUnits > MAXDWORD) return std::nullopt;
        std::vector<wchar_t> buffer(bufferUnits, L'\0');
        // The result is the length without the terminator when the value fits, the size
        // needed (terminator included, so never below the buffer size) when it does not,
        // and 0 when it is missing or empty.
        const DWORD length = GetEnvironmentVariableW(toWide(name).c_str(), buffer.data(), DWORD(bufferUnits));
        if (length == 0 || length >= bufferUnits) return std::nullopt;
        return fromWide(std::wstring_view(buffer.data(), length));
    }

    std::optional<std::u16string> registryValue(const std::u16string& key, const std::u16string& value,
                                                size_t announcedBytes) override {
        if (announcedBytes > MAXDWORD) return std::nullopt;
        RegistryKey opened;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, toWide(key).c_str(), 0, KEY_READ, opened.out()) != ERROR_SUCCESS)
            return std::nullopt;
        // The buffer is exactly as large as announced: a longer value is refused by the
        // call (ERROR_MORE_DATA) instead of being written past the end. Whatever the value
        // holds (no terminator, an odd byte count, another type) only the bytes the call
        // reports are used.
        std::vector<BYTE> buffer(announcedBytes + 1, 0); // +1: never empty, never read
        DWORD size = DWORD(announcedBytes);
        DWORD type = 0;
        if (RegQueryValueExW(opened.get(), toWide(value).c_str(), nullptr, &type, buffer.data(), &size) !=
                ERROR_SUCCESS ||
            size > announcedBytes)
            return std::nullopt;
        std::u16string units;
        units.reserve((size + 1) / 2);
        for (DWORD i = 0; i < size; i += 2) {
            // An odd last byte becomes a unit of its own with a zero high byte.
            const unsigned high = i + 1 < size ? buffer[i + 1] : 0;
            units.push_back(char16_t(buffer[i] | (high << 8)));
        }
        return units;
    }

    void messageBoxW(const std::u16string& caption, const std::u16string& text) override {
        MessageBoxW(nullptr, toWide(text).c_str(), toWide(caption).c_str(), MB_OK);
    }

    void messageBoxA(const std::string& caption, const std::string& text) override {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }

    bool decodeImage(const std::u16string& path, PixelImage& out) override {
        return win32::decodeImageGdiplus(path, out);
    }
};

} // namespace

Platform& defaultPlatform() {
    static Win32Platform instance;
    return instance;
}

} // namespace orvex
