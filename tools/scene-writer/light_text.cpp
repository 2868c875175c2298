// Light block text in the host's line forms.
#include "scene-writer/light_text.h"

#include "platform/text.h"

#include <charconv>
#include <string_view>

namespace orvex::scene {

std::u16string lightKindWord(LightKind kind) {
    switch (kind) {
    case LightKind::Point: return u"point";
    case LightKind::Spot: return u"spot";
    case LightKind::Ies: return u"IES";
    case LightKind::Area: return u"Area";
    case LightKind::Line: return u"Line";
    case LightKind::Led: return u"Led";
    case LightKind::Emissive: return u"Emissive";
    case LightKind::Camera: return u"Camera";
    case LightKind::Uninitialized: return u"Uninitialized";
    case LightKind::InvalidParentSolid: return u"eInvalidLightParentSolidID";
    }
    return u"point";
}

std::u16string hostFloat(float value) {
    // Plain decimal notation, never an exponent; 128 characters hold the longest float.
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return ascii(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

namespace {

std::u16string triple(const float v[3]) {
    return hostFloat(v[0]) + u" " + hostFloat(v[1]) + u" " + hostFloat(v[2]);
}

std::u16string line(std::u16string_view key, const std::u16string& value) {
    std::u16string out(key);
    out += u" [";
    out += value;
    out += u"]\n";
    return out;
}

} // namespace

std::u16string lightBlockText(const LightRecord& host, int32_t version) {
    std::u16string text = u"Ver " + decimal(version) + u"\n";
    text += line(u"LightFlags", decimal(host.LightFlags));
    text += line(u"LightSource", lightKindWord(host.Kind));
    text += line(u"LightSourceIDName", host.LightSourceIDName);
    text += line(u"From", triple(host.From));
    text += line(u"To", triple(host.To));
    text += line(u"Color", triple(host.Color));
    text += line(u"Coneangle", hostFloat(host.Coneangle));
    text += line(u"Conedeltaangle", hostFloat(host.Conedeltaangle));
    text += line(u"Intensity", hostFloat(host.Intensity));
    text += line(u"fLedIntensitiUnit", hostFloat(host.fLedIntensitiUnit));
    text += line(u"LightTimeStamp:", decimal(host.LightTimeStamp));
    text += line(u"LightName", host.LightName);
    text += line(u"strIESF_FilePath", host.strIESF_FilePath);
    text += line(u"LightTemperature", hostFloat(host.LightTemperature));
    text += line(u"LightEnable:", host.Enabled ? u"1" : u"0");
    text += line(u"LightSourceID", decimal(host.LightSourceID));
    text += line(u"LightSolidID", decimal(host.LightSolidID));
    return text;
}

} // namespace orvex::scene
