// What every end-to-end scenario shares: a scratch APPDATA with the program's data folder,
// the host simulator, the journal and the log of one run, and builders for the exact
// journal lines the stand-in renderer writes.
#pragma once

#include "host-sim/host_sim.h"
#include "scene-writer/container_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace orvex::scenario {

// One expected journal line, built field by field in the journal's own order. Every
// operation that takes the session handle gets it from handle().
class Line {
public:
    explicit Line(const char* op);
    Line& handle();
    Line& str(const char* key, const std::u16string& value);
    Line& num(const char* key, float value);
    Line& integer(const char* key, long long value);
    Line& floats(const char* key, const std::vector<float>& values);
    Line& raw(const char* key, const std::string& value);
    operator std::string() const { return text_ + "}"; }

private:
    std::string text_;
};

using Lines = std::vector<std::string>;

// Lines of the renderer operations the scenarios meet most.
namespace op {
// StartOrvexRender with the project stem .. SaveToFiles with the scene file.
Lines startSession(const std::u16string& stem, const std::u16string& sceneFile);
std::string flush();
std::string destroy();
std::string endExport();
std::string beginNode(const std::u16string& name);
std::string endNode();
std::string deleteNode(const std::u16string& name);
// AddIndexedTriangle with the journal's hashes of the arrays it was handed: positions
// over firstCount floats, indices over indexCount values; an empty array is null.
std::string mesh(const std::u16string& label, uint32_t firstCount, uint32_t indexCount,
                 const std::vector<float>& positions, bool attributes2, bool attributes5,
                 const std::vector<uint32_t>& indices);
std::string materialString(const std::u16string& material, const std::u16string& property,
                           const std::u16string& value);
std::string materialFloat(const std::u16string& material, const std::u16string& property, float value);
std::string materialInt(const std::u16string& material, const std::u16string& property, int value);
std::string saveToFiles(const std::u16string& path);
// SetCameraFloatProperty "camera_near_clip_plane", SendSimpleCamera, the same property
// again, SendCurrentActiveCamera: the current camera. camera holds the ten floats.
Lines currentCamera(const std::vector<float>& camera, float nearClip);
// AddSimpleSceneView, SendSimpleCamera, the near clip, SendSimpleSceneViews: one scene view.
Lines sceneView(const std::u16string& nameId, const std::u16string& name, const std::vector<float>& camera,
                float nearClip);
} // namespace op

Lines joined(std::initializer_list<Lines> parts);
// Whether any line is a call of the operation.
bool containsOperation(const Lines& lines, const std::string& operation);

// The expected calls for one material, each with the material's name.
class MaterialCalls {
public:
    explicit MaterialCalls(std::u16string name) : name_(std::move(name)) {
        lines_.push_back(Line("AddMaterial").handle().str("name", name_));
    }
    MaterialCalls& str(const std::u16string& property, const std::u16string& value) {
        lines_.push_back(op::materialString(name_, property, value));
        return *this;
    }
    MaterialCalls& num(const std::u16string& property, float value) {
        lines_.push_back(op::materialFloat(name_, property, value));
        return *this;
    }
    MaterialCalls& integer(const std::u16string& property, int value) {
        lines_.push_back(op::materialInt(name_, property, value));
        return *this;
    }
    operator Lines() const { return lines_; }

private:
    std::u16string name_;
    Lines lines_;
};

// The expected calls that create one light, up to its SendLights.
class LightCalls {
public:
    LightCalls(const std::u16string& name, int type, const std::u16string& display, float brightness)
        : name_(name) {
        lines_ = {Line("AddLight").handle().str("name", name_), str(u"id", name_), str(u"group_id", u"0"),
                  str(u"path", u"Lights/" + name_), integer(u"type", type), str(u"light_name", display),
                  integer(u"brightness_units", 1), num(u"brightness", brightness)};
    }
    LightCalls& temperature(float kelvin) {
        lines_.push_back(num(u"light_temperature", kelvin));
        return *this;
    }
    LightCalls& colour(const std::vector<float>& rgb) {
        lines_.push_back(array(u"light_color", rgb));
        return *this;
    }
    LightCalls& transform(const std::vector<float>& m) {
        lines_.push_back(array(u"transform", m));
        return *this;
    }
    LightCalls& cone(float angle) {
        lines_.push_back(num(u"light_cone_angle", angle));
        return *this;
    }
    LightCalls& profile(const std::u16string& path) {
        lines_.push_back(str(u"light_template", path));
        return *this;
    }
    operator Lines() const { return joined({lines_, {Line("SendLights").handle()}}); }

private:
    std::string str(const std::u16string& property, const std::u16string& value) const {
        return Line("SetLightStringProperty").handle().str("light", name_).str("property", property).str("value", value);
    }
    std::string integer(const std::u16string& property, int value) const {
        return Line("SetLightIntProperty").handle().str("light", name_).str("property", property).integer("value", value);
    }
    std::string num(const std::u16string& property, float value) const {
        return Line("SetLightFloatProperty").handle().str("light", name_).str("property", property).num("value", value);
    }
    std::string array(const std::u16string& property, const std::vector<float>& values) const {
        return Line("SetLightFloatArrayProperty")
            .handle()
            .str("light", name_)
            .str("property", property)
            .integer("count", static_cast<long long>(values.size()))
            .floats("values", values);
    }

    std::u16string name_;
    Lines lines_;
};

// A fresh APPDATA per scenario, the program with the stand-in renderer beside it, and the
// host window open. The host simulator ends a program still running when the test ends.
class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::wstring dataFile(const std::wstring& name) const { return dataFolder_ + L"\\" + name; }
    // The data folder as the program names it in the paths it sends.
    std::u16string dataFolderText() const;
    std::u16string textureFolderText() const { return dataFolderText() + u"\\Textures\\"; }

    void writeContainer(const std::wstring& name, const writer::ContainerWriter& container);
    void writeModel(const writer::ModelBlockContent& model, const std::u16string& project = kProject);
    void writeDataFile(const std::wstring& name, const std::string& bytes);

    void start(const std::wstring& word = L"");
    // The host's request 1026 and the program's answer 1137 (wParam 0, lParam 10): every
    // request posted before it has then been handled.
    void saveStateAndWait();
    void expectStateSavedAnswer();
    // Closes the host window and waits for the program to end with exit code 0.
    void closeHostAndExpectCleanExit();
    void expectCleanExit();

    Lines journal() const { return hostsim::readLines(options_.journal); }
    bool journalExists() const { return hostsim::fileExists(options_.journal); }
    // Pumps the host window until the journal satisfies the predicate (or time runs out).
    bool waitForJournal(const std::function<bool(const Lines&)>& done, DWORD timeoutMs = 10000);
    // The log's lines as "A: text" (8-bit writer) or "W: text" (UTF-16 writer), each stamp
    // checked for its writer's format; "?: line" for a line of neither form.
    Lines log() const;
    // Files (not folders) under a folder, relative to it, sorted.
    static std::vector<std::string> filesUnder(const std::wstring& folder);

    static inline const std::u16string kProject = u"C:\\Work\\House.plan";

    hostsim::ScratchFolder scratch_{L"orvex-scenario"};
    std::wstring appData_;
    std::wstring dataFolder_;
    hostsim::ProgramOptions options_;
    hostsim::HostSimulator host_; // after the folder: ends a program still running before it is removed
};

} // namespace orvex::scenario
