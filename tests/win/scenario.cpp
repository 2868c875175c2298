// The shared scenario fixture and the expected-line builders.
#include "scenario.h"

#include "renderer-standin/journal.h"

#include <algorithm>
#include <regex>

namespace orvex::scenario {

using namespace hostsim;

namespace {

// The stand-in renderer's session handle.
constexpr const char* kHandle = "24149";

std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

} // namespace

Line::Line(const char* op) { text_ = std::string("{\"op\":\"") + op + "\""; }

Line& Line::handle() { return raw("h", kHandle); }

Line& Line::str(const char* key, const std::u16string& value) { return raw(key, journal::jsonString(value.c_str())); }

Line& Line::num(const char* key, float value) { return raw(key, journal::formatFloat(value)); }

Line& Line::integer(const char* key, long long value) { return raw(key, std::to_string(value)); }

Line& Line::floats(const char* key, const std::vector<float>& values) {
    std::string list = "[";
    for (size_t i = 0; i < values.size(); ++i) list += (i ? "," : "") + journal::formatFloat(values[i]);
    return raw(key, list + "]");
}

Line& Line::raw(const char* key, const std::string& value) {
    text_ += std::string(",\"") + key + "\":" + value;
    return *this;
}

namespace op {

Lines startSession(const std::u16string& stem, const std::u16string& sceneFile) {
    return {R"({"op":"StartOrvexRender","project":)" + journal::jsonString(stem.c_str()) +
                R"(,"client":"TestDCC","version":"1.0"})",
            R"({"op":"CreateSession","reserved":0,"key":"h7c2x5j9d1t4f8m3w6k0"})",
            Line("SetSceneSetting").handle().integer("scale", 1).integer("mode", 2).integer("flags", 0),
            Line("SetModelFilePath").handle().str("path", sceneFile), saveToFiles(sceneFile)};
}

std::string flush() { return Line("FlushData").handle(); }
std::string destroy() { return Line("DestroySession").handle(); }
std::string endExport() { return Line("EndExport").handle(); }

std::string beginNode(const std::u16string& name) {
    return Line("BeginNode")
        .handle()
        .str("name", name)
        .floats("transform", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1})
        .integer("flag", 1);
}

std::string endNode() { return Line("EndNode").handle(); }
std::string deleteNode(const std::u16string& name) { return Line("DeleteNode").handle().str("name", name); }

std::string mesh(const std::u16string& label, uint32_t firstCount, uint32_t indexCount,
                 const std::vector<float>& positions, bool attributes2, bool attributes5,
                 const std::vector<uint32_t>& indices) {
    auto hash = [](const void* data, size_t bytes, bool present) {
        return present ? "\"" + journal::hashHex(data, bytes) + "\"" : std::string("null");
    };
    return Line("AddIndexedTriangle")
        .handle()
        .str("label", label)
        .integer("firstCount", firstCount)
        .integer("indexCount", indexCount)
        .raw("positions", hash(positions.data(), size_t(firstCount) * 4, !positions.empty()))
        .raw("attributes2", attributes2 ? "true" : "false")
        .raw("attributes5", attributes5 ? "true" : "false")
        .raw("indices", hash(indices.data(), size_t(indexCount) * 4, !indices.empty()));
}

std::string materialString(const std::u16string& material, const std::u16string& property,
                           const std::u16string& value) {
    return Line("SetMaterialStringProperty").handle().str("material", material).str("property", property).str("value", value);
}

std::string materialFloat(const std::u16string& material, const std::u16string& property, float value) {
    return Line("SetMaterialFloatProperty").handle().str("material", material).str("property", property).num("value", value);
}

std::string materialInt(const std::u16string& material, const std::u16string& property, int value) {
    return Line("SetMaterialIntProperty").handle().str("material", material).str("property", property).integer("value", value);
}

std::string saveToFiles(const std::u16string& path) { return Line("SaveToFiles").handle().str("path", path); }

Lines currentCamera(const std::vector<float>& camera, float nearClip) {
    const std::string clip = Line("SetCameraFloatProperty").handle().str("property", u"camera_near_clip_plane").num("value", nearClip);
    return {clip, Line("SendSimpleCamera").handle().floats("camera", camera).num("fov", camera.at(9)), clip,
            Line("SendCurrentActiveCamera").handle()};
}

Lines sceneView(const std::u16string& nameId, const std::u16string& name, const std::vector<float>& camera,
                float nearClip) {
    return {Line("AddSimpleSceneView").handle().str("nameId", nameId).str("name", name).floats("camera", camera).num("fov", camera.at(9)),
            Line("SendSimpleCamera").handle().floats("camera", camera).num("fov", camera.at(9)),
            Line("SetCameraFloatProperty").handle().str("property", u"camera_near_clip_plane").num("value", nearClip),
            Line("SendSimpleSceneViews").handle()};
}

} // namespace op

Lines joined(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

bool containsOperation(const Lines& lines, const std::string& operation) {
    for (const std::string& line : lines)
        if (journalField(line, "op") == operation) return true;
    return false;
}

void ScenarioTest::SetUp() {
    ASSERT_NE(scratch_.path().find(L"orvex-scenario"), std::wstring::npos);
    // A program left over from an earlier run would take every request as a second start.
    ASSERT_EQ(FindWindowW(kProgramWindowClass, nullptr), nullptr) << "an OrvexExchange.exe is still running";
    appData_ = scratch_ / L"appdata";
    dataFolder_ = dataFolderFor(appData_);
    options_.program = ownFolder() + L"\\OrvexExchange.exe";
    options_.rendererFolder = standinFolder();
    options_.appData = appData_;
    options_.journal = scratch_ / L"journal.jsonl";
    ASSERT_TRUE(makeFolders(dataFolder_));
    ASSERT_TRUE(host_.openHostWindow());
}

std::u16string ScenarioTest::dataFolderText() const { return u16(dataFolder_); }

void ScenarioTest::writeContainer(const std::wstring& name, const writer::ContainerWriter& container) {
    writeDataFile(name, container.bytes());
}

void ScenarioTest::writeModel(const writer::ModelBlockContent& model, const std::u16string& project) {
    writer::ContainerWriter container;
    container.addModelBlock(project, model);
    writeContainer(L"_model.alm", container);
}

void ScenarioTest::writeDataFile(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(writeFile(dataFile(name), bytes)) << toUtf8(name);
}

void ScenarioTest::start(const std::wstring& word) { ASSERT_TRUE(host_.startProgram(options_, word)); }

void ScenarioTest::saveStateAndWait() {
    ASSERT_TRUE(host_.post(1026));
    expectStateSavedAnswer();
}

void ScenarioTest::expectStateSavedAnswer() {
    const auto answer = host_.waitForMessage(1137);
    ASSERT_TRUE(answer.has_value()) << "no 1137 from the program";
    EXPECT_EQ(answer->wParam, 0u);
    EXPECT_EQ(answer->lParam, 10);
    // The program logs the save after it has answered.
    EXPECT_TRUE(host_.waitUntilProgramIsIdle());
}

void ScenarioTest::closeHostAndExpectCleanExit() {
    host_.closeHostWindow();
    expectCleanExit();
}

void ScenarioTest::expectCleanExit() {
    const auto code = host_.waitForExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
}

bool ScenarioTest::waitForJournal(const std::function<bool(const Lines&)>& done, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    while (!done(journal())) {
        if (GetTickCount64() - start >= timeoutMs) return false;
        host_.pump(10);
    }
    return true;
}

Lines ScenarioTest::log() const {
    static const std::regex narrow(R"(^\[\d{4}\. \d{2}\. \d{2} - \d{2}:\d{2}:\d{2}\]: (.*)$)");
    static const std::regex wide(R"(^\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\]: (.*)$)");
    Lines texts;
    for (const std::string& line : readLines(logFileFor(appData_))) {
        std::smatch m;
        if (std::regex_match(line, m, narrow)) texts.push_back("A: " + m[1].str());
        else if (std::regex_match(line, m, wide)) texts.push_back("W: " + m[1].str());
        else texts.push_back("?: " + line);
    }
    return texts;
}

std::vector<std::string> ScenarioTest::filesUnder(const std::wstring& folder) {
    std::vector<std::string> files;
    std::function<void(const std::wstring&, const std::string&)> walk = [&](const std::wstring& path,
                                                                          const std::string& prefix) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                walk(path + L"\\" + name, prefix + toUtf8(name) + "\\");
            else
                files.push_back(prefix + toUtf8(name));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    };
    walk(folder, "");
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace orvex::scenario
