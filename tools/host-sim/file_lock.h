// A file held open the way another program may hold it: with the access and sharing it
// chooses (by default reading, shared with no one), so that other processes cannot open,
// replace or remove it until the lock is released.
#pragma once

#include <windows.h>

#include <string>

namespace orvex::hostsim {

class FileLock {
public:
    explicit FileLock(const std::wstring& path, DWORD access = GENERIC_READ, DWORD share = 0)
        : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    void release() {
        if (held()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

} // namespace orvex::hostsim
