// Entry point of OrvexExchange.exe: one instance, one hidden window, the start-up
// synchronisation, then the message loop that runs the host's requests until the host's
// window or the renderer goes away.
#include "app/win32/app_state.h"
#include "app/win32/crash_handler.h"
#include "app/win32/resource.h"

#include "app/command_line.h"
#include "core/log.h"
#include "app/session.h"
#include "model/model_exchange.h"
#include "platform/win32/imaging.h"
#include "platform/win32/wide_text.h"

#include <windows.h>

#include <cstring>

namespace orvex::win32 {

namespace {

constexpr const wchar_t* kMutexName = L"Orvex_ExchangeMutex";

int32_t startRequest = kRequestNone;

// At every return from here on: the first instance releases the mutex it owns, the handle
// is closed and the imaging library shut down if a decode started it. The scene owner (and
// with it the renderer session) goes after this, at process end.
class ExitGuard {
public:
    explicit ExitGuard(HANDLE mutex) : mutex_(mutex) {}
    ~ExitGuard() {
        if (mutex_) {
            if (owner_) ReleaseMutex(mutex_);
            CloseHandle(mutex_);
        }
        shutdownImaging();
    }
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;
    void ownMutex() { owner_ = true; }

private:
    HANDLE mutex_;
    bool owner_ = false;
};

void readCommandLine(const wchar_t* commandLine) {
    const auto words = splitCommandLine(fromWide(commandLine ? commandLine : L""));
    if (words.empty()) return;
    const WordEffect effect = lookUpWord(words.front());
    startRequest = effect.startRequest;
    if (effect.setsColorMode) colorMode = 1;
    writeLog("Args - ");
    writeLogW(words.front());
}

void postRequest(HWND window) {
    const UINT message = requestMessage(startRequest);
    if (window && message != 0) PostMessageW(window, message, 0, 0);
}

bool registerWindowClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVEXEXCHANGE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    return RegisterClassExW(&windowClass) != 0;
}

// Checked on every watch tick: the host's window must still exist and still be the host's,
// and the renderer must still run.
bool hostAndRendererAlive() {
    const HWND host = appWindows.hostWindow;
    if (!host) return false;
    char className[256] = {};
    GetClassNameA(host, className, int(sizeof className));
    if (!IsWindow(host) || std::strcmp(className, kHostWindowClass) != 0) return false;
    const RendererApi* api = exchange().session.api;
    // Not reached without them: the loop runs only after a session start bound every operation.
    if (!api || !api->ORVEXAPI_GetRenderStatus) return false;
    const auto getRenderStatus = api->ORVEXAPI_GetRenderStatus;
    int32_t status = 0;
    getRenderStatus(&status);
    return status != 0;
}

void runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return; // WM_QUIT
        if (result == -1) continue; // nothing was retrieved; wait for the next message
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (message.message == WM_TIMER && message.wParam == appWindows.watchTimer && !hostAndRendererAlive())
            return;
    }
}

int run(HINSTANCE instance, const wchar_t* commandLine) {
    readCommandLine(commandLine);

    const HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
    const bool alreadyRunning = GetLastError() == ERROR_ALREADY_EXISTS;

    wchar_t title[kResourceTextUnits] = {};
    wchar_t className[kResourceTextUnits] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, kResourceTextUnits);
    LoadStringW(instance, IDC_ORVEXEXCHANGE, className, kResourceTextUnits);

    ExitGuard guard(mutex);

    if (alreadyRunning) {
        // A second start only hands its request to the running instance. The colour mode
        // is not handed on.
        postRequest(FindWindowW(className, nullptr));
        return 0;
    }
    guard.ownMutex();

    if (!registerWindowClass(instance, className)) return 0;
    appWindows.mainWindow = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                            CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!appWindows.mainWindow) return 0;
    ShowWindow(appWindows.mainWindow, SW_HIDE);
    UpdateWindow(appWindows.mainWindow);

    if (!appWindows.hostWindow) appWindows.hostWindow = FindWindowA(kHostWindowClass, nullptr);

    if (!startupSync(exchange())) return 0;

    // The request of the command line runs as the first message of the loop.
    postRequest(appWindows.mainWindow);
    // NOTE: only the watch timer is made. A 50-second timer whose id was never kept could
    // neither be told apart nor end anything, so it does not exist.
    appWindows.watchTimer = SetTimer(appWindows.mainWindow, kWatchTimerId, kWatchPeriodMs, nullptr);

    runMessageLoop();
    return 0;
}

} // namespace

} // namespace orvex::win32

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    orvex::win32::installCrashHandler();
    orvex::win32::run(instance, commandLine);
    return 0;
}
