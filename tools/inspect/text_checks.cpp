// The camera and views checks. Every line is taken through the program's own keyed block
// reader, in the order its parsers test their keys, so a line reported here is one the
// program reads differently from what the host meant.
#include "inspect/text_checks.h"

#include "core/keyed_block_reader.h"
#include "platform/text.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace orvex::inspect {

namespace {

enum class Value { Int, Float, Float3, Text };

struct Key {
    std::u16string_view name;
    Value value;
    bool needed; // the camera sent to the renderer is wrong without it
};

// The camera parser's keys, in its test order. The type and the names are carried but not
// needed for the camera itself.
constexpr Key kCameraKeys[] = {
    {u"Version", Value::Int, false},  {u"nType", Value::Int, false},    {u"_fov", Value::Float, true},
    {u"Name", Value::Text, false},    {u"_from", Value::Float3, true},  {u"_to", Value::Float3, true},
    {u"_up", Value::Float3, true},    {u"_fNerClipp", Value::Float, true}, {u"Name_ID", Value::Text, false},
};
constexpr Key kViewsKeys[] = {{u"Version", Value::Int, false}, {u"nActCamera", Value::Int, false}};

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

void checkValue(KeyedBlockReader& reader, std::u16string_view line, const Key& key, uint32_t at, Reporter& r) {
    const std::string name = toUtf8(reader.blockPrefix()) + toUtf8(key.name);
    const int n = key.value == Value::Float3 ? 3 : 1;
    int got = 0;
    bool finite = true;
    if (key.value == Value::Int) {
        int32_t v[3];
        got = numbersRead<int32_t>([&](int32_t* t) { reader.readInts(line, key.name, Separator::Bracket, t, 1); }, v, 1);
    } else if (key.value != Value::Text) {
        float v[3];
        got = numbersRead<float>([&](float* t) { reader.readFloats(line, key.name, Separator::Bracket, t, n); }, v, n);
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

// The key word of a line no key took: up to the first blank or bracket.
std::string keyWord(std::u16string_view line) {
    const size_t end = line.find_first_of(u" [");
    return shown(line.substr(0, end));
}

// One camera block. Lines are numbered from `first`; `where` names the block in messages.
void checkCameraBlock(const std::u16string& text, uint32_t first, const std::string& where, Reporter& r,
                      uint32_t missingAt) {
    KeyedBlockReader reader(text, u"Camera");
    LineCounter lines(text, first);
    bool seen[std::size(kCameraKeys)] = {};
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
        size_t k = 0;
        while (k < std::size(kCameraKeys) && !reader.isKeyLine(line, kCameraKeys[k].name, Separator::Bracket)) ++k;
        if (k == std::size(kCameraKeys)) {
            if (!line.empty())
                r.add(at, Severity::Warning, where + "unknown key \"" + keyWord(line) + "\" is ignored");
            continue;
        }
        seen[k] = true;
        checkValue(reader, line, kCameraKeys[k], at, r);
    }
    if (!started) {
        r.add(missingAt, Severity::Error, where + "no Camera_Start line: the program reads nothing from it");
        return;
    }
    for (size_t k = 0; k < std::size(kCameraKeys); ++k)
        if (kCameraKeys[k].needed && !seen[k])
            r.add(endLine ? endLine : missingAt, Severity::Error,
                  where + "no Camera_" + toUtf8(kCameraKeys[k].name) + " line: the program sends 0");
}

} // namespace

void checkCameraFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems) {
    Reporter r(file, problems);
    checkCameraBlock(text, 1, "", r, 1);
}

void checkViewsFile(const std::u16string& file, const std::u16string& text, std::vector<Problem>& problems) {
    Reporter r(file, problems);
    KeyedBlockReader reader(text, u"Cameras");
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
        const Key* key = nullptr;
        for (const Key& k : kViewsKeys)
            if (!key && reader.isKeyLine(line, k.name, Separator::Bracket)) key = &k;
        if (key) {
            checkValue(reader, line, *key, at, r);
            if (key->name == u"nActCamera") {
                reader.readInts(line, key->name, Separator::Bracket, &active, 1);
                activeLine = at;
            }
        } else if (reader.isKeyLine(line, u"Camera", Separator::ObjectStart)) {
            const std::optional<std::u16string> object = reader.collectObject(u"Camera");
            if (!object) {
                r.add(at, Severity::Error, "view without its Cameras_Camera_ObjectEND line: the program drops it");
                break;
            }
            checkCameraBlock(*object, at + 1, "view " + std::to_string(views) + ": ", r, at);
            ++views;
        } else if (!line.empty()) {
            r.add(at, Severity::Warning, "unknown key \"" + keyWord(line) + "\" is ignored");
        }
    }
    if (!started) r.add(1, Severity::Error, "no Cameras_Start line: the program reads no view");
    else if (views > 0 && active >= 0 && size_t(active) >= views)
        r.add(activeLine, Severity::Warning,
              "active view " + std::to_string(active) + " is not one of the " + std::to_string(views) +
                  " views: no current camera is sent");
}

} // namespace orvex::inspect
