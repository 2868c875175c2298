// Each line opens the log, appends and closes it again, so the host (and a second
// instance) can read or share the file at any time. Lines end in CR LF on every system.
#include "core/log.h"

#include "core/data_folder.h"
#include "platform/files.h"
#include "platform/text.h"

#include <cstdio>
#include <ctime>

namespace orvex {

namespace {

bool rotationChecked8 = false;
bool rotationChecked16 = false;

uint64_t measure(const std::u16string& path) {
    File f(path, "rb");
    return f ? f.seekEnd() : 0;
}

// Moves a log past the limit to the previous-log path. A failure on the way (a locked file,
// say) leaves the log where it is and the line goes to it; the program never stops for it.
void rotateOnce(bool& checked, const std::u16string& path) {
    if (checked) return;
    checked = true;
    if (measure(path) <= uint64_t(kLogRotationLimit)) return;
    const std::u16string previous = path + u"Old";
    if (pathExists(previous)) removePath(previous);
    if (copyFile(path, previous)) removePath(path);
}

bool utcNow(std::tm& out) {
    const std::time_t now = std::time(nullptr);
#ifdef _WIN32
    return gmtime_s(&out, &now) == 0;
#else
    return gmtime_r(&now, &out) != nullptr;
#endif
}

// Writes as a text-mode stream on Windows would: every line feed, the line's own and any
// inside the logged text, is stored as CR LF.
void appendLine(const std::u16string& path, const std::string& line) {
    std::string bytes;
    bytes.reserve(line.size() + 2);
    for (char c : line) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    File f(path, "ab");
    if (f) f.write(bytes.data(), bytes.size()); // otherwise the line is lost, as any that cannot be written
}

} // namespace

std::u16string logFilePath() { return getDataFolder() + u"Orvex_Log.log"; }

void writeLog(std::string text) {
    const std::u16string path = logFilePath();
    rotateOnce(rotationChecked8, path);
    std::tm t{};
    std::string line;
    if (utcNow(t)) {
        char stamp[64];
        std::strftime(stamp, sizeof stamp, "%Y. %m. %d - %H:%M:%S", &t);
        line = std::string("[") + stamp + "]: " + text + "\n";
    } else {
        line = text + "\n";
    }
    appendLine(path, line);
}

void writeLogW(std::u16string text) {
    const std::u16string path = logFilePath();
    rotateOnce(rotationChecked16, path);
    // Units up to U+00FF are written as one byte each, as the runtime's default locale
    // does; anything above becomes '?'.
    std::tm t{};
    std::string line;
    if (utcNow(t)) {
        char stamp[64];
        std::strftime(stamp, sizeof stamp, "%Y/%m/%d %H:%M:%S", &t);
        line = std::string("[") + stamp + "]: " + narrowLatin1(text) + "\n";
    } else {
        line = narrowLatin1(text) + "\n";
    }
    appendLine(path, line);
}

void resetLogRotation() {
    rotationChecked8 = false;
    rotationChecked16 = false;
}

} // namespace orvex
