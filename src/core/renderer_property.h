// One property of a renderer material or light as a value: what a mapping yields and an
// executor sends, so that a record's calls can be read without making them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct RendererProperty {
    enum class Kind { String, Float, Integer, FloatArray };
    std::u16string name;
    Kind kind = Kind::String;
    std::u16string text;
    float number = 0;
    int32_t integer = 0;
    std::vector<float> numbers;
};

inline RendererProperty stringProperty(std::u16string name, std::u16string value) {
    return {std::move(name), RendererProperty::Kind::String, std::move(value), 0, 0, {}};
}
inline RendererProperty floatProperty(std::u16string name, float value) {
    return {std::move(name), RendererProperty::Kind::Float, {}, value, 0, {}};
}
inline RendererProperty intProperty(std::u16string name, int32_t value) {
    return {std::move(name), RendererProperty::Kind::Integer, {}, 0, value, {}};
}
inline RendererProperty floatArrayProperty(std::u16string name, std::vector<float> values) {
    return {std::move(name), RendererProperty::Kind::FloatArray, {}, 0, 0, std::move(values)};
}

} // namespace orvex
