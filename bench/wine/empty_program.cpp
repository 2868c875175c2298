// The empty program of the Wine benchmark: what starting and ending a process costs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
