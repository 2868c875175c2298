// The keyed text block reader and the whole-file text reader that feeds it. Numbers are
// matched the way the runtime's formatted input reads them, but by hand: the text is UTF-16
// and the wide scanf of non-Windows systems works on 32-bit units.
#include "core/keyed_block_reader.h"

#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

namespace orvex {

namespace {

constexpr std::u16string_view kStartSuffix = u"_Start";
constexpr std::u16string_view kEndSuffix = u"_End";
constexpr std::u16string_view kObjectStartSuffix = u"_ObjectSTART";
constexpr std::u16string_view kObjectEndSuffix = u"_ObjectEND";

// Indexed by Separator.
constexpr std::u16string_view kSeparatorTexts[] = {u" [", u" ", kObjectStartSuffix};

std::u16string_view separatorText(Separator sep) { return kSeparatorTexts[static_cast<size_t>(sep)]; }

// The first line feed in [p, end), or end. Lines are mostly long runs without one, so four
// units are tested at a time: a 64-bit word of four units holds a line feed exactly when one
// of its 16-bit lanes, xor'ed with the feed, is zero (the borrow test below finds a zero lane
// and never reports one that is not there, whatever the byte order).
const char16_t* findLineFeed(const char16_t* p, const char16_t* end) {
    constexpr uint64_t kFeeds = 0x000A000A000A000Au, kOnes = 0x0001000100010001u, kTops = 0x8000800080008000u;
    const char16_t* const wordsEnd = p + (end - p) / 4 * 4;
    for (; p != wordsEnd; p += 4) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        word ^= kFeeds;
        if (((word - kOnes) & ~word & kTops) != 0) break;
    }
    while (p != end && *p != u'\n') ++p;
    return p;
}

// The white space of the runtime's "C" locale.
bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The units of piece lie at `at` in text, which the caller has checked is long enough. Units
// compare equal exactly when their bytes do, so the piece is compared in one go rather than
// unit by unit.
bool holdsAt(std::u16string_view text, size_t at, std::u16string_view piece) {
    return piece.empty() || std::memcmp(text.data() + at, piece.data(), piece.size() * sizeof(char16_t)) == 0;
}

bool beginsWith(std::u16string_view line, std::u16string_view a, std::u16string_view b,
                std::u16string_view c) {
    return line.size() >= a.size() + b.size() + c.size() && holdsAt(line, 0, a) && holdsAt(line, a.size(), b) &&
           holdsAt(line, a.size() + b.size(), c);
}

bool equalsJoined(std::u16string_view line, std::u16string_view a, std::u16string_view b) {
    return line.size() == a.size() + b.size() && beginsWith(line, a, b, {});
}

// A cursor over one line that matches a scanf pattern piece by piece and never moves
// past the end of the line.
class LineScanner {
public:
    explicit LineScanner(std::u16string_view line) : line_(line) {}

    void skipBlanks() {
        while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
    }

    // One literal piece of the pattern: a blank matches any run of white space (also
    // none), every other character must be there as it stands.
    bool matchLiteral(std::u16string_view pattern) {
        for (char16_t p : pattern) {
            if (isBlank(p)) {
                skipBlanks();
            } else {
                if (pos_ >= line_.size() || line_[pos_] != p) return false;
                ++pos_;
            }
        }
        return true;
    }

    // "%d": optional sign and decimal digits, clamped to the 32-bit range the way strtol
    // clamps a value that does not fit.
    bool readInt(int32_t& value) {
        skipBlanks();
        size_t p = pos_;
        bool negative = false;
        if (p < line_.size() && (line_[p] == u'+' || line_[p] == u'-')) {
            negative = line_[p] == u'-';
            ++p;
        }
        if (p >= line_.size() || !isDigit(line_[p])) return false;
        // Accumulate the magnitude with a saturating limit one above INT32_MAX, so that
        // INT32_MIN itself is reachable.
        constexpr int64_t kLimit = int64_t(INT32_MAX) + 1;
        int64_t magnitude = 0;
        for (; p < line_.size() && isDigit(line_[p]); ++p) {
            if (magnitude < kLimit) magnitude = magnitude * 10 + (line_[p] - u'0');
            if (magnitude > kLimit) magnitude = kLimit;
        }
        if (negative)
            value = static_cast<int32_t>(-magnitude); // -2^31 fits
        else
            value = magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
        pos_ = p;
        return true;
    }

    // "%f": the longest prefix that strtof accepts, taken from the ASCII characters that
    // follow (no float contains anything else).
    bool readFloat(float& value) {
        skipBlanks();
        size_t end = pos_;
        while (end < line_.size() && line_[end] > u' ' && line_[end] < 0x7F) ++end;
        if (end == pos_) return false;
        std::string candidate;
        candidate.reserve(end - pos_);
        for (size_t i = pos_; i < end; ++i) candidate += static_cast<char>(line_[i]);
        const char* begin = candidate.c_str();
        char* stop = nullptr;
        const int savedErrno = errno;
        float read = std::strtof(begin, &stop);
        errno = savedErrno; // out-of-range values are taken as strtof gives them
        if (stop == begin) return false;
        value = read;
        pos_ += static_cast<size_t>(stop - begin);
        return true;
    }

private:
    std::u16string_view line_;
    size_t pos_ = 0;
};

// Matches block prefix + key + separator and then up to n conversions separated by blanks.
template <typename T, typename Read>
void scanNumbers(std::u16string_view line, std::u16string_view prefix, std::u16string_view key,
                 Separator sep, T* targets, int n, Read read) {
    LineScanner scanner(line);
    if (!scanner.matchLiteral(prefix) || !scanner.matchLiteral(key) ||
        !scanner.matchLiteral(separatorText(sep)))
        return;
    for (int i = 0; i < n; ++i) {
        if (i > 0) scanner.skipBlanks();
        if (!read(scanner, targets[i])) return;
    }
}

} // namespace

KeyedBlockReader::KeyedBlockReader(std::u16string_view text, std::u16string_view blockName)
    : text_(text), name_(blockName), inside_(blockName.empty()) {
    if (!name_.empty()) prefix_ = name_ + u"_";
}

bool KeyedBlockReader::nextLine(std::u16string_view& line) {
    if (position_ >= text_.size()) return false;
    const char16_t* const begin = text_.data() + position_;
    const char16_t* const end = text_.data() + text_.size();
    const char16_t* const feed = findLineFeed(begin, end);
    line = std::u16string_view(begin, static_cast<size_t>(feed - begin));
    position_ = static_cast<size_t>(feed - text_.data()) + (feed != end ? 1 : 0);
    return true;
}

bool KeyedBlockReader::isStartMarker(std::u16string_view line) const {
    return !name_.empty() && equalsJoined(line, name_, kStartSuffix);
}

bool KeyedBlockReader::isEndMarker(std::u16string_view line) const {
    return !name_.empty() && equalsJoined(line, name_, kEndSuffix);
}

bool KeyedBlockReader::acceptLine(std::u16string_view line) {
    if (name_.empty()) return true;
    if (isStartMarker(line)) {
        inside_ = true;
        return false;
    }
    if (isEndMarker(line)) {
        inside_ = false;
        return false;
    }
    return inside_;
}

bool KeyedBlockReader::isKeyLine(std::u16string_view line, std::u16string_view key,
                                 Separator sep) const {
    return beginsWith(line, prefix_, key, separatorText(sep));
}

std::optional<std::u16string_view> KeyedBlockReader::afterPrefix(std::u16string_view line) const {
    if (line.size() < prefix_.size() || !holdsAt(line, 0, prefix_)) return std::nullopt;
    return line.substr(prefix_.size());
}

bool KeyedBlockReader::beginsWithKey(std::u16string_view rest, std::u16string_view key, Separator sep) {
    const std::u16string_view separator = separatorText(sep);
    return rest.size() >= key.size() + separator.size() && holdsAt(rest, 0, key) &&
           holdsAt(rest, key.size(), separator);
}

void KeyedBlockReader::readInts(std::u16string_view line, std::u16string_view key, Separator sep,
                                int32_t* targets, int n) const {
    scanNumbers(line, prefix_, key, sep, targets, n,
                [](LineScanner& s, int32_t& v) { return s.readInt(v); });
}

void KeyedBlockReader::readFloats(std::u16string_view line, std::u16string_view key,
                                  Separator sep, float* targets, int n) const {
    scanNumbers(line, prefix_, key, sep, targets, n,
                [](LineScanner& s, float& v) { return s.readFloat(v); });
}

std::u16string KeyedBlockReader::readText(std::u16string_view line, std::u16string_view key) const {
    const size_t testPrefix = prefix_.size() + key.size() + separatorText(Separator::Bracket).size();
    if (!isKeyLine(line, key, Separator::Bracket)) return {};
    std::u16string_view value = line.substr(testPrefix);
    if (!value.empty() && value.back() == u']') value.remove_suffix(1);
    return std::u16string(value);
}

std::optional<std::u16string> KeyedBlockReader::collectObject(std::u16string_view objectName) {
    std::u16string collected;
    int64_t depth = 1;
    std::u16string_view line;
    while (nextLine(line)) {
        if (beginsWith(line, prefix_, objectName, kObjectStartSuffix))
            ++depth;
        else if (beginsWith(line, prefix_, objectName, kObjectEndSuffix))
            --depth;
        if (depth == 0) return collected;
        collected.append(line);
        collected += u'\n';
    }
    return std::nullopt;
}

bool readTextFile(const std::u16string& path, std::u16string& text) {
    text.clear();
    File file(path, "rb");
    if (!file) return false;
    bool ok = true;
    try {
        std::u16string result;
        // A carriage return is held back until the next byte shows whether it starts a
        // CR LF pair, also across the end of a chunk.
        bool pendingReturn = false;
        unsigned char chunk[65536];
        size_t got;
        while ((got = file.read(chunk, sizeof chunk)) > 0) {
            for (size_t i = 0; i < got; ++i) {
                const unsigned char byte = chunk[i];
                if (pendingReturn) {
                    pendingReturn = false;
                    if (byte != '\n') result += u'\r';
                }
                if (byte == '\r')
                    pendingReturn = true;
                else
                    result += static_cast<char16_t>(byte);
            }
        }
        if (pendingReturn) result += u'\r';
        if (file.failed())
            ok = false;
        else
            text = std::move(result);
    } catch (const std::bad_alloc&) {
        ok = false; // larger than the memory we can have
    } catch (const std::length_error&) {
        ok = false;
    }
    if (!ok) text.clear();
    return ok;
}

} // namespace orvex
