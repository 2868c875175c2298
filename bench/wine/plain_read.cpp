// The plain read of the Wine benchmark: a fresh process reads a whole file front to back with
// ReadFile into one page-aligned buffer, as fast as Windows reads a file.
//
//   bench-plain-read.exe BUFFER_KIB FILE
//
// Ends with 1 when the file could not be read whole. Otherwise the exit code carries the
// read's own time (from opening the file and allocating the buffer to closing the file) in
// microseconds, plus 2: unlike the process's time less an empty process's, that carries no
// noise of two process starts, and handing it over costs the process nothing more. The
// command line is taken apart here: the shell's parser would load a library the reference has
// no need of.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    wchar_t* end = nullptr;
    const SIZE_T size = SIZE_T(std::wcstoul(commandLine, &end, 10)) << 10;
    if (end == commandLine || *end != L' ') return 1;
    const wchar_t* path = end + 1;
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    void* buffer = size ? VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE) : nullptr;
    LARGE_INTEGER fileSize{};
    if (file == INVALID_HANDLE_VALUE || !buffer || !GetFileSizeEx(file, &fileSize)) return 1;
    ULONGLONG total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer, DWORD(size), &got, nullptr) && got > 0) total += got;
    CloseHandle(file);
    QueryPerformanceCounter(&stop);
    if (total != ULONGLONG(fileSize.QuadPart)) return 1;
    const ULONGLONG us = ULONGLONG(stop.QuadPart - start.QuadPart) * 1000000 / ULONGLONG(frequency.QuadPart);
    return int(2 + (us < 0x7fff0000 ? us : 0x7fff0000));
}
