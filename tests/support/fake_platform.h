// A platform for native tests: environment and registry values set by the test, message
// boxes recorded instead of shown, images decoded by the portable decoder. Installing it
// also forgets the cached data folder and the log's rotation flags, as a new process would.
#pragma once

#include "platform/platform.h"

#include <map>
#include <string>
#include <vector>

namespace orvex::test {

class FakePlatform final : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    std::map<std::u16string, std::u16string> environment;
    std::map<std::u16string, std::u16string> registry; // "key|value" -> raw units
    struct Box {
        std::string caption;
        std::string text;
        bool wide;
    };
    std::vector<Box> boxes;

    // Points APPDATA at a folder so that the data folder is <appData>\Quorvel\...\Data.
    void setAppData(const std::u16string& appData) { environment[u"APPDATA"] = appData; }

    std::optional<std::u16string> environmentVariable(const std::u16string& name,
                                                      size_t bufferUnits) override;
    std::optional<std::u16string> registryValue(const std::u16string& key,
                                                const std::u16string& value,
                                                size_t announcedBytes) override;
    void messageBoxW(const std::u16string& caption, const std::u16string& text) override;
    void messageBoxA(const std::string& caption, const std::string& text) override;
    bool decodeImage(const std::u16string& path, PixelImage& out) override;

private:
    Platform& portable_;
};

// A fresh empty folder under the system's temporary folder, removed with its contents
// when the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    std::u16string path16() const;
    // path() joined with a relative name using "/".
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

// A scratch APPDATA whose data folder exists, with the fake platform installed and pointing
// at it.
class ScratchDataFolder {
public:
    ScratchDataFolder();
    // The data folder's file of that name, as a native path.
    std::string file(const std::string& name) const { return path + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const { writeFileBytes(file(name), bytes); }
    std::string read(const std::string& name) const { return readFileBytes(file(name)); }

    TempFolder temp; // APPDATA
    FakePlatform platform;
    std::string path; // <APPDATA>/Quorvel/Planomat2027_OrvexPlugin/Data
};

} // namespace orvex::test
