// The platform outside Windows: environment from the C runtime, no registry, boxes on
// standard error, images through stb_image.
#include "platform/platform.h"

#include "platform/files.h"
#include "platform/text.h"

#include <cstdio>
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_FAILURE_USERMSG
// Refuse images whose pixels alone would pass 1 GiB rather than try to hold them.
#define STBI_MAX_DIMENSIONS 32768
#include <stb/stb_image.h>

namespace orvex {

namespace {

class PortablePlatform final : public Platform {
public:
    std::optional<std::u16string> environmentVariable(const std::u16string& name,
                                                      size_t bufferUnits) override {
        const char* v = std::getenv(toUtf8(name).c_str());
        if (!v || !*v) return std::nullopt;
        std::u16string value = fromUtf8(v);
        if (value.size() + 1 > bufferUnits) return std::nullopt;
        return value;
    }
    std::optional<std::u16string> registryValue(const std::u16string&, const std::u16string&,
                                                size_t) override {
        return std::nullopt;
    }
    void messageBoxW(const std::u16string& caption, const std::u16string& text) override {
        std::fprintf(stderr, "[%s] %s\n", toUtf8(caption).c_str(), toUtf8(text).c_str());
    }
    void messageBoxA(const std::string& caption, const std::string& text) override {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    }
    bool decodeImage(const std::u16string& path, PixelImage& out) override {
        File f(path, "rb");
        if (!f) return false;
        int w = 0, h = 0, n = 0;
        stbi_uc* rgba = stbi_load_from_file(f.get(), &w, &h, &n, 4);
        f.close();
        if (!rgba) return false;
        const size_t pixels = static_cast<size_t>(w) * static_cast<size_t>(h);
        try {
            out.bgra.resize(pixels * 4);
        } catch (...) {
            stbi_image_free(rgba);
            return false;
        }
        for (size_t i = 0; i < pixels; ++i) {
            out.bgra[i * 4 + 0] = rgba[i * 4 + 2];
            out.bgra[i * 4 + 1] = rgba[i * 4 + 1];
            out.bgra[i * 4 + 2] = rgba[i * 4 + 0];
            out.bgra[i * 4 + 3] = rgba[i * 4 + 3];
        }
        out.width = static_cast<uint32_t>(w);
        out.height = static_cast<uint32_t>(h);
        stbi_image_free(rgba);
        return true;
    }
};

} // namespace

Platform& defaultPlatform() {
    static PortablePlatform instance;
    return instance;
}

} // namespace orvex
