// The scene page writer: the template from page_assets with its marks filled in.
#include "inspect/html_page.h"

#include "inspect/gltf_export.h"
#include "inspect/json_writer.h"
#include "inspect/page_assets.h"
#include "inspect/report.h"
#include "platform/files.h"

#include <string_view>

namespace orvex::inspect {

namespace {

// Per triangle the preview writes three vertices of its own (position and normal) and three
// indices.
constexpr uint64_t kPreviewBytesPerTriangle = 3 * (12 + 12) + 3 * 4;

class PageFile {
public:
    explicit PageFile(const std::u16string& path) : file_(path, "wb") {}
    explicit operator bool() const { return bool(file_); }
    void put(std::string_view text) {
        ok_ = ok_ && file_.write(text.data(), text.size());
        bytes_ += text.size();
    }
    // Base64 in pieces, so that a large preview is never held twice.
    void putBase64(std::string_view bytes) {
        static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        out.reserve(65536);
        for (size_t i = 0; i < bytes.size(); i += 3) {
            const size_t n = std::min<size_t>(3, bytes.size() - i);
            uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
            if (n > 1) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
            if (n > 2) v |= uint32_t(uint8_t(bytes[i + 2]));
            out += kDigits[v >> 18 & 63];
            out += kDigits[v >> 12 & 63];
            out += n > 1 ? kDigits[v >> 6 & 63] : '=';
            out += n > 2 ? kDigits[v & 63] : '=';
            if (out.size() >= 65532) {
                put(out);
                out.clear();
            }
        }
        put(out);
    }
    // JSON inside a script element: "<" only occurs in strings, where \u003c says the same
    // without letting a host's text close the element.
    void putScriptJson(std::string_view json) {
        size_t from = 0;
        for (size_t at; (at = json.find('<', from)) != std::string_view::npos; from = at + 1) {
            put(json.substr(from, at - from));
            put("\\u003c");
        }
        put(json.substr(from));
    }
    bool close() { return file_.close() && ok_; }
    uint64_t bytes() const { return bytes_; }

private:
    File file_;
    bool ok_ = true;
    uint64_t bytes_ = 0;
};

// The import map that lets the page's module import three.js from data: URLs.
void putImportMap(PageFile& out) {
    out.put("{\"imports\": {");
    for (size_t i = 0; i < page::kModuleCount; ++i) {
        out.put(i ? ",\n" : "\n");
        out.put("\"");
        out.put(page::kModules[i].name);
        out.put("\": \"data:text/javascript;base64,");
        out.putBase64(page::kModules[i].source);
        out.put("\"");
    }
    out.put("\n}}");
}

// Each solid as one part: its bounding box (12 triangles), labelled like its first part so
// that it keeps that part's material.
void replacePartsByBoxes(Inspection& inspection) {
    for (ContainerInfo& c : inspection.containers)
        for (EntryInfo& e : c.entries) {
            if (!e.model) continue;
            for (SolidInfo& s : e.model->solids) {
                const Bounds b = s.bounds();
                PartInfo box;
                if (!s.parts.empty()) {
                    box.offset = s.parts.front().offset;
                    box.label = s.parts.front().label;
                }
                s.parts.clear();
                if (b.empty) continue;
                for (int corner = 0; corner < 8; ++corner)
                    for (int axis = 0; axis < 3; ++axis)
                        box.positions.push_back(corner >> axis & 1 ? b.max[axis] : b.min[axis]);
                // Two triangles a face, wound outwards; corner bit 0 is x, 1 is y, 2 is z.
                box.indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4,
                               2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};
                box.vertexCount = 8;
                box.positionCount = 24;
                box.indexed = true;
                box.bounds = b;
                s.parts.push_back(std::move(box));
            }
        }
}

} // namespace

uint64_t previewMeshBytes(const Inspection& inspection) {
    uint64_t triangles = 0;
    for (const ContainerInfo& c : inspection.containers)
        for (const EntryInfo& e : c.entries)
            if (e.model)
                for (const SolidInfo& s : e.model->solids) triangles += s.triangleCount();
    return triangles * kPreviewBytesPerTriangle;
}

HtmlPageResult writeHtmlPage(Inspection inspection, const std::u16string& path, uint64_t meshBudget) {
    HtmlPageResult result;
    result.meshBytes = previewMeshBytes(inspection);
    result.boxed = result.meshBytes > meshBudget;
    const std::string report = jsonReport(inspection);
    if (result.boxed) replacePartsByBoxes(inspection);
    GltfExport gltf = exportGltf(inspection);
    result.notes = std::move(gltf.notes);

    JsonWriter meta;
    meta.beginObject();
    meta.field("boxed", result.boxed).field("meshBytes", result.meshBytes).field("meshBudget", meshBudget);
    meta.field("three", std::string(page::kThreeVersion));
    meta.key("notes").beginArray();
    for (const std::string& note : result.notes) meta.value(note);
    meta.endArray();
    meta.endObject();

    PageFile out(path);
    if (!out) return result;
    const std::string_view t = page::kTemplate;
    size_t from = 0;
    for (size_t at; (at = t.find('@', from)) != std::string_view::npos;) {
        out.put(t.substr(from, at - from));
        const size_t end = t.find('@', at + 1);
        const std::string_view mark = end == std::string_view::npos ? "" : t.substr(at, end + 1 - at);
        if (mark == "@STYLE@") out.put(page::kStyle);
        else if (mark == "@IMPORT_MAP@") putImportMap(out);
        else if (mark == "@SCRIPT@") out.put(page::kScript);
        else if (mark == "@PAGE@") out.putScriptJson(meta.text());
        else if (mark == "@REPORT@") out.putScriptJson(report);
        else if (mark == "@GLB@") out.putBase64(gltf.glb);
        else {
            out.put("@");
            from = at + 1;
            continue;
        }
        from = end + 1;
    }
    out.put(t.substr(from));
    result.pageBytes = out.bytes();
    result.written = out.close();
    return result;
}

} // namespace orvex::inspect
