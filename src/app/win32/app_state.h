// The program's process-wide Win32 state: its hidden window, the host's window, the watch
// timer, and the one long-lived scene owner.
#pragma once

#include <windows.h>

namespace orvex {
class ModelExchange;
}

namespace orvex::win32 {

// The host's top-level window is known by this class name alone.
constexpr const char* kHostWindowClass = "Planomat_class";
constexpr UINT_PTR kWatchTimerId = 101;
constexpr UINT kWatchPeriodMs = 1000;
// String resources are read into buffers of this many units.
constexpr int kResourceTextUnits = 100;

struct AppWindows {
    HWND mainWindow = nullptr;
    HWND hostWindow = nullptr;  // target of the 1137 answer, watched every second
    UINT_PTR watchTimer = 0;
};
extern AppWindows appWindows;

// The scene owner, made on first use (the renderer is bound from OrvexApi.dll when the session
// starts) and torn down at process end (after wWinMain has returned), which destroys the
// renderer session.
ModelExchange& exchange();

// The window procedure of the hidden window.
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace orvex::win32
