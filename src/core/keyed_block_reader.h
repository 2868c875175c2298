// The one reader of the host's keyed text blocks (camera, views, material, extended
// material, light): lines cut at line feeds with nothing trimmed, exact marker lines,
// key lines recognised by their test prefix, numbers read by scanf rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvex {

// The separator that belongs to a key's test prefix.
enum class Separator {
    Bracket,     // " ["
    Blank,       // " "
    ObjectStart, // "_ObjectSTART": the key names a nested object
};

class KeyedBlockReader {
public:
    // blockName empty: no markers, keys stand bare and every line is inside the block.
    KeyedBlockReader(std::u16string_view text, std::u16string_view blockName);

    // The next line without its line feed; false at the end of the text. A last line
    // without a line feed is still returned; an empty text has no lines.
    bool nextLine(std::u16string_view& line);

    bool isStartMarker(std::u16string_view line) const;
    bool isEndMarker(std::u16string_view line) const;
    // Applies the marker rules to a line and reports whether it is to be tested against
    // the keys: a start marker enters the block, an end marker leaves it, other lines count
    // only inside. Without a block name every line counts.
    bool acceptLine(std::u16string_view line);

    // The line begins with block prefix + key + separator.
    bool isKeyLine(std::u16string_view line, std::u16string_view key, Separator sep) const;
    // The same test in two steps, for testing many keys against one line with the block
    // prefix compared once: the line after the block prefix (nothing when the line does not
    // begin with it, and so is no key line), then whether that begins with key + separator.
    std::optional<std::u16string_view> afterPrefix(std::u16string_view line) const;
    static bool beginsWithKey(std::u16string_view afterPrefix, std::u16string_view key, Separator sep);

    // Reads up to n numbers from the whole line against the pattern block prefix + key +
    // separator form ("[" only for Bracket) + n conversions separated by blanks. Reading
    // stops at the first number that cannot be read; earlier targets keep their new values,
    // later ones their old values. Never fails.
    void readInts(std::u16string_view line, std::u16string_view key, Separator sep,
                  int32_t* targets, int n) const;
    void readFloats(std::u16string_view line, std::u16string_view key, Separator sep,
                    float* targets, int n) const;
    // The rest of the line after block prefix + key + " [", with one "]" removed when it is
    // the last character.
    std::u16string readText(std::u16string_view line, std::u16string_view key) const;

    // Called on a key line of objectName with the separator ObjectStart: reads further
    // lines up to the matching "_ObjectEND" line (nested pairs of the same name count) and
    // returns the lines between, each followed by a line feed. Nothing when the text ends
    // first (the object is dropped and the reader is at the end).
    std::optional<std::u16string> collectObject(std::u16string_view objectName);

    const std::u16string& blockPrefix() const { return prefix_; }

private:
    std::u16string_view text_;
    size_t position_ = 0;
    std::u16string name_;
    std::u16string prefix_;
    bool inside_;
};

// Reads a whole file as text: each byte becomes one UTF-16 unit of the same value and each
// CR LF pair becomes LF. False (and empty text) when the file cannot be opened.
bool readTextFile(const std::u16string& path, std::u16string& text);

} // namespace orvex
