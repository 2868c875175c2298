// Creates one renderer light from a LightRecord and commits it at once. Only point, spot
// and IES lights exist in the renderer; the other kinds stay in the light table.
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

void sendLight(const SendContext& context, const LightRecord& record) {
    const RendererSession& session = context.session;
    const LightKind kind = record.Kind;
    if (kind != LightKind::Point && kind != LightKind::Spot && kind != LightKind::Ies) return;
    if (!record.Enabled) return;

    const RendererApi& api = *session.api;
    const RendererHandle h = session.handle;
    const std::u16string name = lightNodeName(record);
    const RChar* light = name.c_str();
    const std::u16string path = u"Lights/" + name;

    api.ORVEXAPI_AddLight(h, light);
    api.ORVEXAPI_SetLightStringProperty(h, light, u"id", light);
    api.ORVEXAPI_SetLightStringProperty(h, light, u"group_id", u"0");
    api.ORVEXAPI_SetLightStringProperty(h, light, u"path", path.c_str());
    api.ORVEXAPI_SetLightIntProperty(h, light, u"type", kind == LightKind::Point ? 0 : 1);
    api.ORVEXAPI_SetLightStringProperty(h, light, u"light_name", record.LightName.c_str());
    api.ORVEXAPI_SetLightIntProperty(h, light, u"brightness_units", 1);
    api.ORVEXAPI_SetLightFloatProperty(h, light, u"brightness", record.Intensity);

    // A temperature replaces the colour; zero, negative or not-a-number means "use the colour".
    if (record.LightTemperature > 0) {
        api.ORVEXAPI_SetLightFloatProperty(h, light, u"light_temperature", record.LightTemperature);
    } else {
        const float rgb[3] = {record.Color[0] * 255.0f, record.Color[1] * 255.0f,
                              record.Color[2] * 255.0f};
        api.ORVEXAPI_SetLightFloatArrayProperty(h, light, u"light_color", rgb, 3);
    }

    const std::array<float, 16> transform =
        kind == LightKind::Point ? pointTransform(record.From) : lightTransform(record.To, record.From);
    api.ORVEXAPI_SetLightFloatArrayProperty(h, light, u"transform", transform.data(), 16);

    if (kind == LightKind::Spot) {
        // The host's value as written; the renderer's unit is its own business.
        api.ORVEXAPI_SetLightFloatProperty(h, light, u"light_cone_angle", record.Coneangle);
    } else if (kind == LightKind::Ies) {
        // The profile is sent whether or not the file exists; the renderer reports nothing back.
        const std::u16string iesPath = context.iesFolder + record.strIESF_FilePath;
        api.ORVEXAPI_SetLightStringProperty(h, light, u"light_template", iesPath.c_str());
    }

    api.ORVEXAPI_SendLights(h);
}

} // namespace orvex
