// The camera and views checks. Every line is taken through the program's own keyed block
// reader and key tables, in the order its parsers test their keys, so a line reported here
// is one the program reads differently from what the host meant.
#include "inspect/text_checks.h"

#include "platform/text.h"
#include "records/camera.h"
#include "records/views.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orvex::inspect {

namespace {

constexpr size_t kMaxPerFile = 50; // a file of random bytes would otherwise give a line each

// A piece of a line fit for a message: bytes that are not printable are shown as \xNN.
std::string shown(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < 40; ++i) {
        const char16_t c = text[i];
        if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", unsigned(c));
            out += hex;
        } else {
            out += toUtf8(std::u16string_view(&text[i], 1));
        }
    }
    return out + (text.size() > 40 ? "..." : "");
}

// Problems of one file, with line numbers found from where each line lies in the text.
class Reporter {
public:
    Reporter(const std::u16string& file, std::vector<Problem>& problems) : file_(file), problems_(problems) {}
    ~Reporter() {
        if (dropped_)
            problems_.push_back({file_, 0, std::to_string(dropped_) + " more problems in this file are not listed",
                                 Severity::Error, lastLine_});
    }
    void add(uint32_t line, Severity severity, std::string message) {
        lastLine_ = line;
        if (count_++ >= kMaxPerFile) {
            ++dropped_;
            return;
        }
        problems_.push_back({file_, 0, std::move(message), severity, line});
    }
    bool full() const { return count_ > kMaxPerFile * 4; }

private:
    const std::u16string& file_;
    std::vector<Problem>& problems_;
    size_t count_ = 0, dropped_ = 0;
    uint32_t lastLine_ = 1;
};

// Line numbers of the lines a reader hands out, counted as they come.
class LineCounter {
public:
    explicit LineCounter(std::u16string_view text, uint32_t first = 1) : text_(text), line_(first) {}
    uint32_t of(std::u16string_view line) {
        const size_t at = size_t(line.data() - text_.data());
        for (; position_ < at; ++position_)
            if (text_[position_] == u'\n') ++line_;
        return line_;
    }

private:
    std::u16string_view text_;
    size_t position_ = 0;
    uint32_t line_;
};

// How many of n numbers the program's reader takes from the line: read twice over
// different starting values, a number was read where both reads agree.
template <class T, class Read>
int numbersRead(Read read, T* values, int n) {
    T a[3] = {0, 0, 0}, b[3] = {1, 1, 1};
    read(a);
    read(b);
    int got = 0;
    while (got < n && std::memcmp(&a[got], &b[got], sizeof(T)) == 0) ++got;
    std::memcpy(values, a, sizeof(T) * size_t(n));
    return got;
}

// Numbers of a key that are not read, or not finite. Texts and objects are not checked.
template <typename R>
void checkValue(KeyedBlockReader& reader, std::u16string_view line, const Key<R>& key, uint32_t at, Reporter& r) {
    using T = Target<R>;
    const std::string name = toUtf8(reader.blockPrefix()) + toUtf8(key.name);
    const int n = std::holds_alternative<typename T::Float3>(key.target) ? 3 : 1;
    int got = 0;
    bool finite = true;
    if (std::holds_alternative<typename T::Int>(key.target) || std::holds_alternative<typename T::Unused>(key.target)) {
        int32_t v[3];
        got = numbersRead<int32_t>([&](int32_t* t) { reader.readInts(line, key.name, key.separator, t, 1); }, v, 1);
    } else if (n == 3 || std::holds_alternative<typename T::Float>(key.target)) {
        float v[3];
        got = numbersRead<float>([&](float* t) { reader.readFloats(line, key.name, key.separator, t, n); }, v, n);
        for (int i = 0; i < got; ++i) finite = finite && std::isfinite(v[i]);
    } else {
        return;
    }
    std::u16string_view text = line.substr(reader.blockPrefix().size() + key.name.size() + 2);
    if (!text.empty() && text.back() == u']') text.remove_suffix(1);
    const std::string value = shown(text);
    if (got < n)
        r.add(at, Severity::Error,
              name + ": \"" + value + "\" " +
                  (n == 1 ? "is not a number" : "holds " + std::to_string(got) + " of 3 numbers") +
                  ": the program keeps the value it had");
    if (!finite) r.add(at, Severity::Error, name + ": \"" + value + "\" is not a finite number");
}

// Every number of a camera but its type is sent; the type and the names are only carried.
bool neededByCamera(const Key<CameraRecord>& key) {
    using T = Target<CameraRecord>;
    return std::holds_alternative<T::Float>(key.target) || std::holds_alternative<T::Float3>(key.target);
}

// The key word of a line no key took: up to the first blank or bracket.
std::string keyWord(std::u16string_view line) {
    const size_t end = line.find_first_of(u" [");
    return shown(line.substr(0, end));
}

// One camera block. Lines are numbered from `first`; `where` names the block in messages.
void checkCameraBlock(const std::u16string& text, uint32_t first, const std::string& where, Reporter& r,
                      uint32_t missingAt) {
    const std::span<const Key<CameraRecord>> keys = cameraKeys();
    KeyedBlockReader reader(text, kCameraBlockName);
    LineCounter lines(text, first);
    std::vector<bool> seen(keys.size());
    bool started = false;
    uint32_t endLine = 0;
    std::u16string_view line;
    while (reader.nextLine(line) && !r.full()) {
        const uint32_t at = lines.of(line);
        if (reader.isStartMarker(line)) started = true;
        if (reader.isEndMarker(line)) endLine = at;
        if (!reader.acceptLine(line) || reader.isStartMarker(line)) {
            // Before the first start marker nothing is read at all, which is reported once.
            if (started && !reader.isEndMarker(line) && !reader.isStartMarker(line) && !line.empty())
                r.add(at, Severity::Warning, where + "line after Camera_End is ignored");
            continue;
        }
        const Key<CameraRecord>* key = matchingKey<CameraRecord>(reader, line, keys);
        if (!key) {
            if (!line.empty())
                r.add(at, Severity::Warning, where + "unknown key \"" + keyWord(line) + "\" is ignored");
            continue;
        }
        seen[size_t(key - keys.data())] = true;
        checkValue(reader, line, *key, at, r);
    }
    if (!started) {
        r.add(missingAt, Severity::Error, where + "no Camera_Start line: the program reads nothing from it");
        return;
    }
    for (size_t k = 0; k < keys.size(); ++k)
        if (neededByCamera(keys[k]) && !seen[k])
            r.add(endLine ? endLine : missingAt, Severity::Error,
                  where + "no Camera_" + toUtf8(keys[k].name) + " line: the program sends 0");
}

} // namespace

void checkCameraFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems) {
    Reporter r(file, problems);
    checkCameraBlock(text, 1, "", r, 1);
}

void checkViewsFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems) {
    Reporter r(file, problems);
    KeyedBlockReader reader(text, kViewsBlockName);
    LineCounter lines(text);
    bool started = false;
    int32_t active = 0;
    uint32_t activeLine = 1;
    size_t views = 0;
    std::u16string_view line;
    while (reader.nextLine(line) && !r.full()) {
        const uint32_t at = lines.of(line);
        started = started || reader.isStartMarker(line);
        if (!reader.acceptLine(line) || reader.isStartMarker(line)) {
            if (started && !reader.isEndMarker(line) && !reader.isStartMarker(line) && !line.empty())
                r.add(at, Severity::Warning, "line after Cameras_End is ignored");
            continue;
        }
        const Key<ViewList>* key = matchingKey<ViewList>(reader, line, viewsKeys());
        if (!key) {
            if (!line.empty()) r.add(at, Severity::Warning, "unknown key \"" + keyWord(line) + "\" is ignored");
        } else if (key->separator != Separator::ObjectStart) {
            checkValue(reader, line, *key, at, r);
            const auto* field = std::get_if<Target<ViewList>::Int>(&key->target);
            if (field && *field == &ViewList::active) {
                reader.readInts(line, key->name, key->separator, &active, 1);
                activeLine = at;
            }
        } else {
            const std::optional<std::u16string> object = reader.collectObject(key->name);
            if (!object) {
                r.add(at, Severity::Error, "view without its Cameras_Camera_ObjectEND line: the program drops it");
                break;
            }
            checkCameraBlock(*object, at + 1, "view " + std::to_string(views) + ": ", r, at);
            ++views;
        }
    }
    if (!started) r.add(1, Severity::Error, "no Cameras_Start line: the program reads no view");
    else if (views > 0 && active >= 0 && size_t(active) >= views)
        r.add(activeLine, Severity::Warning,
              "active view " + std::to_string(active) + " is not one of the " + std::to_string(views) +
                  " views: no current camera is sent");
}

} // namespace orvex::inspect
