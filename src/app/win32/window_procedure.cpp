// The hidden window's procedure: each request message runs one synchronisation to its end.
#include "app/win32/app_state.h"

#include "app/command_line.h"
#include "core/log.h"
#include "model/change_tracking.h"
#include "model/record_sync.h"

namespace orvex::win32 {

namespace {

// The host answers 1026 by writing "_mod.sm" once it has been told that the sync-state file
// is ready; the lParam 10 is part of that answer.
constexpr LPARAM kStateSavedParam = 10;

void saveModelState() {
    if (!appWindows.hostWindow) appWindows.hostWindow = FindWindowA(kHostWindowClass, nullptr);
    writeSyncState(exchange());
    // Without a host window there is no one to tell; a null target would instead post the
    // answer to this thread's own queue.
    if (appWindows.hostWindow) PostMessageW(appWindows.hostWindow, MSG_HOST_STATE_SAVED, 0, kStateSavedParam);
    writeLog("Sync Model state 0");
}

} // namespace

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) != CMD_EXIT) break;
        DestroyWindow(window);
        return 0;
    case MSG_CAMERA_SYNC:
        syncCamera(exchange());
        return 0;
    case MSG_MODEL_STATE_SAVE:
        saveModelState();
        return 0;
    case MSG_MODEL_SYNC:
        writeLog("Sync Model state 1 _ Start");
        syncModel(exchange());
        writeLog("Sync Model state 1 _ End");
        return 0;
    case MSG_MODEL_SYNC_QUIET:
        syncModel(exchange());
        return 0;
    case MSG_VIEWS_SYNC:
        syncViews(exchange());
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace orvex::win32
