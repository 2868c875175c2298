// The JSON report: the summary's content with the records' fields under the host's names.
#include "inspect/report.h"

#include "inspect/json_writer.h"
#include "records/camera.h"

namespace orvex::inspect {

namespace {

void bounds(JsonWriter& j, const Bounds& b) {
    j.key("bounds");
    if (b.empty) {
        j.null();
        return;
    }
    j.beginObject();
    j.key("min").floats(b.min, 3);
    j.key("max").floats(b.max, 3);
    j.endObject();
}

// Every object with positions says in which axes they are: "host" as the host wrote them,
// "renderer" as the program sends them ((x, y, z) becomes (y, -x, z)). A camera carries both.
void camera(JsonWriter& j, const CameraRecord& c) {
    j.beginObject();
    j.field("name", c.name).field("nameId", c.nameId).field("type", c.type);
    j.field("axes", "host");
    j.field("fieldOfView", c.fieldOfView);
    j.key("eye").floats(c.eye, 3);
    j.key("target").floats(c.target, 3);
    j.key("up").floats(c.up, 3);
    j.field("nearClip", c.nearClip);
    const SimpleCamera sent = toSimpleCamera(c);
    j.key("asSent").beginObject().field("axes", "renderer").field("fieldOfView", sent.fov);
    j.key("eye").floats(sent.eye, 3);
    j.key("target").floats(sent.target, 3);
    j.key("up").floats(sent.up, 3);
    j.endObject();
    j.endObject();
}

void viewList(JsonWriter& j, const ViewList& list) {
    j.field("active", list.active);
    j.key("views").beginArray();
    for (const CameraRecord& c : list.views) camera(j, c);
    j.endArray();
}

void material(JsonWriter& j, const MaterialInfo& m) {
    const MaterialRecord& r = m.record;
    j.beginObject();
    j.field("offset", m.offset).field("byteLength", m.byteLength);
    j.field("MaterialID_Name", r.MaterialID_Name).field("InterfaceName", r.InterfaceName);
    j.field("template", m.templateName);
    j.key("record").beginObject();
    j.field("_nMatDescIndex", r._nMatDescIndex).field("TypeNat", r.TypeNat).field("Transparent", r.Transparent);
    j.field("Bump", r.Bump);
    j.key("Diffuse").floats(r.Diffuse, 3);
    j.field("Diffuse_Logical", r.Diffuse_Logical).field("IOR", r.IOR);
    j.key("Specular").floats(r.Specular, 3);
    j.field("Reflection", r.Reflection).field("m_nContaintTransparent", r.m_nContaintTransparent);
    j.field("AmbientFactor", r.AmbientFactor).field("DiffuseFactor", r.DiffuseFactor);
    j.field("SpecularFactor", r.SpecularFactor).field("Roughness", r.Roughness);
    j.field("SpecularExponent", r.SpecularExponent).field("Anizotropic", r.Anizotropic);
    j.field("Glossy", r.Glossy).field("Fresnel", r.Fresnel).field("EmissiveIntensity", r.EmissiveIntensity);
    j.field("Mat_Flags", r.Mat_Flags).field("MixedColor", r.MixedColor).field("nTimeID", r.nTimeID);
    j.field("emissiveColor", r.emissiveColor).field("emissiveStrength", r.emissiveStrength);
    j.key("MatExt").beginArray();
    for (const ExtendMaterialRecord& e : r.MatExt) {
        j.beginObject();
        j.field("Type", e.Type).field("strFile", e.strFile);
        j.key("Color").floats(e.Color, 3);
        j.field("nAlcolor", e.nAlcolor).field("nFlag", e.nFlag).field("Value", e.Value);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    j.key("properties").beginArray();
    for (const PropertyValue& p : m.properties) {
        j.beginObject();
        j.field("name", p.name);
        switch (p.kind) {
        case PropertyValue::Kind::String: j.field("type", "string").field("value", p.text); break;
        case PropertyValue::Kind::Float: j.field("type", "float").field("value", p.number); break;
        case PropertyValue::Kind::Integer: j.field("type", "int").field("value", p.integer); break;
        case PropertyValue::Kind::FloatArray:
            j.field("type", "floats").key("value").floats(p.numbers.data(), p.numbers.size());
            break;
        }
        if (p.generated) j.field("generated", true);
        j.endObject();
    }
    j.endArray();
    j.endObject();
}

void light(JsonWriter& j, const LightInfo& l) {
    const LightRecord& r = l.record;
    j.beginObject();
    j.field("offset", l.offset).field("LightSolidID", r.LightSolidID).field("LightName", r.LightName);
    j.field("kind", lightKindName(r.Kind)).field("kindWord", l.kindWord).field("knownKind", l.knownKind);
    j.field("enabled", r.Enabled).field("sent", l.sent).field("nodeName", l.nodeName);
    // The light parser itself turns From and To into the renderer's axes.
    j.field("axes", "renderer");
    j.key("transform").floats(l.transform.data(), 16);
    if (!l.iesPath.empty()) j.field("iesPath", l.iesPath);
    j.key("record").beginObject();
    j.key("From").floats(r.From, 3);
    j.key("To").floats(r.To, 3);
    j.key("Color").floats(r.Color, 3);
    j.field("strIESF_FilePath", r.strIESF_FilePath).field("LightTemperature", r.LightTemperature);
    j.field("LightSourceID", r.LightSourceID).field("LightTimeStamp", r.LightTimeStamp);
    j.field("Coneangle", r.Coneangle).field("Conedeltaangle", r.Conedeltaangle).field("Intensity", r.Intensity);
    j.field("fLedIntensitiUnit", r.fLedIntensitiUnit).field("LightFlags", r.LightFlags);
    j.field("LightSourceIDName", r.LightSourceIDName);
    j.endObject();
    j.endObject();
}

void solid(JsonWriter& j, const SolidInfo& s) {
    j.beginObject();
    j.field("offset", s.offset).field("id", s.id).field("timestamp", s.timestamp).field("nodeName", s.nodeName);
    j.field("vertices", s.vertexCount()).field("triangles", s.triangleCount());
    bounds(j, s.bounds());
    j.key("parts").beginArray();
    for (const PartInfo& p : s.parts) {
        j.beginObject();
        j.field("offset", p.offset).field("label", p.label).field("positionCount", p.positionCount);
        j.field("vertices", p.vertexCount).field("triangles", p.triangles).field("indexed", p.indexed);
        bounds(j, p.bounds);
        j.endObject();
    }
    j.endArray();
    j.endObject();
}

void modelBlock(JsonWriter& j, const ModelBlockInfo& m) {
    j.beginObject();
    j.key("words").beginArray();
    for (uint32_t w : m.words) j.value(w);
    j.endArray();
    j.key("materials");
    if (!m.hasMaterials()) {
        j.null();
    } else {
        j.beginArray();
        for (const MaterialInfo& x : m.materials) material(j, x);
        j.endArray();
    }
    j.key("lights");
    if (!m.hasLights()) {
        j.null();
    } else {
        j.beginArray();
        for (const LightInfo& x : m.lights) light(j, x);
        j.endArray();
    }
    j.key("solids");
    if (!m.hasSolids()) {
        j.null();
    } else {
        j.beginArray();
        for (const SolidInfo& x : m.solids) solid(j, x);
        j.endArray();
    }
    j.key("views");
    if (!m.views) {
        j.null();
    } else {
        j.beginObject();
        j.field("offset", m.views->offset);
        viewList(j, m.views->list);
        j.endObject();
    }
    j.endObject();
}

void container(JsonWriter& j, const ContainerInfo& c) {
    j.beginObject();
    j.field("file", c.name).field("size", c.size).field("headerResult", c.headerResult);
    j.key("header");
    if (c.headerResult == 0) {
        j.null();
    } else {
        j.beginObject();
        j.field("version", c.version).field("headerEnd", c.headerEnd).field("reservedWord", c.reservedWord);
        j.field("nameLength", c.nameLength).field("name", c.headerName).field("entryCount", c.entryCount);
        j.endObject();
    }
    j.key("entries").beginArray();
    for (const EntryInfo& e : c.entries) {
        j.beginObject();
        j.field("index", e.index).field("kind", e.kind).field("project", e.project);
        j.field("blockOffset", e.blockOffset).field("readByProgram", e.readByProgram);
        if (e.model) {
            j.key("model");
            modelBlock(j, *e.model);
        }
        if (e.directory) {
            j.key("directory").beginObject();
            j.key("words").beginArray();
            for (uint32_t w : e.directory->words) j.value(w);
            j.endArray();
            j.key("lists").beginArray();
            for (const NamedListInfo& l : e.directory->lists) {
                j.beginObject();
                j.field("offset", l.offset).field("name", l.name);
                j.key("ids");
                if (!l.hasIds) {
                    j.null();
                } else {
                    j.beginArray();
                    for (uint32_t id : l.ids) j.value(id);
                    j.endArray();
                }
                j.endObject();
            }
            j.endArray();
            j.endObject();
        }
        j.endObject();
    }
    j.endArray();
    j.endObject();
}

} // namespace

std::string jsonReport(const Inspection& in) {
    JsonWriter j;
    j.beginObject();
    j.field("dataFolder", in.dataFolder);
    j.key("containers").beginArray();
    for (const ContainerInfo& c : in.containers) container(j, c);
    j.endArray();
    j.key("camera");
    if (in.camera) {
        camera(j, in.camera->camera);
    } else {
        j.null();
    }
    j.key("views");
    if (in.views) {
        j.beginObject();
        viewList(j, in.views->list);
        j.endObject();
    } else {
        j.null();
    }
    j.key("syncState");
    if (in.syncState) {
        const SyncStateInfo& s = in.syncState.value();
        j.beginObject();
        j.field("sourceProject", s.sourceProject);
        j.key("solids").beginArray();
        for (const auto& x : s.solids) j.beginObject().field("id", x.id).field("timestamp", x.timestamp).endObject();
        j.endArray();
        j.key("materials").beginArray();
        for (const auto& x : s.materials)
            j.beginObject().field("name", x.name).field("timestamp", x.timestamp).field("index", x.index).endObject();
        j.endArray();
        j.field("otherLines", s.otherLines);
        j.endObject();
    } else {
        j.null();
    }
    j.key("problems").beginArray();
    for (const Problem& p : in.problems)
    {
        j.beginObject().field("file", p.file);
        if (p.line)
            j.field("line", p.line);
        else
            j.field("offset", p.offset);
        j.field("severity", std::string(p.severity == Severity::Warning ? "warning" : "error")).field("message", p.message);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    return j.text() + "\n";
}

} // namespace orvex::inspect
