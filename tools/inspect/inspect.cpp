// Builds an Inspection. Containers are walked by the program's own container reader over the
// file (its read-ahead window and reusable part storage, so that at most one part is held,
// as in the program) and its block walk; the problems are what that reader says about where
// data ran out, and the checks of what it read. The geometry that would reach the renderer is
// taken from the program's part sender through a capturing renderer table; materials and
// lights from the program's own mappings, with the folders of the inspected data folder.
#include "inspect/inspect.h"

#include "core/container_header.h"
#include "core/container_reader.h"
#include "core/data_folder.h"
#include "inspect/capture_renderer.h"
#include "inspect/file_checks.h"
#include "inspect/text_checks.h"
#include "lights/light_block.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "materials/material_mapping.h"
#include "model/block_reader.h"
#include "model/model_block.h"
#include "model/part_storage.h"
#include "model/solid_table.h"
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
#include <cstring>
#include <map>
#include <new>
#include <utility>

namespace orvex::inspect {

namespace {

using namespace layout;

constexpr int32_t kTextureCodes[] = {kDiffuseMap, kNormalMap, kAmbientOcclusionMap, kRoughnessMap, kMetallicMap};

bool endsWith(const std::u16string& text, std::u16string_view tail) {
    return text.size() >= tail.size() && std::u16string_view(text).substr(text.size() - tail.size()) == tail;
}

std::string narrow(const std::u16string& text) { return toUtf8(text); }

// The problems of one file, each at the byte it concerns.
class FileProblems {
public:
    FileProblems(std::vector<Problem>& all, std::u16string file) : all_(all), file_(std::move(file)) {}
    void add(uint64_t at, std::string message) { all_.push_back({file_, at, std::move(message)}); }

private:
    std::vector<Problem>& all_;
    std::u16string file_;
};

void fillMaterial(MaterialInfo& m, FileProblems& problems, const std::u16string& dataFolder) {
    parseMaterialBlock(m.record, m.text);
    m.templateName = chooseTemplate(m.record);
    m.properties = materialProperties(m.record, textureFolder(dataFolder));
    for (int32_t code : kTextureCodes) {
        const std::u16string file = findTextureFile(m.record, code, false);
        if (file.empty() || pathExists(textureFolder(dataFolder) + file)) continue;
        problems.add(m.offset, "texture \"" + narrow(file) + "\" (map type " + std::to_string(code) +
                                   ") is missing from the texture folder");
    }
}

void fillLight(LightInfo& l, FileProblems& problems, const std::u16string& dataFolder) {
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
        problems.add(kindLineAt, "light kind word \"" + narrow(l.kindWord) +
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
            problems.add(l.offset, "IES light " + std::to_string(l.record.LightSolidID) + " names no profile file");
        else if (!pathExists(l.iesPath))
            problems.add(l.offset, "IES profile \"" + narrow(l.record.strIESF_FilePath) +
                                       "\" is missing from the IES folder");
    }
}

// Reports where the program's reader ran out of data, at the word to blame. The values of
// the words are read with a second reader over the same bytes.
void reportOverrun(ContainerReader& reader, ContainerReader& words, uint64_t block, FileProblems& problems) {
    const std::optional<Overrun> o = reader.takeOverrun();
    if (!o) return;
    const std::string what = o->what ? o->what : "data";
    words.seek(o->at);
    const std::string value = std::to_string(words.readU32());
    switch (o->cause) {
    case Overrun::Cause::Read: problems.add(o->at, what + " runs past the end of the file"); break;
    case Overrun::Cause::Count: problems.add(o->at, what + " count " + value + " runs past the end of the file"); break;
    case Overrun::Cause::Length: problems.add(o->at, what + " length " + value + " runs past the end of the file"); break;
    case Overrun::Cause::Offset: {
        // The words that place a table or the arrays after what comes before them.
        const std::string word = what == "part table" ? "solid head length"
                                 : what == "arrays"   ? "part head length"
                                                      : "model block word " + std::to_string((o->at - block) / 4);
        problems.add(o->at, word + " " + value + " puts the " + what + " past the end of the file");
        break;
    }
    }
}

// The records of a model block as the program reads them, checked, with what the program
// would send for them.
class BlockInspection final : public ModelBlockHandler {
public:
    BlockInspection(ContainerReader& reader, ContainerReader& words, uint64_t block, FileProblems& problems,
                    const std::u16string& dataFolder, Geometry geometry)
        : reader_(reader), words_(words), block_(block), problems_(problems), dataFolder_(dataFolder),
          geometry_(geometry) {
        session_.api = &captureApi();
    }
    ModelBlockInfo info;

    // Each record is checked after the reader's overrun while reading it is reported.
    void overrun() { reportOverrun(reader_, words_, block_, problems_); }

    void material(uint64_t at, uint32_t byteLength, std::u16string& text) override {
        overrun();
        MaterialInfo m;
        m.offset = at;
        m.byteLength = byteLength;
        m.text = std::move(text);
        if (byteLength % 2 != 0)
            problems_.add(at, "material text length " + std::to_string(byteLength) + " is odd: the last byte is dropped");
        fillMaterial(m, problems_, dataFolder_);
        info.materials.push_back(std::move(m));
    }
    void light(uint64_t at, std::u16string& text) override {
        overrun();
        LightInfo l;
        l.offset = at;
        l.text = std::move(text);
        fillLight(l, problems_, dataFolder_);
        info.lights.push_back(std::move(l));
    }
    void beginSolid(const SolidHead& head) override {
        overrun();
        SolidInfo s;
        s.offset = head.at;
        s.id = head.id;
        s.timestamp = head.timestamp;
        s.nodeName = SolidNodeName(head.id).view();
        const auto [first, fresh] = seen_.emplace(head.id, head.at);
        if (!fresh && head.idAt < reader_.size())
            problems_.add(head.idAt, "solid id " + std::to_string(head.id) + " repeats the solid at offset " +
                                         std::to_string(first->second));
        info.solids.push_back(std::move(s));
    }
    void part(const PartRecord& record) override {
        checkStorage(record);
        overrun();
        PartInfo p;
        p.offset = record.at;
        p.label = record.label;
        p.positionCount = record.positions.count;
        p.indexed = record.indices.count != 0;
        checkArrays(record);
        // The renderer takes position values by the first count: all of them with indices,
        // whole vertices with the generated ones; the indices as the program's sender gives them.
        const uint32_t values = p.indexed ? p.positionCount : p.positionCount / 3 * 3;
        const float* positions = reinterpret_cast<const float*>(record.positions.data);
        p.vertexCount = values / 3;
        for (uint32_t v = 0; v < p.vertexCount; ++v) p.bounds.add(&positions[size_t(v) * 3]);
        Capture capture;
        capture.keepIndices = geometry_ == Geometry::Kept;
        {
            CaptureScope scope(capture);
            sendPart(session_, record, generated_);
        }
        if (!capture.parts.empty()) {
            p.triangles = capture.parts.back().indexCount / 3;
            p.indices = std::move(capture.parts.back().indices);
        }
        if (geometry_ == Geometry::Kept && values) p.positions.assign(positions, positions + values);
        info.solids.back().parts.push_back(std::move(p));
    }
    void endSolid() override {}
    void views(uint64_t at, std::u16string& text) override {
        overrun();
        ViewsInfo v;
        v.offset = at;
        parseViewsBlock(text, v.list);
        info.views = std::move(v);
    }
    void passedOver(const char* table, uint32_t index, uint64_t slotAt, uint32_t offset) override {
        problems_.add(slotAt, std::string(table) + " entry " + std::to_string(index) + ": offset " +
                                  std::to_string(offset) + " points past the end of the file");
    }

private:
    // The reader hands over an empty array, as the program then sends one, when memory cannot
    // hold it; the inspector must not report such a part as empty, so it stops instead. (An
    // array that ran past the end is empty too, and is what the pending overrun says.)
    void checkStorage(const PartRecord& record) {
        for (const auto& [array, countAt] : {std::pair{&record.positions, record.positionsAt},
                                             std::pair{&record.indices, record.indicesAt}}) {
            if (array->count != 0 || reader_.overrun()) continue;
            words_.seek(countAt);
            if (words_.readU32() != 0) throw std::bad_alloc();
        }
    }

    // Values the renderer cannot draw: positions that are not finite numbers, indices beyond
    // the vertices. Further faults of one array are counted, not listed.
    void checkArrays(const PartRecord& record) {
        constexpr size_t kReportedPerArray = 20;
        const CountedArray& positions = record.positions;
        const CountedArray& indices = record.indices;
        if (positions.count % 3 != 0)
            problems_.add(record.positionsAt, "position count " + std::to_string(positions.count) + " is not a multiple of 3");
        const auto valueAt = [](uint64_t countAt, uint32_t i) { return countAt + 4 + 4 * uint64_t(i); };
        size_t reported = 0, more = 0;
        uint64_t moreAt = 0;
        for (uint32_t i = 0; i < positions.count; ++i) {
            float value;
            std::memcpy(&value, &positions.data[i], 4);
            if (std::isfinite(value)) continue;
            if (reported++ < kReportedPerArray)
                problems_.add(valueAt(record.positionsAt, i), "position value is not a finite number");
            else if (more++ == 0)
                moreAt = valueAt(record.positionsAt, i);
        }
        if (more) problems_.add(moreAt, std::to_string(more) + " more position values from here are not finite numbers");

        if (indices.count % 3 != 0)
            problems_.add(record.indicesAt, "index count " + std::to_string(indices.count) + " is not a multiple of 3");
        const uint32_t vertices = positions.count / 3;
        reported = more = 0;
        for (uint32_t i = 0; i < indices.count; ++i) {
            if (indices.data[i] < vertices) continue;
            if (reported++ < kReportedPerArray)
                problems_.add(valueAt(record.indicesAt, i), "index " + std::to_string(indices.data[i]) +
                                                       " is beyond the vertex count " + std::to_string(vertices));
            else if (more++ == 0)
                moreAt = valueAt(record.indicesAt, i);
        }
        if (more)
            problems_.add(moreAt, std::to_string(more) + " more indices from here are beyond the vertex count " +
                                      std::to_string(vertices));
    }

    ContainerReader& reader_;
    ContainerReader& words_;
    uint64_t block_;
    FileProblems& problems_;
    const std::u16string& dataFolder_;
    Geometry geometry_;
    RendererSession session_;
    std::vector<uint32_t> generated_;
    std::map<uint32_t, uint64_t> seen_; // solid id -> its first record
};

ModelBlockInfo inspectModelBlock(ContainerReader& reader, ContainerReader& words, uint64_t block,
                                 FileProblems& problems, const std::u16string& dataFolder, Geometry geometry) {
    BlockInspection inspection(reader, words, block, problems, dataFolder, geometry);
    words.seek(block);
    for (uint32_t& word : inspection.info.words) word = words.readU32();
    PartStorage storage;
    walkModelBlock(reader, block, storage, inspection);
    inspection.overrun();
    return std::move(inspection.info);
}

// The lists of a change directory, read as the program reads them.
ChangeDirectoryInfo inspectChangeDirectory(ContainerReader& reader, ContainerReader& words, uint64_t directory,
                                           FileProblems& problems) {
    ChangeDirectoryInfo info;
    readChangeDirectory(reader, directory, info.words, [&](ChangeList& list) {
        reportOverrun(reader, words, directory, problems);
        if (list.at >= reader.size())
            problems.add(list.slotAt, "change directory word " + std::to_string((list.slotAt - directory - 4) / 4) +
                                          ": list offset " + std::to_string(list.at - directory) +
                                          " points past the end of the file");
        NamedListInfo named;
        named.offset = list.at;
        named.name = std::move(list.name);
        named.hasIds = named.name == u"Solid" || named.name == u"Material";
        named.ids = std::move(list.ids);
        info.lists.push_back(std::move(named));
    });
    reportOverrun(reader, words, directory, problems);
    return info;
}

void inspectContainer(Inspection& out, const std::u16string& name, FileRole role, Geometry geometry) {
    ContainerInfo info;
    info.name = name;
    // Two readers over the file: the program's walk, and one that looks up the values of the
    // words the problems are reported at without moving the walk.
    ContainerReader reader, words;
    const std::u16string path = dataFilePath(out.dataFolder, name);
    errno = 0;
    if (!reader.open(path, "rb") || !words.open(path, "rb")) {
        out.problems.push_back({name, 0, std::string("the file cannot be read: ") + (errno ? std::strerror(errno) : "error")});
        out.containers.push_back(std::move(info));
        return;
    }
    const uint64_t size = reader.size();
    info.size = size;
    FileProblems problems(out.problems, name);
    // A shorter file is never given to the program's header reader: it would write a fresh
    // header over it.
    if (size < kHeaderSize) {
        problems.add(size, "file is " + std::to_string(size) + " bytes, shorter than its " +
                                       std::to_string(kHeaderSize) + "-byte header");
        info.version = reader.readU32();
        out.containers.push_back(std::move(info));
        return;
    }
    ContainerHeader h;
    const HeaderResult result = readContainerHeader(reader, h);
    info.version = h.version;
    if (result == kHeaderOldVersion) {
        problems.add(kVersionAt, "version " + std::to_string(h.version) + " is below " +
                                     std::to_string(kCurrentVersion) + ": the program reads nothing more");
        out.containers.push_back(std::move(info));
        return;
    }
    info.headerResult = result;
    info.headerEnd = h.headerEnd;
    info.reservedWord = h.reservedWord;
    info.nameLength = h.nameLength;
    info.headerName = h.name;
    info.entryCount = h.entryCount;
    if (h.headerEnd != kHeaderSize)
        problems.add(kHeaderEndAt, "header end is " + std::to_string(h.headerEnd) + ", not " + std::to_string(kHeaderSize));
    if (h.name.size() == kNameUnits)
        problems.add(kNameAt, "header name has no zero unit in its " + std::to_string(kNameUnits) +
                                  " units: the host ends it with one");
    if (h.entryCount < 0)
        problems.add(kEntryCountAt, "entry count is negative (" + std::to_string(h.entryCount) +
                                        "): the program reads no entry");

    const bool headerRead = result == kHeaderRead;
    if (role == FileRole::ModelContainer && h.entries[0].kind != kModelBlockKind)
        problems.add(entryKindAt(0), "entry 0 is not a model block: the program loads no model");

    for (int i = 0; i < kEntrySlots; ++i) {
        const ContainerEntry& e = h.entries[static_cast<size_t>(i)];
        if (e.kind != kModelBlockKind && e.kind != kChangeDirectoryKind) continue;
        // The project of a model entry becomes the session's project name and the sync
        // state's source project: without its zero unit it is the whole field.
        if (e.project.size() == kEntryProjectUnits)
            problems.add(kEntryTableAt + uint64_t(i) * kEntrySize + kEntryProjectAt,
                         "entry " + std::to_string(i) + ": project has no zero unit in its " +
                             std::to_string(kEntryProjectUnits) + " units: the program takes all of them");
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
        if (e.blockOffset < 0 || uint64_t(e.blockOffset) >= size) {
            problems.add(entryBlockOffsetAt(i), "entry " + std::to_string(i) + ": block offset " +
                                                    std::to_string(e.blockOffset) + " lies outside the file (" +
                                                    std::to_string(size) + " bytes)");
        } else if (e.kind == kModelBlockKind) {
            entry.model = inspectModelBlock(reader, words, uint64_t(e.blockOffset), problems, out.dataFolder, geometry);
        } else {
            entry.directory = inspectChangeDirectory(reader, words, uint64_t(e.blockOffset), problems);
        }
        info.entries.push_back(std::move(entry));
    }
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
    parseCameraBlock(text, out.camera.emplace(CameraFileInfo{name, {}}).camera);
}

void inspectViews(Inspection& out, const std::u16string& name) {
    std::u16string text;
    if (!readText(out, name, text)) return;
    checkViewsFile(name, text, out.problems);
    parseViewsBlock(text, out.views.emplace(ViewsFileInfo{name, {}}).list);
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

void inspectFile(Inspection& out, const std::u16string& name, FileRole role, Geometry geometry) {
    switch (role) {
    case FileRole::ModelContainer:
    case FileRole::ChangeContainer: inspectContainer(out, name, role, geometry); break;
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
    for (const PartInfo& p : parts) n += p.triangles;
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

Inspection inspectPath(const std::u16string& path, Geometry geometry) {
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
        inspectFile(out, name, role, geometry);
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
            inspectFile(out, f.name, f.role, geometry);
        else if (kind != FileKind::Missing)
            out.problems.push_back({f.name, 0, "not a regular file (a folder, pipe, device or socket): not read"});
    }
    sortProblems(out.problems);
    return out;
}

} // namespace orvex::inspect
