// File access with UTF-16 paths through the C runtime. Windows paths are used as they
// stand; elsewhere backslashes are read as folder separators so that the same path texts
// work in native tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace orvex {

std::FILE* openFile(const std::u16string& path, const char* mode);
// The runtime's access test with mode 6 (read and write).
bool canReadWrite(const std::u16string& path);
bool pathExists(const std::u16string& path);
// Removes a file, or an empty folder.
bool removePath(const std::u16string& path);
bool copyFile(const std::u16string& from, const std::u16string& to);

// The path as the operating system takes it (UTF-8 with "/" on POSIX).
std::string nativePath(const std::u16string& path);

} // namespace orvex
