// Builds an Inspection. The container's structure is checked by the inspector's own walk;
// everything read from it goes through the program's readers (readHeader, readModelBlock,
// readCountedText, readIdList) and parsers. The geometry that would reach the renderer is
// taken from the program's reader through a capturing renderer table; materials and lights
// from the program's own mappings, with the folders of the inspected data folder.
#include "inspect/inspect.h"

#include "core/data_folder.h"
#include "inspect/capture_renderer.h"
#include "inspect/container_walk.h"
#include "inspect/file_checks.h"
#include "inspect/text_checks.h"
#include "lights/light_block.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "materials/material_mapping.h"
#include "model/container.h"
#include "model/model_block.h"
#include "model/model_exchange.h"
#include "platform/files.h"
#include "platform/text.h"
#include "records/camera.h"
#include "core/keyed_block_reader.h"
#include "records/views.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>

namespace orvex::inspect {

namespace {

constexpr int32_t kModelBlockKind = 2;
constexpr int32_t kChangeDirectoryKind = 4;
constexpr int32_t kTextureCodes[] = {kDiffuseMap, kNormalMap, kAmbientOcclusionMap, kRoughnessMap, kMetallicMap};

bool endsWith(const std::u16string& text, std::u16string_view tail) {
    return text.size() >= tail.size() && std::u16string_view(text).substr(text.size() - tail.size()) == tail;
}

std::string narrow(const std::u16string& text) { return toUtf8(text); }

void fillGeometry(ModelBlockInfo& info, const Capture& capture, ByteCursor& cursor, uint64_t block) {
    bool agree = !capture.disagreement && capture.expectedParts.empty() &&
                 capture.nodes.size() == info.solids.size();
    for (size_t i = 0; agree && i < info.solids.size(); ++i)
        agree = capture.nodes[i].parts.size() == info.solids[i].parts.size();
    if (!agree) {
        cursor.problem(block, "the inspector's walk and the program's reader disagree about this block's solids");
        return;
    }
    for (size_t i = 0; i < info.solids.size(); ++i) {
        SolidInfo& solid = info.solids[i];
        const CapturedNode& node = capture.nodes[i];
        solid.nodeName = node.name;
        for (size_t k = 0; k < solid.parts.size(); ++k) {
            PartInfo& part = solid.parts[k];
            const CapturedPart& sent = node.parts[k];
            part.label = sent.label;
            part.vertexCount = static_cast<uint32_t>(sent.positions.size() / 3);
            part.positions = sent.positions;
            part.indices = sent.indices;
            for (uint32_t v = 0; v < part.vertexCount; ++v) part.bounds.add(&part.positions[size_t(v) * 3]);
        }
    }
}

void fillMaterial(MaterialInfo& m, ByteCursor& cursor, const std::u16string& dataFolder) {
    parseMaterialBlock(m.record, m.text);
    m.templateName = chooseTemplate(m.record);
    m.properties = materialProperties(m.record, textureFolder(dataFolder));
    for (int32_t code : kTextureCodes) {
        const std::u16string file = findTextureFile(m.record, code, false);
        if (file.empty() || pathExists(textureFolder(dataFolder) + file)) continue;
        cursor.problem(m.offset, "texture \"" + narrow(file) + "\" (map type " + std::to_string(code) +
                                     ") is missing from the texture folder");
    }
}

void fillLight(ModelExchange& ex, LightInfo& l, ByteCursor& cursor, const std::u16string& dataFolder) {
    ex.container.seek(l.offset);
    ex.container.readCountedText(l.text);
    parseLightBlock(l.record, l.text);

    // The kind word itself, which the parser folds into a kind: an unknown word becomes a
    // point light without a word said.
    KeyedBlockReader reader(l.text, u"");
    std::u16string_view line;
    uint64_t kindLineAt = l.offset;
    bool hasKindLine = false;
    while (reader.nextLine(line)) {
        if (!reader.isKeyLine(line, kLightKindKey, Separator::Bracket)) continue;
        hasKindLine = true;
        l.kindWord = reader.readText(line, kLightKindKey);
        kindLineAt = l.offset + 4 + 2 * uint64_t(line.data() - l.text.data());
    }
    l.knownKind = !hasKindLine || isLightKindWord(l.kindWord);
    if (!l.knownKind)
        cursor.problem(kindLineAt, "light kind word \"" + narrow(l.kindWord) +
                                       "\" is unknown: the program takes it as point");

    l.nodeName = lightNodeName(l.record);
    l.sent = isSentLight(l.record);
    // What the light is sent with, or would be if it were sent.
    for (const RendererProperty& p : lightProperties(l.record, iesFolder(dataFolder))) {
        if (p.name == u"transform" && p.numbers.size() == l.transform.size())
            std::copy(p.numbers.begin(), p.numbers.end(), l.transform.begin());
        if (p.name == u"light_template") l.iesPath = p.text;
    }
    if (l.record.Kind == LightKind::Ies) {
        if (l.record.strIESF_FilePath.empty())
            cursor.problem(l.offset, "IES light " + std::to_string(l.record.LightSolidID) + " names no profile file");
        else if (!pathExists(l.iesPath))
            cursor.problem(l.offset, "IES profile \"" + narrow(l.record.strIESF_FilePath) +
                                         "\" is missing from the IES folder");
    }
}

ModelBlockInfo inspectModelBlock(ModelExchange& ex, ContainerWalk& walk, uint64_t block,
                                 const std::u16string& dataFolder) {
    ModelBlockInfo info = walk.modelBlock(block);

    Capture capture;
    for (const SolidInfo& s : info.solids)
        for (const PartInfo& p : s.parts) capture.expectedParts.push_back({p.positionCount, p.indexed});
    {
        CaptureScope scope(capture);
        // Colour-only: the program's reader then looks up no texture, so it generates no
        // normal map while the inspector drives it for the geometry.
        ex.colorOnly = true;
        ex.container.seek(block);
        readModelBlock(ex, block);
    }
    fillGeometry(info, capture, walk.cursor(), block);

    for (MaterialInfo& m : info.materials) fillMaterial(m, walk.cursor(), dataFolder);
    for (LightInfo& l : info.lights) fillLight(ex, l, walk.cursor(), dataFolder);
    if (info.views) {
        ex.container.seek(info.views->offset);
        std::u16string text;
        ex.container.readCountedText(text);
        parseViewsBlock(text, info.views->list);
    }
    return info;
}

// The lists of a change directory, read as the program reads them.
ChangeDirectoryInfo inspectChangeDirectory(ModelExchange& ex, ContainerWalk& walk, uint64_t directory) {
    walk.changeDirectory(directory);
    ChangeDirectoryInfo info;
    ex.container.seek(directory);
    ex.container.readIdList(info.words);
    for (size_t i = 0; i < info.words.size(); i += 2) {
        NamedListInfo list;
        list.offset = directory + info.words[i];
        ex.container.seek(list.offset);
        ex.container.readCountedText(list.name);
        list.hasIds = list.name == u"Solid" || list.name == u"Material";
        if (list.hasIds) ex.container.readIdList(list.ids);
        info.lists.push_back(std::move(list));
    }
    return info;
}

void inspectContainer(Inspection& out, const std::u16string& name, FileRole role) {
    const std::u16string path = dataFilePath(out.dataFolder, name);
    std::string bytes;
    ContainerInfo info;
    info.name = name;
    if (!readWholeFile(path, bytes)) {
        out.problems.push_back({name, 0, "the file cannot be read"});
        out.containers.push_back(std::move(info));
        return;
    }
    info.size = bytes.size();
    ContainerWalk walk(bytes, name, out.problems);
    if (!walk.header()) {
        info.version = walk.cursor().u32At(0);
        out.containers.push_back(std::move(info));
        return;
    }

    ModelExchange ex(captureApi());
    ex.containerPath = path;
    info.headerResult = readHeader(ex);
    if (!ex.container.isOpen()) {
        out.problems.push_back({name, 0, "the program cannot open the file"});
        out.containers.push_back(std::move(info));
        return;
    }
    const ContainerHeader& h = ex.header;
    info.version = h.version;
    info.headerEnd = h.headerEnd;
    info.reservedWord = h.reservedWord;
    info.nameLength = h.nameLength;
    info.headerName = h.name;
    info.entryCount = h.entryCount;

    const bool headerRead = info.headerResult == kHeaderRead;
    if (role == FileRole::ModelContainer && h.entries[0].kind != kModelBlockKind)
        walk.cursor().problem(kEntryTableAt + 2056, "entry 0 is not a model block: the program loads no model");

    for (int i = 0; i < layout::kEntrySlots; ++i) {
        const ContainerEntry& e = h.entries[static_cast<size_t>(i)];
        if (e.kind != kModelBlockKind && e.kind != kChangeDirectoryKind) continue;
        EntryInfo entry;
        entry.index = i;
        entry.kind = e.kind;
        entry.project = e.project;
        entry.blockOffset = e.blockOffset;
        const bool listed = headerRead && h.entryCount >= 0 && i <= h.entryCount;
        if (role == FileRole::ChangeContainer)
            entry.readByProgram = listed && ((i == 0 && e.kind == kChangeDirectoryKind) ||
                                             (i == 1 && e.kind == kModelBlockKind));
        else
            entry.readByProgram = listed && i == 0 && e.kind == kModelBlockKind;
        if (walk.entry(i, e.blockOffset)) {
            const uint64_t block = uint64_t(e.blockOffset);
            if (e.kind == kModelBlockKind)
                entry.model = inspectModelBlock(ex, walk, block, out.dataFolder);
            else
                entry.directory = inspectChangeDirectory(ex, walk, block);
        }
        info.entries.push_back(std::move(entry));
    }
    ex.container.close();
    out.containers.push_back(std::move(info));
}

bool readText(Inspection& out, const std::u16string& name, std::u16string& text) {
    errno = 0;
    if (readTextFile(dataFilePath(out.dataFolder, name), text)) return true;
    out.problems.push_back({name, 0, std::string("the file cannot be read: ") + (errno ? std::strerror(errno) : "error"),
                            Severity::Error, 1});
    return false;
}

void inspectCamera(Inspection& out, const std::u16string& name) {
    std::u16string text;
    if (!readText(out, name, text)) return;
    checkCameraFile(name, text, out.problems);
    CameraFileInfo info;
    info.name = name;
    parseCameraBlock(text, info.camera);
    out.camera = std::move(info);
}

void inspectViews(Inspection& out, const std::u16string& name) {
    std::u16string text;
    if (!readText(out, name, text)) return;
    checkViewsFile(name, text, out.problems);
    ViewsFileInfo info;
    info.name = name;
    parseViewsBlock(text, info.list);
    out.views = std::move(info);
}

// The sync-state file is written by the program for the host and never read back by it;
// its three line forms are taken apart here for the summary.
bool bracketed(std::u16string_view& rest, std::u16string_view lead, std::u16string& value) {
    if (rest.substr(0, lead.size()) != lead) return false;
    rest.remove_prefix(lead.size());
    const size_t close = rest.find(u']');
    if (close == std::u16string_view::npos) return false;
    value.assign(rest.substr(0, close));
    rest.remove_prefix(close + 1);
    return true;
}

bool number(const std::u16string& text, int32_t& value) {
    const std::string s = narrow(text);
    char* end = nullptr;
    if (s.empty() || !(s[0] == '-' || (s[0] >= '0' && s[0] <= '9'))) return false;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 10);
    if (*end != 0 || errno || v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
}

void inspectSyncState(Inspection& out, const std::u16string& name) {
    std::u16string text;
    if (!readText(out, name, text)) return;
    SyncStateInfo info;
    info.name = name;
    KeyedBlockReader reader(text, u"");
    std::u16string_view line;
    uint32_t lineNumber = 0;
    const auto notWritten = [&](const std::string& why) {
        out.problems.push_back({name, 0, why, Severity::Error, lineNumber});
    };
    while (reader.nextLine(line)) {
        ++lineNumber;
        std::u16string_view rest = line;
        std::u16string a, b, c;
        if (line.substr(0, 16) == u"SourceProject: [" && line.back() == u']') {
            if (lineNumber != 1) notWritten("the program writes the SourceProject line once, as the first line");
            info.sourceProject.assign(line.substr(16, line.size() - 17));
            continue;
        }
        if (lineNumber == 1) notWritten("the first line is not the SourceProject line the program writes");
        SyncStateInfo::Solid solid;
        if (bracketed(rest, u"ID3D: [", a) && bracketed(rest, u" TimeStamp: [", b) && rest.empty() &&
            number(a, solid.id) && number(b, solid.timestamp)) {
            info.solids.push_back(solid);
            continue;
        }
        // A material name may hold "]": the timestamp is found from the end of the line.
        const size_t stamp = line.rfind(u"] TimeStamp: [");
        SyncStateInfo::Material material;
        if (line.substr(0, 11) == u"Material: [" && stamp != std::u16string_view::npos && stamp >= 11) {
            material.name.assign(line.substr(11, stamp - 11));
            rest = line.substr(stamp + 1);
            if (bracketed(rest, u" TimeStamp: [", b) && bracketed(rest, u" MatIndex: [", c) && rest.empty() &&
                number(b, material.timestamp) && number(c, material.index)) {
                info.materials.push_back(std::move(material));
                continue;
            }
        }
        ++info.otherLines;
        if (lineNumber != 1)
            notWritten("not a line the program writes (\"ID3D: [id] TimeStamp: [t]\" or "
                       "\"Material: [name] TimeStamp: [t] MatIndex: [i]\")");
    }
    if (lineNumber == 0) notWritten("the file is empty: the program writes at least the SourceProject line");
    out.syncState = std::move(info);
}

// Problems of one file in the order of their lines or offsets; files in the order they were read.
void sortProblems(std::vector<Problem>& problems) {
    std::vector<std::u16string> files;
    for (const Problem& p : problems)
        if (std::find(files.begin(), files.end(), p.file) == files.end()) files.push_back(p.file);
    const auto rank = [&](const Problem& p) { return std::find(files.begin(), files.end(), p.file) - files.begin(); };
    std::stable_sort(problems.begin(), problems.end(), [&](const Problem& a, const Problem& b) {
        return rank(a) != rank(b) ? rank(a) < rank(b) : a.line != b.line ? a.line < b.line : a.offset < b.offset;
    });
}

void inspectFile(Inspection& out, const std::u16string& name, FileRole role) {
    switch (role) {
    case FileRole::ModelContainer:
    case FileRole::ChangeContainer: inspectContainer(out, name, role); break;
    case FileRole::Camera: inspectCamera(out, name); break;
    case FileRole::Views: inspectViews(out, name); break;
    case FileRole::SyncState: inspectSyncState(out, name); break;
    case FileRole::Folder: break;
    }
}

} // namespace

void Bounds::add(const float p[3]) {
    for (int k = 0; k < 3; ++k) {
        if (empty || p[k] < min[k]) min[k] = p[k];
        if (empty || p[k] > max[k]) max[k] = p[k];
    }
    empty = false;
}

void Bounds::add(const Bounds& other) {
    if (other.empty) return;
    add(other.min);
    add(other.max);
}

Bounds SolidInfo::bounds() const {
    Bounds b;
    for (const PartInfo& p : parts) b.add(p.bounds);
    return b;
}

uint64_t SolidInfo::vertexCount() const {
    uint64_t n = 0;
    for (const PartInfo& p : parts) n += p.vertexCount;
    return n;
}

uint64_t SolidInfo::triangleCount() const {
    uint64_t n = 0;
    for (const PartInfo& p : parts) n += p.triangleCount();
    return n;
}

std::vector<PropertyValue> materialProperties(const MaterialRecord& record, const std::u16string& textureFolder) {
    std::vector<PropertyValue> properties;
    for (const MaterialEntry& entry : mapMaterial(record, textureFolder, false)) {
        if (const RendererProperty* property = std::get_if<RendererProperty>(&entry)) {
            properties.push_back({*property});
            continue;
        }
        // Listed where the program sends it once made; nothing is generated here.
        for (const RendererProperty& property : generatedMapProperties(std::get<GeneratedNormalMap>(entry)))
            properties.push_back({property, true});
    }
    return properties;
}

FileRole roleOfName(const std::u16string& name) {
    if (name == u"_model.alm" || endsWith(name, u".alm")) return FileRole::ModelContainer;
    if (name == u"_mod.sm" || endsWith(name, u".sm")) return FileRole::ChangeContainer;
    if (name == u"Views.cam") return FileRole::Views;
    if (name == u"camera.cam" || endsWith(name, u".cam")) return FileRole::Camera;
    if (name == u"_mod.sync" || endsWith(name, u".sync")) return FileRole::SyncState;
    return FileRole::Folder;
}

Inspection inspectPath(const std::u16string& path) {
    Inspection out;
    std::u16string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == u'/' || trimmed.back() == u'\\')) trimmed.pop_back();
    const size_t slash = trimmed.find_last_of(u"/\\");
    const std::u16string name = slash == std::u16string::npos ? trimmed : trimmed.substr(slash + 1);
    const FileRole role = roleOfName(name);

    if (role != FileRole::Folder) {
        out.dataFolder = slash == std::u16string::npos ? u"." : trimmed.substr(0, slash == 0 ? 1 : slash);
        if (!pathExists(dataFilePath(out.dataFolder, name))) {
            out.problems.push_back({name, 0, "the file does not exist"});
            return out;
        }
        inspectFile(out, name, role);
        sortProblems(out.problems);
        return out;
    }

    out.dataFolder = trimmed;
    const struct {
        const char16_t* name;
        FileRole role;
    } files[] = {{u"_model.alm", FileRole::ModelContainer}, {u"_mod.sm", FileRole::ChangeContainer},
                 {u"camera.cam", FileRole::Camera},         {u"Views.cam", FileRole::Views},
                 {u"_mod.sync", FileRole::SyncState}};
    for (const auto& f : files) {
        // Looked at before it is opened: a pipe under one of these names would block the read.
        const FileKind kind = fileKind(dataFilePath(out.dataFolder, f.name));
        if (kind == FileKind::Regular)
            inspectFile(out, f.name, f.role);
        else if (kind != FileKind::Missing)
            out.problems.push_back({f.name, 0, "not a regular file (a folder, pipe, device or socket): not read"});
    }
    sortProblems(out.problems);
    return out;
}

} // namespace orvex::inspect
