// File access with UTF-16 paths through the C runtime. Windows paths are used as they
// stand; elsewhere backslashes are read as folder separators so that the same path texts
// work in native tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvex {

std::FILE* openFile(const std::u16string& path, const char* mode);

// One open C stream, closed when it goes out of scope, so that no early return leaves a file
// open. 64-bit positions on every system.
class File {
public:
    File() = default;
    File(const std::u16string& path, const char* mode) : stream_(openFile(path, mode)) {}
    ~File() { close(); }
    File(File&& other) noexcept : stream_(other.stream_) { other.stream_ = nullptr; }
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    explicit operator bool() const { return stream_ != nullptr; }
    std::FILE* get() const { return stream_; }
    // False when what was written could not be stored (a full disk, say).
    bool close();

    size_t read(void* dst, size_t n) { return std::fread(dst, 1, n, stream_); }
    bool write(const void* src, size_t n) { return std::fwrite(src, 1, n, stream_) == n; }
    bool failed() const { return std::ferror(stream_) != 0; }
    bool seek(uint64_t offset);
    // Moves to the end and gives the position there; 0 when it cannot be measured.
    uint64_t seekEnd();

private:
    std::FILE* stream_ = nullptr;
};

// The whole file; false when it cannot be opened or read to its end.
bool readWholeFile(const std::u16string& path, std::string& bytes);
// The runtime's access test with mode 6 (read and write).
bool canReadWrite(const std::u16string& path);
bool pathExists(const std::u16string& path);
// Removes a file, or an empty folder.
bool removePath(const std::u16string& path);
bool copyFile(const std::u16string& from, const std::u16string& to);

// The path as the operating system takes it (UTF-8 with "/" on POSIX).
std::string nativePath(const std::u16string& path);

} // namespace orvex
