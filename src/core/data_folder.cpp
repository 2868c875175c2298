// The data folder is looked up once and cached for the life of the process; a lookup that
// finds nothing is not cached, so a folder configured later is still picked up.
#include "core/data_folder.h"

#include "platform/platform.h"

namespace orvex {

namespace {

constexpr size_t kEnvironmentBufferUnits = 512;
// The announced registry buffer: 255 bytes admit 127 units and the terminator. A longer
// value is treated as missing rather than read past the buffer.
constexpr size_t kRegistryBufferBytes = 255;

std::u16string& cache() {
    static std::u16string folder; // thread-safe one-time creation
    return folder;
}

} // namespace

std::u16string getDataFolder() {
    std::u16string& folder = cache();
    if (!folder.empty()) return folder;

    if (auto appData = platform().environmentVariable(u"APPDATA", kEnvironmentBufferUnits)) {
        folder = *appData;
        if (folder.back() != u'\\') folder += u'\\';
        folder += u"Quorvel";
        if (folder.back() != u'\\') folder += u'\\';
        folder += u"Planomat";
        folder += u"2027";
        folder += u"_OrvexPlugin\\Data";
        return folder;
    }

    const std::u16string key = std::u16string(u"SOFTWARE\\Tervanic\\Planomat") + u"2027" + u"_OrvexPlugin";
    if (auto value = platform().registryValue(key, u"TempPath", kRegistryBufferBytes)) {
        const size_t end = value->find(u'\0');
        folder = value->substr(0, end);
    }
    return folder;
}

std::u16string dataFilePath(const std::u16string& folder, const std::u16string& name) {
    std::u16string path = folder;
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    path += name;
    return path;
}

std::u16string dataFilePath(const std::u16string& name) { return dataFilePath(getDataFolder(), name); }

std::u16string textureFolder(const std::u16string& dataFolder) { return dataFolder + u"\\Textures\\"; }

std::u16string iesFolder(const std::u16string& dataFolder) { return dataFolder + u"\\IES\\"; }

std::u16string projectStem(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"\\/");
    const std::u16string kept = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const size_t dot = kept.rfind(u'.');
    return dot == std::u16string::npos ? kept : kept.substr(0, dot);
}

std::u16string sceneFilePath(const std::u16string& path) {
    const size_t dot = path.rfind(u'.');
    return (dot == std::u16string::npos ? path : path.substr(0, dot)) + u".orvexa";
}

void resetDataFolderCache() { cache().clear(); }

} // namespace orvex
