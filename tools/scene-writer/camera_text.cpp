// Camera and views block text in the host's line forms.
#include "scene-writer/camera_text.h"

#include "platform/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace orvex::scene {

namespace {

// The shortest "%g" text that reads back to the same float, sign of zero included: "20"
// rather than the "2e+01" that the lowest precision gives.
std::u16string floatText(float value) {
    std::string best;
    char buffer[32];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, static_cast<double>(value));
        const float back = std::strtof(buffer, nullptr);
        const bool same = back == value && std::signbit(back) == std::signbit(value);
        if (same && (best.empty() || std::strlen(buffer) < best.size())) best = buffer;
    }
    if (best.empty()) best = buffer; // NaN never reads back equal; keep the widest text
    return ascii(best);
}

std::u16string tripleText(const float v[3]) {
    return floatText(v[0]) + u" " + floatText(v[1]) + u" " + floatText(v[2]);
}

void addLine(std::u16string& text, std::u16string_view prefix, std::u16string_view key,
             const std::u16string& value) {
    text += prefix;
    text += key;
    text += u" [";
    text += value;
    text += u"]\n";
}

} // namespace

std::u16string cameraBlockText(const CameraRecord& camera, int32_t version) {
    constexpr std::u16string_view p = u"Camera_";
    std::u16string text = u"Camera_Start\n";
    addLine(text, p, u"Version", decimal(version));
    addLine(text, p, u"nType", decimal(camera.type));
    addLine(text, p, u"_fov", floatText(camera.fieldOfView));
    addLine(text, p, u"Name", camera.name);
    addLine(text, p, u"_from", tripleText(camera.eye));
    addLine(text, p, u"_to", tripleText(camera.target));
    addLine(text, p, u"_up", tripleText(camera.up));
    addLine(text, p, u"_fNerClipp", floatText(camera.nearClip));
    addLine(text, p, u"Name_ID", camera.nameId);
    text += u"Camera_End\n";
    return text;
}

std::u16string viewsBlockText(const ViewList& views, int32_t version) {
    constexpr std::u16string_view p = u"Cameras_";
    std::u16string text = u"Cameras_Start\n";
    addLine(text, p, u"Version", decimal(version));
    addLine(text, p, u"nActCamera", decimal(views.active));
    for (const CameraRecord& view : views.views) {
        text += u"Cameras_Camera_ObjectSTART\n";
        text += cameraBlockText(view);
        text += u"Cameras_Camera_ObjectEND\n";
    }
    text += u"Cameras_End\n";
    return text;
}

std::string hostFileBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (char16_t unit : text) {
        if (unit == u'\n') bytes += '\r';
        bytes += unit <= 0xFF ? static_cast<char>(unit) : '?';
    }
    return bytes;
}

} // namespace orvex::scene
