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

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = other.stream_;
        other.stream_ = nullptr;
    }
    return *this;
}

bool File::close() {
    if (!stream_) return true;
    const bool ok = std::fclose(stream_) == 0;
    stream_ = nullptr;
    return ok;
}

bool File::seek(uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(stream_, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(stream_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

uint64_t File::seekEnd() {
#ifdef _WIN32
    if (_fseeki64(stream_, 0, SEEK_END) != 0) return 0;
    const long long size = _ftelli64(stream_);
#else
    if (fseeko(stream_, 0, SEEK_END) != 0) return 0;
    const long long size = ftello(stream_);
#endif
    return size < 0 ? 0 : static_cast<uint64_t>(size);
}

bool readWholeFile(const std::u16string& path, std::string& bytes) {
    bytes.clear();
    File f(path, "rb");
    if (!f) return false;
    char chunk[65536];
    size_t got;
    while ((got = f.read(chunk, sizeof chunk)) > 0) bytes.append(chunk, got);
    return !f.failed();
}

bool copyFile(const std::u16string& from, const std::u16string& to) {
    File in(from, "rb");
    if (!in) return false;
    File out(to, "wb");
    if (!out) return false;
    char buffer[65536];
    bool ok = true;
    size_t n;
    while (ok && (n = in.read(buffer, sizeof buffer)) > 0) ok = out.write(buffer, n);
    if (in.failed()) ok = false;
    if (!out.close()) ok = false;
    if (!ok) removePath(to);
    return ok;
}

} // namespace orvex
