// Creates one renderer light from a LightRecord and commits it at once. The other kinds stay
// in the light table.
#include "lights/send_light.h"

#include "platform/text.h"

#include <cmath>

namespace orvex {

std::u16string lightNodeName(const LightRecord& record) {
    return u"Light" + decimal(record.LightSolidID);
}

std::array<float, 16> lightTransform(const float To[3], const float From[3]) {
    // Row vectors: roll about z, then pitch about x, then yaw about y, then the move to
    // From in the fourth row.
    const float yaw = -To[0];
    const float pitch = To[1];
    const float roll = To[2];
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    return {
        cr * cy + sr * sp * sy, sr * cp, sr * sp * cy - cr * sy, 0.0f,
        cr * sp * sy - sr * cy, cr * cp, sr * sy + cr * sp * cy, 0.0f,
        cp * sy,                -sp,     cp * cy,                0.0f,
        From[0],                From[1], From[2],                1.0f,
    };
}

namespace {

std::array<float, 16> pointTransform(const float From[3]) {
    return {
        1.0f,    0.0f,    0.0f,    0.0f,
        0.0f,    1.0f,    0.0f,    0.0f,
        0.0f,    0.0f,    1.0f,    0.0f,
        From[0], From[1], From[2], 1.0f,
    };
}

} // namespace

bool isSentLight(const LightRecord& record) {
    const LightKind kind = record.Kind;
    return (kind == LightKind::Point || kind == LightKind::Spot || kind == LightKind::Ies) && record.Enabled;
}

std::vector<RendererProperty> lightProperties(const LightRecord& record, const std::u16string& iesFolder) {
    // Spot and IES lights point somewhere; a point light has no rotation.
    const bool aimed = record.Kind == LightKind::Spot || record.Kind == LightKind::Ies;
    const std::u16string name = lightNodeName(record);
    std::vector<RendererProperty> properties = {
        stringProperty(u"id", name),
        stringProperty(u"group_id", u"0"),
        stringProperty(u"path", u"Lights/" + name),
        intProperty(u"type", aimed ? 1 : 0),
        stringProperty(u"light_name", record.LightName),
        intProperty(u"brightness_units", 1),
        floatProperty(u"brightness", record.Intensity),
    };

    // A temperature replaces the colour; zero, negative or not-a-number means "use the colour".
    if (record.LightTemperature > 0)
        properties.push_back(floatProperty(u"light_temperature", record.LightTemperature));
    else
        properties.push_back(floatArrayProperty(
            u"light_color", {record.Color[0] * 255.0f, record.Color[1] * 255.0f, record.Color[2] * 255.0f}));

    const std::array<float, 16> transform = aimed ? lightTransform(record.To, record.From) : pointTransform(record.From);
    properties.push_back(floatArrayProperty(u"transform", {transform.begin(), transform.end()}));

    if (record.Kind == LightKind::Spot) {
        // The host's value as written; the renderer's unit is its own business.
        properties.push_back(floatProperty(u"light_cone_angle", record.Coneangle));
    } else if (record.Kind == LightKind::Ies) {
        // The profile is sent whether or not the file exists; the renderer reports nothing back.
        properties.push_back(stringProperty(u"light_template", iesFolder + record.strIESF_FilePath));
    }
    return properties;
}

void sendLight(const SendContext& context, const LightRecord& record) {
    if (!isSentLight(record)) return;
    const RendererApi& api = *context.session.api;
    const RendererHandle h = context.session.handle;
    const std::u16string name = lightNodeName(record);
    const RChar* light = name.c_str();
    api.ORVEXAPI_AddLight(h, light);
    for (const RendererProperty& p : lightProperties(record, context.iesFolder)) {
        switch (p.kind) {
        case RendererProperty::Kind::String:
            api.ORVEXAPI_SetLightStringProperty(h, light, p.name.c_str(), p.text.c_str());
            break;
        case RendererProperty::Kind::Float: api.ORVEXAPI_SetLightFloatProperty(h, light, p.name.c_str(), p.number); break;
        case RendererProperty::Kind::Integer: api.ORVEXAPI_SetLightIntProperty(h, light, p.name.c_str(), p.integer); break;
        case RendererProperty::Kind::FloatArray:
            api.ORVEXAPI_SetLightFloatArrayProperty(h, light, p.name.c_str(), p.numbers.data(),
                                                    static_cast<int64_t>(p.numbers.size()));
            break;
        }
    }
    api.ORVEXAPI_SendLights(h);
}

} // namespace orvex
