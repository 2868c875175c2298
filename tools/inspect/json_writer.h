// A small streaming JSON writer with stable layout: two-space indentation, keys in the order
// written, floats as the shortest text that reads back to the same value (null when not
// finite). Used by the JSON report and the glTF export.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::inspect {

class JsonWriter {
public:
    explicit JsonWriter(bool pretty = true) : pretty_(pretty) {}

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);

    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const std::u16string& text);
    JsonWriter& value(bool b);
    JsonWriter& value(int64_t n);
    JsonWriter& value(uint64_t n);
    JsonWriter& value(int32_t n) { return value(int64_t(n)); }
    JsonWriter& value(uint32_t n) { return value(uint64_t(n)); }
    JsonWriter& value(float f);
    JsonWriter& value(double d);
    JsonWriter& null();
    // A value that is already JSON text, written as it stands.
    JsonWriter& raw(std::string_view json);
    JsonWriter& floats(const float* values, size_t count);

    template <class T>
    JsonWriter& field(std::string_view name, const T& v) {
        key(name);
        return value(v);
    }

    const std::string& text() const { return out_; }

private:
    void beforeValue();
    JsonWriter& close(char bracket);
    void newline();

    std::string out_;
    bool pretty_;
    std::vector<bool> first_; // per open container: no element written yet
    bool afterKey_ = false;
};

// Shortest round-trip decimal text of a float ("0.8", "-0", "1e+20"); "null" when not finite.
std::string floatText(float value);
std::string jsonQuoted(std::string_view utf8);

} // namespace orvex::inspect
