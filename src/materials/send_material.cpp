// Every call sends the whole material; only the generation of a normal map may be skipped,
// when the provider knows the map generated before to be current.
#include "materials/send_material.h"

#include "materials/material_mapping.h"

namespace orvex {

namespace {

void sendProperty(const RendererSession& session, const std::u16string& material, const RendererProperty& p) {
    const RendererApi& api = *session.api;
    switch (p.kind) {
    case RendererProperty::Kind::String:
        api.ORVEXAPI_SetMaterialStringProperty(session.handle, material.c_str(), p.name.c_str(), p.text.c_str());
        break;
    case RendererProperty::Kind::Float:
        api.ORVEXAPI_SetMaterialFloatProperty(session.handle, material.c_str(), p.name.c_str(), p.number);
        break;
    case RendererProperty::Kind::Integer:
        api.ORVEXAPI_SetMaterialIntProperty(session.handle, material.c_str(), p.name.c_str(), p.integer);
        break;
    case RendererProperty::Kind::FloatArray: break; // materials have none
    }
}

} // namespace

void sendMaterial(const SendContext& context, const MaterialRecord& record) {
    const RendererSession& session = context.session;
    const std::u16string& material = record.MaterialID_Name;
    session.api->ORVEXAPI_AddMaterial(session.handle, material.c_str());
    for (const MaterialEntry& entry : mapMaterial(record, context.textureFolder, context.colorOnly)) {
        if (const RendererProperty* property = std::get_if<RendererProperty>(&entry)) {
            sendProperty(session, material, *property);
            continue;
        }
        const GeneratedNormalMap& map = std::get<GeneratedNormalMap>(entry);
        if (!context.normalMaps || !context.normalMaps->provide(map.source, map.output)) continue;
        for (const RendererProperty& property : generatedMapProperties(map)) sendProperty(session, material, property);
    }
}

} // namespace orvex
