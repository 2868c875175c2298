#include "support/fake_platform.h"

#include "core/data_folder.h"
#include "core/log.h"
#include "platform/text.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace orvex::test {

FakePlatform::FakePlatform() : portable_(platform()) {
    setPlatform(this);
    resetDataFolderCache();
    resetLogRotation();
}

FakePlatform::~FakePlatform() {
    setPlatform(nullptr);
    resetDataFolderCache();
    resetLogRotation();
}

std::optional<std::u16string> FakePlatform::environmentVariable(const std::u16string& name,
                                                                size_t bufferUnits) {
    auto it = environment.find(name);
    if (it == environment.end() || it->second.empty() || it->second.size() + 1 > bufferUnits)
        return std::nullopt;
    return it->second;
}

std::optional<std::u16string> FakePlatform::registryValue(const std::u16string& key,
                                                          const std::u16string& value,
                                                          size_t announcedBytes) {
    auto it = registry.find(key + u"|" + value);
    if (it == registry.end() || it->second.size() * 2 > announcedBytes) return std::nullopt;
    return it->second;
}

void FakePlatform::messageBoxW(const std::u16string& caption, const std::u16string& text) {
    boxes.push_back({toUtf8(caption), toUtf8(text), true});
}

void FakePlatform::messageBoxA(const std::string& caption, const std::string& text) {
    boxes.push_back({caption, text, false});
}

bool FakePlatform::decodeImage(const std::u16string& path, PixelImage& out) {
    return portable_.decodeImage(path, out);
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::u16string TempFolder::path16() const { return fromUtf8(path_); }

ScratchDataFolder::ScratchDataFolder() {
    platform.setAppData(temp.path16());
    path = temp.file("Quorvel/Planomat2027_OrvexPlugin/Data");
    std::filesystem::create_directories(path);
}

std::string readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace orvex::test
