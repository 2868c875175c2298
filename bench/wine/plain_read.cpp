// The plain read of the Wine benchmark: a fresh process reads a whole file front to back with
// ReadFile into one page-aligned buffer, as fast as Windows reads a file.
//
//   bench-plain-read.exe BUFFER_KIB FILE
//
// Ends with 0 when every byte of the file was read, 1 otherwise. The command line is taken
// apart here: the shell's parser would load a library the reference has no need of.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    wchar_t* end = nullptr;
    const SIZE_T size = SIZE_T(std::wcstoul(commandLine, &end, 10)) << 10;
    if (end == commandLine || *end != L' ') return 1;
    const wchar_t* path = end + 1;
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    void* buffer = size ? VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) : nullptr;
    LARGE_INTEGER fileSize{};
    if (file == INVALID_HANDLE_VALUE || !buffer || !GetFileSizeEx(file, &fileSize)) return 1;
    ULONGLONG total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer, DWORD(size), &got, nullptr) && got > 0) total += got;
    CloseHandle(file);
    return total == ULONGLONG(fileSize.QuadPart) ? 0 : 1;
}
