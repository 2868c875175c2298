// A block parser as a table: each key of a block once, with its separator and the record
// field it fills, in the order the keys are tested. readKeyedBlock runs the frame every
// block shares (markers, first matching key takes the line, unmatched lines ignored).
#pragma once

#include "core/keyed_block_reader.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace orvex {

// What a key fills in a record of type R.
template <typename R>
struct Target {
    struct Unused {}; // an integer the host writes (the block's version) that nothing uses
    using Int = int32_t R::*;
    using Float = float R::*;
    using Float3 = float (R::*)[3];
    using Text = std::u16string R::*;
    // A nested object (separator ObjectStart): its collected text goes to the function.
    using Object = void (*)(R&, const std::u16string&);
    using Any = std::variant<Unused, Int, Float, Float3, Text, Object>;
};

template <typename R>
struct Key {
    std::u16string_view name;
    Separator separator;
    typename Target<R>::Any target;
};

// Reads the line into the key's target.
template <typename R>
struct ApplyKey {
    using T = Target<R>;
    KeyedBlockReader& reader;
    std::u16string_view line;
    const Key<R>& key;
    R& record;

    void operator()(typename T::Unused) const {}
    void operator()(typename T::Int field) const {
        reader.readInts(line, key.name, key.separator, &(record.*field), 1);
    }
    void operator()(typename T::Float field) const {
        reader.readFloats(line, key.name, key.separator, &(record.*field), 1);
    }
    void operator()(typename T::Float3 field) const {
        reader.readFloats(line, key.name, key.separator, record.*field, 3);
    }
    void operator()(typename T::Text field) const { record.*field = reader.readText(line, key.name); }
    void operator()(typename T::Object add) const {
        // An object still open when the text ends is dropped, and so is the rest of the
        // text: the reader is then at its end.
        if (std::optional<std::u16string> object = reader.collectObject(key.name)) add(record, *object);
    }
};

// The first key (in table order) whose test prefix begins the line; null for none.
template <typename R>
const Key<R>* matchingKey(const KeyedBlockReader& reader, std::u16string_view line,
                          std::type_identity_t<std::span<const Key<R>>> keys) {
    // Every test prefix is the block prefix, a key (never empty) and a separator (never empty):
    // a line that has not even one unit after the block prefix is no key line, and a key whose
    // first unit is not the line's next one is turned away at once.
    const std::optional<std::u16string_view> rest = reader.afterPrefix(line);
    if (!rest || rest->empty()) return nullptr;
    for (const Key<R>& key : keys)
        if (rest->front() == key.name.front() && KeyedBlockReader::beginsWithKey(*rest, key.name, key.separator))
            return &key;
    return nullptr;
}

// Fills record from the lines of text inside the block named blockName (none: every line).
template <typename R>
void readKeyedBlock(std::u16string_view text, std::u16string_view blockName,
                    std::type_identity_t<std::span<const Key<R>>> keys, R& record) {
    KeyedBlockReader reader(text, blockName);
    std::u16string_view line;
    while (reader.nextLine(line)) {
        if (!reader.acceptLine(line)) continue;
        if (const Key<R>* key = matchingKey<R>(reader, line, keys))
            std::visit(ApplyKey<R>{reader, line, *key, record}, key->target);
    }
}

} // namespace orvex
