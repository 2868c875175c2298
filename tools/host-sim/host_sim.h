// The CAD host, simulated: it owns a window of the host's class, starts OrvexExchange.exe
// with a word and an environment of its choosing, posts requests to the program's hidden
// window, receives the program's answers, answers its message boxes and closes its own
// window to end the program. End-to-end tests and host-sim.exe drive it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvex::hostsim {

constexpr const wchar_t* kHostWindowClass = L"Planomat_class";
constexpr const wchar_t* kProgramWindowClass = L"Orvex_Exchange";
constexpr DWORD kDefaultTimeoutMs = 10000;

// How a program instance is started.
struct ProgramOptions {
    std::wstring program;     // path of OrvexExchange.exe
    // Put in front of the program's PATH, where it finds OrvexApi.dll when none lies beside
    // it (the stand-in's folder); empty: PATH as inherited.
    std::wstring rendererFolder;
    std::wstring appData;     // APPDATA for the program; empty: inherited unchanged
    std::wstring journal;     // ORVEX_JOURNAL for the stand-in renderer; empty: no journal
    // Further variables, e.g. ORVEX_FAIL_START; they replace inherited ones of the same name.
    std::vector<std::pair<std::wstring, std::wstring>> variables;
    std::wstring workingFolder; // empty: the program's own folder
};

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct MessageBoxSeen {
    std::wstring caption;
    std::wstring text;
};

class HostSimulator {
public:
    HostSimulator();
    // Closes the host window and ends a program instance that is still running.
    ~HostSimulator();
    HostSimulator(const HostSimulator&) = delete;
    HostSimulator& operator=(const HostSimulator&) = delete;

    // Registers the host's window class and makes its (hidden) top-level window.
    bool openHostWindow();
    // Destroys the host window, as the host does when it closes.
    void closeHostWindow();
    HWND hostWindow() const { return hostWindow_; }

    // Starts the program as the instance this simulator follows. False when it cannot be
    // started (or one is still being followed).
    bool startProgram(const ProgramOptions& options, const std::wstring& word);
    // Starts one more instance with a word and waits for it to end: its exit code, or
    // nothing when it cannot be started or has not ended in time (it is then ended).
    std::optional<DWORD> runInstance(const ProgramOptions& options, const std::wstring& word,
                                     DWORD timeoutMs = kDefaultTimeoutMs);
    bool programRunning() const;
    // The followed program's process (for measuring it), or null.
    HANDLE programProcess() const { return program_.hProcess; }

    // The program's hidden window, once it exists.
    HWND waitForProgramWindow(DWORD timeoutMs = kDefaultTimeoutMs);
    // Posts a message to the program's hidden window (waiting for it to exist).
    bool post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Waits for the program to finish the message it is handling: a message sent from another
    // thread is handled only once the program's thread is back at its message loop. A handler
    // may still work after its answer has been posted (a log line), so a test that wants to see
    // that work waits here after the answer.
    bool waitUntilProgramIsIdle(DWORD timeoutMs = kDefaultTimeoutMs);

    // Messages the host window has received from others, in order of arrival.
    const std::vector<ReceivedMessage>& received() const { return received_; }
    // Waits for a message to reach the host window (one not taken by an earlier wait),
    // pumping the host window's messages meanwhile.
    std::optional<ReceivedMessage> waitForMessage(UINT message, DWORD timeoutMs = kDefaultTimeoutMs);

    // Waits for a message box of the followed program, reads its caption and text, and
    // presses its OK button.
    std::optional<MessageBoxSeen> answerMessageBox(DWORD timeoutMs = kDefaultTimeoutMs);
    // The text of a message box that is showing now, without answering it.
    std::optional<MessageBoxSeen> visibleMessageBox();

    // Waits for the followed program to end: its exit code, or nothing on time-out.
    std::optional<DWORD> waitForExit(DWORD timeoutMs = kDefaultTimeoutMs);
    // Ends the followed program if it still runs (a failed scenario must not leave it behind).
    void endProgram();

    // Handles the host window's messages for a while.
    void pump(DWORD milliseconds);

private:
    static LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool pumpUntil(DWORD timeoutMs, bool (*done)(HostSimulator&, void*), void* context);
    HWND findMessageBox() const;

    HWND hostWindow_ = nullptr;
    PROCESS_INFORMATION program_{};
    std::vector<ReceivedMessage> received_;
    size_t taken_ = 0; // received_ before this index have been returned by waitForMessage
};

// The folder of the running program.
std::wstring ownFolder();
// Where a build and the test pack keep the stand-in renderer: the folder "renderer-standin"
// beside the folder of the running program (which also holds OrvexExchange.exe). Never in
// the program's own folder, where it would take the place of the real renderer.
std::wstring standinFolder();

// "/a/b" (a path on the Linux side of Wine) becomes "Z:\a\b"; other paths are kept.
std::wstring windowsPath(const std::wstring& path);
// The data folder the program uses for a given APPDATA, and the log it writes there.
std::wstring dataFolderFor(const std::wstring& appData);
std::wstring logFileFor(const std::wstring& appData);
// Makes a folder and every missing folder above it.
bool makeFolders(const std::wstring& path);
// A fresh empty folder under the temporary folder, removed with its contents at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& stem = L"orvex-host-sim");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};
bool removeTree(const std::wstring& path);

bool fileExists(const std::wstring& path);
std::optional<std::string> readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, const std::string& bytes);
// The lines of a text file without their line ends (CR LF or LF); empty when missing.
std::vector<std::string> readLines(const std::wstring& path);
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// What a journal of renderer calls amounts to.
struct JournalSummary {
    size_t calls = 0;
    std::map<std::string, size_t> perOperation;
    std::vector<std::string> nodes;     // BeginNode names
    std::vector<std::string> materials; // AddMaterial names
    std::vector<std::string> lights;    // AddLight names
    std::vector<std::string> views;     // AddSimpleSceneView names
    size_t cameras = 0;                 // SendSimpleCamera calls
    std::vector<std::string> deletedNodes;  // DeleteNode names
    std::vector<std::string> removedLights; // RemoveLight names
    std::vector<std::string> normalMaps;    // "Normal Map One" values
    std::vector<std::string> sceneFiles;    // SaveToFiles paths
};
JournalSummary summarizeJournal(const std::vector<std::string>& lines);
// A field of one journal line as text ("" when absent); string values are unescaped.
std::string journalField(const std::string& line, const std::string& key);
std::string formatSummary(const JournalSummary& summary);

} // namespace orvex::hostsim
