// File access by UTF-16 path: the wide C runtime on Windows, UTF-8 paths elsewhere.
#include "platform/files.h"

#include "platform/text.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <direct.h>
#include <io.h>
#include <wchar.h>
#else
#include <unistd.h>
#endif

namespace orvex {

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

namespace {
std::wstring wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
} // namespace

std::string nativePath(const std::u16string& path) { return toUtf8(path); }

std::FILE* openFile(const std::u16string& path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(wide(path).c_str(), wmode.c_str());
}

bool canReadWrite(const std::u16string& path) { return _waccess(wide(path).c_str(), 6) == 0; }

bool pathExists(const std::u16string& path) { return _waccess(wide(path).c_str(), 0) == 0; }

bool removePath(const std::u16string& path) {
    if (_wremove(wide(path).c_str()) == 0) return true;
    return _wrmdir(wide(path).c_str()) == 0;
}

#else
std::string nativePath(const std::u16string& path) {
    std::u16string p = path;
    for (auto& c : p)
        if (c == u'\\') c = u'/';
    return toSystemBytes(p);
}

std::FILE* openFile(const std::u16string& path, const char* mode) {
    return std::fopen(nativePath(path).c_str(), mode);
}

bool canReadWrite(const std::u16string& path) {
    return access(nativePath(path).c_str(), R_OK | W_OK) == 0;
}

bool pathExists(const std::u16string& path) { return access(nativePath(path).c_str(), F_OK) == 0; }

bool removePath(const std::u16string& path) {
    if (std::remove(nativePath(path).c_str()) == 0) return true;
    return rmdir(nativePath(path).c_str()) == 0;
}

#endif

bool copyFile(const std::u16string& from, const std::u16string& to) {
    std::FILE* in = openFile(from, "rb");
    if (!in) return false;
    std::FILE* out = openFile(to, "wb");
    if (!out) {
        std::fclose(in);
        return false;
    }
    char buffer[65536];
    bool ok = true;
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, n, out) != n) {
            ok = false;
            break;
        }
    }
    if (std::ferror(in)) ok = false;
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    if (!ok) removePath(to);
    return ok;
}

} // namespace orvex
