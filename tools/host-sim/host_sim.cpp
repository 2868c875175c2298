// The host simulator's window, program instances, message boxes and files.
#include "host-sim/host_sim.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iterator>

namespace orvex::hostsim {

namespace {

constexpr DWORD kPollMs = 20;
// Stand-in renderer settings are never inherited: a scenario names the ones it wants.
constexpr const wchar_t* kStandinVariables[] = {L"ORVEX_JOURNAL", L"ORVEX_FAIL_START", L"ORVEX_FAIL_SESSION",
                                                L"ORVEX_STATUS_ZERO_AFTER"};

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring variableName(const std::wstring& entry) {
    // Names may start with '=' (the per-drive current folders), so the search starts at 1.
    const size_t equals = entry.find(L'=', 1);
    return entry.substr(0, equals);
}

// A copy of this process's environment with the scenario's variables in place of inherited
// ones. Windows expects the block sorted by name, case ignored.
std::vector<wchar_t> environmentBlock(const ProgramOptions& options) {
    std::vector<std::pair<std::wstring, std::wstring>> overrides = options.variables;
    if (!options.appData.empty()) overrides.emplace_back(L"APPDATA", options.appData);
    if (!options.journal.empty()) overrides.emplace_back(L"ORVEX_JOURNAL", options.journal);
    if (!options.rendererFolder.empty()) {
        std::wstring path(32767, L'\0'); // the longest value a variable can have
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), DWORD(path.size())));
        overrides.emplace_back(L"PATH", windowsPath(options.rendererFolder) + (path.empty() ? L"" : L";" + path));
    }

    auto replaced = [&](const std::wstring& name) {
        for (const wchar_t* v : kStandinVariables)
            if (sameName(name, v)) return true;
        for (const auto& o : overrides)
            if (sameName(name, o.first)) return true;
        return false;
    };

    std::vector<std::wstring> entries;
    if (LPWCH inherited = GetEnvironmentStringsW()) {
        for (const wchar_t* p = inherited; *p; p += wcslen(p) + 1) {
            std::wstring entry(p);
            if (!replaced(variableName(entry))) entries.push_back(entry);
        }
        FreeEnvironmentStringsW(inherited);
    }
    for (const auto& [name, value] : overrides)
        if (!value.empty()) entries.push_back(name + L"=" + value); // an empty value removes it
    std::stable_sort(entries.begin(), entries.end(), [](const std::wstring& a, const std::wstring& b) {
        const std::wstring na = variableName(a), nb = variableName(b);
        return CompareStringOrdinal(na.c_str(), int(na.size()), nb.c_str(), int(nb.size()), TRUE) == CSTR_LESS_THAN;
    });

    std::vector<wchar_t> block;
    for (const auto& e : entries) {
        block.insert(block.end(), e.begin(), e.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    if (entries.empty()) block.push_back(L'\0');
    return block;
}

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool launch(const ProgramOptions& options, const std::wstring& word, PROCESS_INFORMATION& out) {
    const std::wstring program = windowsPath(options.program);
    // The program sees everything after its own name as its command line.
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!word.empty()) commandLine += L" " + word;
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    std::vector<wchar_t> environment = environmentBlock(options);
    const std::wstring folder = options.workingFolder.empty() ? folderOf(program) : options.workingFolder;

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    out = {};
    return CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), folder.empty() ? nullptr : folder.c_str(), &startup, &out) != 0;
}

void closeProcess(PROCESS_INFORMATION& process) {
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    process = {};
}

DWORD processOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

HWND windowOfProcess(const wchar_t* windowClass, DWORD pid, bool visibleOnly) {
    for (HWND w = FindWindowExW(nullptr, nullptr, windowClass, nullptr); w;
         w = FindWindowExW(nullptr, w, windowClass, nullptr))
        if (processOf(w) == pid && (!visibleOnly || IsWindowVisible(w))) return w;
    return nullptr;
}

std::wstring windowText(HWND window) {
    // Asked with a time-out: the window belongs to another process.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    text.resize(std::min<size_t>(copied, length));
    return text;
}

} // namespace

HostSimulator::HostSimulator() = default;

HostSimulator::~HostSimulator() {
    endProgram();
    closeHostWindow();
}

bool HostSimulator::openHostWindow() {
    if (hostWindow_) return true;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kHostWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    hostWindow_ = CreateWindowExW(0, kHostWindowClass, L"Host simulator", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (!hostWindow_) return false;
    SetWindowLongPtrW(hostWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
}

void HostSimulator::closeHostWindow() {
    if (!hostWindow_) return;
    DestroyWindow(hostWindow_);
    hostWindow_ = nullptr;
}

LRESULT CALLBACK HostSimulator::hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HostSimulator*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_USER) {
        self->received_.push_back({message, wParam, lParam});
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool HostSimulator::startProgram(const ProgramOptions& options, const std::wstring& word) {
    if (programRunning()) return false;
    closeProcess(program_);
    return launch(options, word, program_);
}

std::optional<DWORD> HostSimulator::runInstance(const ProgramOptions& options, const std::wstring& word,
                                                DWORD timeoutMs) {
    PROCESS_INFORMATION other{};
    if (!launch(options, word, other)) return std::nullopt;
    struct Context {
        HANDLE process;
    } context{other.hProcess};
    const bool ended = pumpUntil(
        timeoutMs,
        [](HostSimulator&, void* c) {
            return WaitForSingleObject(static_cast<Context*>(c)->process, 0) == WAIT_OBJECT_0;
        },
        &context);
    std::optional<DWORD> result;
    DWORD code = 0;
    if (ended && GetExitCodeProcess(other.hProcess, &code)) result = code;
    if (!ended) {
        TerminateProcess(other.hProcess, 1);
        WaitForSingleObject(other.hProcess, 5000);
    }
    closeProcess(other);
    return result;
}

bool HostSimulator::programRunning() const {
    return program_.hProcess && WaitForSingleObject(program_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND HostSimulator::waitForProgramWindow(DWORD timeoutMs) {
    if (!program_.hProcess) return nullptr;
    HWND found = nullptr;
    pumpUntil(
        timeoutMs,
        [](HostSimulator& self, void* c) {
            *static_cast<HWND*>(c) = windowOfProcess(kProgramWindowClass, self.program_.dwProcessId, false);
            return *static_cast<HWND*>(c) != nullptr || !self.programRunning();
        },
        &found);
    return found;
}

bool HostSimulator::post(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND window = waitForProgramWindow();
    return window && PostMessageW(window, message, wParam, lParam);
}

bool HostSimulator::waitUntilProgramIsIdle(DWORD timeoutMs) {
    const HWND window = waitForProgramWindow(timeoutMs);
    // A program that has ended (its watch tick may end it right after an answer) has done
    // all it will do.
    if (!window) return program_.hProcess && !programRunning();
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0 || !programRunning();
}

std::optional<ReceivedMessage> HostSimulator::waitForMessage(UINT message, DWORD timeoutMs) {
    struct Context {
        UINT message;
        std::optional<size_t> index;
    } context{message, std::nullopt};
    pumpUntil(
        timeoutMs,
        [](HostSimulator& self, void* c) {
            auto* ctx = static_cast<Context*>(c);
            for (size_t i = self.taken_; i < self.received_.size(); ++i)
                if (self.received_[i].message == ctx->message) {
                    ctx->index = i;
                    return true;
                }
            return false;
        },
        &context);
    if (!context.index) return std::nullopt;
    taken_ = *context.index + 1;
    return received_[*context.index];
}

HWND HostSimulator::findMessageBox() const {
    if (!program_.hProcess) return nullptr;
    return windowOfProcess(L"#32770", program_.dwProcessId, true);
}

std::optional<MessageBoxSeen> HostSimulator::visibleMessageBox() {
    const HWND box = findMessageBox();
    if (!box) return std::nullopt;
    MessageBoxSeen seen;
    seen.caption = windowText(box);
    // The message text is the static control with identifier 0xFFFF.
    if (const HWND text = GetDlgItem(box, 0xFFFF)) seen.text = windowText(text);
    return seen;
}

std::optional<MessageBoxSeen> HostSimulator::answerMessageBox(DWORD timeoutMs) {
    pumpUntil(
        timeoutMs, [](HostSimulator& self, void*) { return self.findMessageBox() != nullptr; }, nullptr);
    const HWND box = findMessageBox();
    if (!box) return std::nullopt;
    std::optional<MessageBoxSeen> seen = visibleMessageBox();
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    struct Context {
        HWND box;
    } context{box};
    pumpUntil(
        timeoutMs, [](HostSimulator&, void* c) { return !IsWindow(static_cast<Context*>(c)->box); }, &context);
    return seen;
}

std::optional<DWORD> HostSimulator::waitForExit(DWORD timeoutMs) {
    if (!program_.hProcess) return std::nullopt;
    const bool ended = pumpUntil(
        timeoutMs, [](HostSimulator& self, void*) { return !self.programRunning(); }, nullptr);
    if (!ended) return std::nullopt;
    DWORD code = 0;
    const bool known = GetExitCodeProcess(program_.hProcess, &code) != 0;
    closeProcess(program_);
    if (!known) return std::nullopt;
    return code;
}

void HostSimulator::endProgram() {
    if (programRunning()) {
        TerminateProcess(program_.hProcess, 1);
        WaitForSingleObject(program_.hProcess, 5000);
    }
    closeProcess(program_);
}

void HostSimulator::pump(DWORD milliseconds) {
    pumpUntil(milliseconds, [](HostSimulator&, void*) { return false; }, nullptr);
}

bool HostSimulator::pumpUntil(DWORD timeoutMs, bool (*done)(HostSimulator&, void*), void* context) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done(*this, context)) return true;
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD wait = DWORD(std::min<ULONGLONG>(kPollMs, timeoutMs - elapsed));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

std::wstring ownFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), DWORD(path.size())));
    return folderOf(path);
}

std::wstring standinFolder() { return folderOf(ownFolder()) + L"\\renderer-standin"; }

std::wstring windowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    std::wstring out = L"Z:" + path;
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

std::wstring dataFolderFor(const std::wstring& appData) {
    std::wstring folder = appData;
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder + L"Quorvel\\Planomat2027_OrvexPlugin\\Data";
}

std::wstring logFileFor(const std::wstring& appData) {
    // The log name is appended to the data folder without a separator.
    return dataFolderFor(appData) + L"Orvex_Log.log";
}

bool makeFolders(const std::wstring& path) {
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
        const std::wstring part = path.substr(0, i);
        if (part.empty() || part.back() == L':') continue;
        if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

ScratchFolder::ScratchFolder(const std::wstring& stem) {
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (;;) {
        path_ = base + L"\\" + stem + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return; // path_ then names no folder
    }
}

ScratchFolder::~ScratchFolder() { removeTree(path_); }

bool removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(child);
            else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str()) != 0;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> readFile(const std::wstring& path) {
    std::FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

bool writeFile(const std::wstring& path, const std::string& bytes) {
    std::FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

std::vector<std::string> readLines(const std::wstring& path) {
    std::vector<std::string> lines;
    const auto bytes = readFile(path);
    if (!bytes) return lines;
    size_t start = 0;
    while (start < bytes->size()) {
        size_t end = bytes->find('\n', start);
        if (end == std::string::npos) end = bytes->size();
        std::string line = bytes->substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring out(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size);
    return out;
}

std::string journalField(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    const size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    size_t p = at + marker.size();
    if (p >= line.size()) return {};
    if (line[p] != '"') {
        const size_t end = line.find_first_of(",}", p);
        return line.substr(p, end == std::string::npos ? std::string::npos : end - p);
    }
    std::wstring value;
    for (++p; p < line.size() && line[p] != '"'; ++p) {
        if (line[p] != '\\' || p + 1 >= line.size()) {
            value += wchar_t(static_cast<unsigned char>(line[p]));
            continue;
        }
        const char escaped = line[++p];
        if (escaped == 'u' && p + 4 < line.size()) {
            value += wchar_t(std::strtoul(line.substr(p + 1, 4).c_str(), nullptr, 16));
            p += 4;
        } else {
            value += wchar_t(escaped);
        }
    }
    return toUtf8(value);
}

JournalSummary summarizeJournal(const std::vector<std::string>& lines) {
    JournalSummary summary;
    for (const std::string& line : lines) {
        const std::string op = journalField(line, "op");
        if (op.empty()) continue;
        ++summary.calls;
        ++summary.perOperation[op];
        if (op == "BeginNode") summary.nodes.push_back(journalField(line, "name"));
        else if (op == "AddMaterial") summary.materials.push_back(journalField(line, "name"));
        else if (op == "AddLight") summary.lights.push_back(journalField(line, "name"));
        else if (op == "AddSimpleSceneView") summary.views.push_back(journalField(line, "name"));
        else if (op == "SendSimpleCamera") ++summary.cameras;
        else if (op == "DeleteNode") summary.deletedNodes.push_back(journalField(line, "name"));
        else if (op == "RemoveLight") summary.removedLights.push_back(journalField(line, "name"));
        else if (op == "SaveToFiles") summary.sceneFiles.push_back(journalField(line, "path"));
        else if (op == "SetMaterialStringProperty" && journalField(line, "property") == "Normal Map One")
            summary.normalMaps.push_back(journalField(line, "value"));
    }
    return summary;
}

std::string formatSummary(const JournalSummary& summary) {
    auto list = [](const char* title, const std::vector<std::string>& names) -> std::string {
        if (names.empty()) return "";
        std::string s = std::string(title) + " (" + std::to_string(names.size()) + ")";
        for (size_t i = 0; i < names.size(); ++i) s += (i ? ", " : ": ") + names[i];
        return s + "\n";
    };
    std::string s = "Renderer calls: " + std::to_string(summary.calls) + "\n";
    for (const auto& [op, count] : summary.perOperation) s += "  " + op + " x" + std::to_string(count) + "\n";
    s += list("Nodes", summary.nodes);
    s += list("Materials", summary.materials);
    s += list("Lights", summary.lights);
    s += list("Scene views", summary.views);
    if (summary.cameras) s += "Cameras sent: " + std::to_string(summary.cameras) + "\n";
    s += list("Deleted nodes", summary.deletedNodes);
    s += list("Removed lights", summary.removedLights);
    s += list("Normal maps", summary.normalMaps);
    s += list("Scene file", summary.sceneFiles);
    return s;
}

} // namespace orvex::hostsim
