// One material to the renderer: the template, the fixed sequence of properties, texture
// paths in the texture folder and, where the material asks for one, a generated normal
// map. Every call sends the whole material; only the generation of a normal map may be
// skipped, when the map generated before is known to be current.
#include "materials/send_material.h"

#include "platform/text.h"

#include <cmath>
#include <cstdio>

namespace orvex {

namespace {

constexpr int32_t kDiffuseMap = 1;
constexpr int32_t kNormalMap = 2;
constexpr int32_t kAmbientOcclusionMap = 3;
constexpr int32_t kRoughnessMap = 5;
constexpr int32_t kMetallicMap = 6;
constexpr int32_t kMapInUse = 2; // bit 1 of nFlag
constexpr int32_t kEmissiveMaterial = 17;

std::u16string colorText(uint8_t red, uint8_t green, uint8_t blue) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", red, green, blue);
    return ascii(buffer);
}

// The lowest 8 bits of value x 255 truncated toward zero. Truncation through a 64-bit
// integer is defined for every product below 2^63 in magnitude; any larger product (and
// NaN) has no integer value and gives 0, the low byte x86 produces for such conversions.
// Every float of 2^31 or more is a multiple of 256, so both rules agree wherever both apply.
uint8_t channelByte(float value) {
    const float scaled = value * 255.0f;
    constexpr float kLimit = 9223372036854775808.0f; // 2^63
    if (!(scaled > -kLimit && scaled < kLimit)) return 0;
    return static_cast<uint8_t>(static_cast<uint64_t>(static_cast<int64_t>(scaled)) & 0xFF);
}

struct Sender {
    const RendererSession& session;
    const std::u16string& material;

    void string(const char16_t* property, const std::u16string& value) const {
        session.api->ORVEXAPI_SetMaterialStringProperty(session.handle, material.c_str(), property,
                                                        value.c_str());
    }
    void number(const char16_t* property, float value) const {
        session.api->ORVEXAPI_SetMaterialFloatProperty(session.handle, material.c_str(), property,
                                                       value);
    }
    void integer(const char16_t* property, int32_t value) const {
        session.api->ORVEXAPI_SetMaterialIntProperty(session.handle, material.c_str(), property,
                                                     value);
    }
};

// Generates the normal map of the diffuse texture when the material has a bump strength,
// and sends it. Nothing is sent when generation does not happen or fails.
void sendGeneratedNormalMap(const Sender& send, const SendContext& context, const MaterialRecord& record) {
    if (!context.normalMaps) return;
    if (!(std::fabs(static_cast<double>(record.Bump)) > 0.01)) return;
    const std::u16string diffuse = findTextureFile(record, kDiffuseMap, context.colorOnly);
    if (diffuse.empty()) return;
    // The generated file is written next to its source; a name that would put it anywhere
    // but the texture folder is not used to write files.
    if (!staysInTextureFolder(diffuse)) return;
    const std::u16string source = context.textureFolder + diffuse;
    const std::u16string output = source + u"_Normal.png";
    if (!context.normalMaps->provide(source, output)) return;
    send.string(u"Normal Map One", output);
    send.number(u"normal_value", record.Bump);
}

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// A component made of nothing but full stops and blanks that holds "..": Windows drops
// trailing dots and blanks from names, so ".. " or "..." may still lead upwards.
bool isParentComponent(std::u16string_view component) {
    if (component.find(u"..") == std::u16string_view::npos) return false;
    for (char16_t c : component)
        if (c != u'.' && c != u' ') return false;
    return true;
}

} // namespace

bool staysInTextureFolder(const std::u16string& name) {
    if (name.empty() || isSeparator(name.front())) return false; // rooted, or a UNC "\\" path
    size_t componentStart = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size()) {
            const char16_t c = name[i];
            // A colon is a drive ("X:") or a stream of another file; control characters
            // (a zero unit above all, which ends the path early) have no place in a name.
            if (c == u':' || c < 0x20) return false;
            if (!isSeparator(c)) continue;
        }
        if (isParentComponent(std::u16string_view(name).substr(componentStart, i - componentStart)))
            return false;
        componentStart = i + 1;
    }
    return true;
}

std::u16string chooseTemplate(const MaterialRecord& record) {
    // The alpha test is single precision against the float 0.9; the transparency test is
    // double precision, so a value read from "0.9" (just below 0.9 as a double) counts as
    // transparent. NaN fails both and keeps the custom template.
    if (record.m_nContaintTransparent != 0 && record.Transparent >= 0.9f) return u"template_custom_alpha";
    if (static_cast<double>(record.Transparent) < 0.9) return u"template_transparent";
    return u"template_custom";
}

std::u16string diffuseColorText(const float diffuse[3]) {
    return colorText(channelByte(diffuse[0]), channelByte(diffuse[1]), channelByte(diffuse[2]));
}

std::u16string emissiveColorText(int32_t emissiveColor) {
    const uint32_t packed = static_cast<uint32_t>(emissiveColor); // 0x00BBGGRR
    return colorText(static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8),
                     static_cast<uint8_t>(packed >> 16));
}

std::u16string findTextureFile(const MaterialRecord& record, int32_t code, bool colorOnly) {
    if (colorOnly) return {};
    for (const ExtendMaterialRecord& map : record.MatExt) {
        if (map.Type != code) continue;
        // The first map of a kind decides, whether or not it is in use.
        if (map.nFlag & kMapInUse) return map.strFile;
        return {};
    }
    return {};
}

bool sendTextureProperty(const SendContext& context, const MaterialRecord& record, int32_t code,
                         const std::u16string& property) {
    const std::u16string file = findTextureFile(record, code, context.colorOnly);
    if (file.empty()) return false;
    Sender{context.session, record.MaterialID_Name}.string(property.c_str(), context.textureFolder + file);
    return true;
}

void sendMaterial(const SendContext& context, const MaterialRecord& record) {
    const RendererSession& session = context.session;
    const Sender send{session, record.MaterialID_Name};

    session.api->ORVEXAPI_AddMaterial(session.handle, record.MaterialID_Name.c_str());
    send.string(u"type", chooseTemplate(record));
    send.string(u"name", record.InterfaceName);
    send.number(u"Opacity", 1.0f - record.Transparent);
    send.number(u"Refraction", record.IOR);

    if (record.TypeNat == kEmissiveMaterial) {
        if (!sendTextureProperty(context, record, kDiffuseMap, u"EmissiveMask"))
            send.string(u"Emissive Color", emissiveColorText(record.emissiveColor));
        send.integer(u"EmissiveSwitcher", 1);
        send.number(u"Light", static_cast<float>(record.EmissiveIntensity) / 100.0f);
    }

    if (!sendTextureProperty(context, record, kDiffuseMap, u"Diffuse Map"))
        send.string(u"Diffuse (Color)", diffuseColorText(record.Diffuse));

    if (sendTextureProperty(context, record, kNormalMap, u"Normal Map One"))
        send.number(u"normal_value", record.Bump);
    else
        sendGeneratedNormalMap(send, context, record);

    sendTextureProperty(context, record, kRoughnessMap, u"Roughness Map");
    send.number(u"roughness_value", record.Roughness);
    sendTextureProperty(context, record, kMetallicMap, u"MetallicMap");
    send.number(u"Metallic", record.Reflection);
    sendTextureProperty(context, record, kAmbientOcclusionMap, u"AOMap");

    // Only the kind counts here: the intensity goes out even when the map is not in use
    // and in colour-only mode.
    for (const ExtendMaterialRecord& map : record.MatExt) {
        if (map.Type == kAmbientOcclusionMap) {
            send.number(u"AOIntensity", map.Value);
            break;
        }
    }
}

} // namespace orvex
