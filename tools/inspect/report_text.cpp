// The readable summary: one line per header, entry, section, solid, material, light and
// view, with their details indented below.
#include "inspect/report.h"

#include "inspect/json_writer.h"
#include "platform/text.h"

#include <cstdio>

namespace orvex::inspect {

namespace {

class Out {
public:
    void line(int depth, const std::string& text) {
        text_.append(size_t(depth) * 2, ' ');
        text_ += text;
        text_ += '\n';
    }
    std::string text_;
};

std::string q(const std::u16string& text) { return jsonQuoted(toUtf8(text)); }
std::string n(float f) { return floatText(f); }
std::string vec(const float v[3]) { return "(" + n(v[0]) + ", " + n(v[1]) + ", " + n(v[2]) + ")"; }
std::string bounds(const Bounds& b) { return b.empty ? "none" : vec(b.min) + " .. " + vec(b.max); }
std::string plural(uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string property(const PropertyValue& p) {
    std::string value;
    switch (p.kind) {
    case PropertyValue::Kind::String: value = q(p.text); break;
    case PropertyValue::Kind::Float: value = n(p.number); break;
    case PropertyValue::Kind::Integer: value = std::to_string(p.integer); break;
    case PropertyValue::Kind::FloatArray:
        for (float f : p.numbers) value += (value.empty() ? "[" : ", ") + n(f);
        value += "]";
        break;
    }
    return toUtf8(p.name) + " = " + value + (p.generated ? "  (generated at synchronisation)" : "");
}

void camera(Out& out, int depth, const std::string& lead, const CameraRecord& c) {
    out.line(depth, lead + q(c.name) + " id " + q(c.nameId) + ", type " + std::to_string(c.type) + ": eye " +
                        vec(c.eye) + ", target " + vec(c.target) + ", up " + vec(c.up) + ", field of view " +
                        n(c.fieldOfView) + ", near clip " + n(c.nearClip));
}

void viewList(Out& out, int depth, const ViewList& list) {
    const bool inRange = list.active >= 0 && size_t(list.active) < list.views.size();
    out.line(depth, plural(list.views.size(), "view", "views") + ", active " + std::to_string(list.active) +
                        (inRange ? "" : " (no view: no current camera is sent)"));
    for (size_t i = 0; i < list.views.size(); ++i)
        camera(out, depth + 1,
               "[" + std::to_string(i) + "]" + (inRange && i == size_t(list.active) ? " active " : " "),
               list.views[i]);
}

void modelBlock(Out& out, int depth, const ModelBlockInfo& m) {
    std::string sections;
    const auto add = [&](bool present, const std::string& text) {
        if (!present) return;
        sections += (sections.empty() ? "" : ", ") + text;
    };
    add(m.hasMaterials(), plural(m.materials.size(), "material", "materials"));
    add(m.hasLights(), plural(m.lights.size(), "light", "lights"));
    add(m.hasSolids(), plural(m.solids.size(), "solid", "solids"));
    add(m.hasViews(), m.views ? plural(m.views->list.views.size(), "view", "views") : "views");
    out.line(depth, "sections: " + (sections.empty() ? std::string("none") : sections));

    for (const MaterialInfo& mat : m.materials) {
        out.line(depth, "material " + q(mat.record.MaterialID_Name) + " (" + q(mat.record.InterfaceName) +
                            ") at " + std::to_string(mat.offset) + ": " + toUtf8(mat.templateName) + ", " +
                            plural(mat.record.MatExt.size(), "map", "maps"));
        for (const PropertyValue& p : mat.properties) out.line(depth + 1, property(p));
    }
    for (const LightInfo& l : m.lights) {
        const LightRecord& r = l.record;
        out.line(depth, "light " + std::to_string(r.LightSolidID) + " " + q(r.LightName) + " at " +
                            std::to_string(l.offset) + ": " + lightKindName(r.Kind) +
                            (l.knownKind ? "" : " (unknown word " + q(l.kindWord) + ")") +
                            (r.Enabled ? ", enabled" : ", disabled") +
                            (l.sent ? ", sent as " + toUtf8(l.nodeName) : ", not sent"));
        std::string t;
        for (float f : l.transform) t += (t.empty() ? "[" : ", ") + n(f);
        out.line(depth + 1, "transform " + t + "]");
        if (!l.iesPath.empty()) out.line(depth + 1, "IES profile " + q(l.iesPath));
    }
    for (const SolidInfo& s : m.solids) {
        out.line(depth, "solid " + std::to_string(s.id) + " (" + toUtf8(s.nodeName) + ") at " +
                            std::to_string(s.offset) + ": timestamp " + std::to_string(s.timestamp) + ", " +
                            plural(s.parts.size(), "part", "parts") + ", " +
                            plural(s.vertexCount(), "vertex", "vertices") + ", " +
                            plural(s.triangleCount(), "triangle", "triangles") + ", bounds " + bounds(s.bounds()));
        for (const PartInfo& p : s.parts)
            out.line(depth + 1, "part " + q(p.label) + " at " + std::to_string(p.offset) + ": " +
                                    plural(p.vertexCount, "vertex", "vertices") + ", " +
                                    plural(p.triangles, "triangle", "triangles") +
                                    (p.indexed ? ", indexed" : ", unindexed (indices generated)"));
    }
    if (m.views) {
        out.line(depth, "views at " + std::to_string(m.views->offset) + ":");
        viewList(out, depth + 1, m.views->list);
    }
}

void container(Out& out, const ContainerInfo& c) {
    out.line(0, toUtf8(c.name) + ": " + std::to_string(c.size) + " bytes");
    if (c.headerResult == 0) {
        out.line(1, "header not read (see problems)");
        return;
    }
    out.line(1, "header: version " + std::to_string(c.version) + ", header end " + std::to_string(c.headerEnd) +
                    ", reserved word " + std::to_string(c.reservedWord) + ", name " + q(c.headerName) + " (" +
                    std::to_string(c.nameLength) + " units), entry count " + std::to_string(c.entryCount) +
                    "; readHeader gives " + std::to_string(c.headerResult));
    if (c.entries.empty()) out.line(1, "no used entries");
    for (const EntryInfo& e : c.entries) {
        out.line(1, "entry " + std::to_string(e.index) + ": " +
                        (e.kind == 2 ? "model block" : "change directory") + " at " +
                        std::to_string(e.blockOffset) + ", project " + q(e.project) +
                        (e.readByProgram ? " (read by the program)" : " (not read by the program)"));
        if (e.model) modelBlock(out, 2, *e.model);
        if (e.directory) {
            out.line(2, plural(e.directory->lists.size(), "list", "lists") + ":");
            for (const NamedListInfo& l : e.directory->lists) {
                std::string ids;
                for (uint32_t id : l.ids) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
                out.line(3, q(l.name) + " at " + std::to_string(l.offset) +
                                (l.hasIds ? ": [" + ids + "]" : " (passed over by the program)"));
            }
        }
    }
}

} // namespace

std::string problemLine(const Problem& p, const std::u16string& folder) {
    std::string path = toUtf8(folder);
    if (!path.empty() && path != "." && path.back() != '/' && path.back() != '\\')
        path += folder.find(u'\\') != std::u16string::npos ? '\\' : '/';
    if (path == ".") path.clear();
    path += toUtf8(p.file);
    char hex[24];
    std::snprintf(hex, sizeof hex, "%llx", static_cast<unsigned long long>(p.offset));
    const std::string place = p.line ? std::to_string(p.line) : std::to_string(p.offset) + " (0x" + hex + ")";
    return path + ":" + place + ": " + (p.severity == Severity::Warning ? "warning" : "error") + ": " + p.message;
}

std::string textReport(const Inspection& in, bool problemsOnly) {
    Out out;
    if (!problemsOnly) {
        out.line(0, "data folder " + q(in.dataFolder));
        for (const ContainerInfo& c : in.containers) container(out, c);
        if (in.camera) camera(out, 0, toUtf8(in.camera->name) + ": camera ", in.camera->camera);
        if (in.views) {
            out.line(0, toUtf8(in.views->name) + ":");
            viewList(out, 1, in.views->list);
        }
        if (in.syncState) {
            const SyncStateInfo& s = in.syncState.value();
            out.line(0, toUtf8(s.name) + ": source project " + q(s.sourceProject) + ", " +
                            plural(s.solids.size(), "solid", "solids") + ", " +
                            plural(s.materials.size(), "material", "materials") +
                            (s.otherLines ? ", " + plural(s.otherLines, "other line", "other lines") : ""));
            for (const auto& solid : s.solids)
                out.line(1, "solid " + std::to_string(solid.id) + " timestamp " + std::to_string(solid.timestamp));
            for (const auto& m : s.materials)
                out.line(1, "material " + q(m.name) + " timestamp " + std::to_string(m.timestamp) + " index " +
                                std::to_string(m.index));
        }
        if (!in.problems.empty()) out.line(0, "problems:");
    }
    for (const Problem& p : in.problems) out.line(problemsOnly ? 0 : 1, problemLine(p, in.dataFolder));
    out.line(0, plural(in.problems.size(), "problem", "problems"));
    return out.text_;
}

std::string lightKindName(LightKind kind) {
    switch (kind) {
    case LightKind::Point: return "Point";
    case LightKind::Spot: return "Spot";
    case LightKind::Ies: return "Ies";
    case LightKind::Area: return "Area";
    case LightKind::Line: return "Line";
    case LightKind::Led: return "Led";
    case LightKind::Emissive: return "Emissive";
    case LightKind::Camera: return "Camera";
    case LightKind::Uninitialized: return "Uninitialized";
    case LightKind::InvalidParentSolid: return "InvalidParentSolid";
    }
    return "Unknown(" + std::to_string(static_cast<int32_t>(kind)) + ")";
}

} // namespace orvex::inspect
