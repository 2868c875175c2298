// The fuzz targets' process set-up: a platform whose only data folder is a private temporary
// folder, and which never decodes an image, so no target does real image work.
#include "fuzz_support.h"

#include "core/data_folder.h"
#include "core/log.h"
#include "platform/platform.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h> // its poisoning macros do nothing without AddressSanitizer
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(at, size) ((void)(at), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(at, size) ((void)(at), (void)(size))
#endif

namespace orvex::fuzz {

namespace {

std::string gFolder;

class FuzzPlatform final : public Platform {
public:
    std::optional<std::u16string> environmentVariable(const std::u16string&, size_t) override {
        return std::nullopt;
    }
    // The data folder comes from the registry path of the lookup: the value is used as it
    // stands, ending in a backslash so that the log (named by appending to the folder
    // without a separator) lands inside it too.
    std::optional<std::u16string> registryValue(const std::u16string&, const std::u16string& value,
                                                size_t) override {
        if (value != u"TempPath") return std::nullopt;
        return fromUtf8(gFolder.substr(0, gFolder.size() - 1)) + u"\\";
    }
    void messageBoxW(const std::u16string&, const std::u16string&) override {}
    void messageBoxA(const std::string&, const std::string&) override {}
    bool decodeImage(const std::u16string&, PixelImage&) override { return false; }
};

void removeFolder() {
    std::error_code ignored;
    if (!gFolder.empty()) std::filesystem::remove_all(gFolder, ignored);
}

} // namespace

void setUp() {
    if (!gFolder.empty()) return;
    // In memory where the system has a memory file system: the targets write the sync-state
    // file (and some the log) on every run.
    for (const char* parent : {"/dev/shm", "/tmp"}) {
        std::string pattern = std::string(parent) + "/orvex-fuzz-XXXXXX";
        if (mkdtemp(pattern.data())) {
            gFolder = pattern + "/";
            break;
        }
    }
    if (gFolder.empty()) {
        std::perror("mkdtemp");
        std::abort();
    }
    std::atexit(removeFolder);

    static FuzzPlatform platformInstance;
    setPlatform(&platformInstance);
    resetDataFolderCache();
    resetLogRotation();

    journal::setBehaviour({});
    journal::setSink(nullptr);
}

void countCallsOnly() { journal::setBehaviour({.journaling = false}); }

namespace {

volatile uint32_t gMeshSum; // keeps the reads below from being optimised away

struct Cut {
    std::string path;
    uint64_t length = 0;
};
std::optional<Cut> gCut;

int32_t readMesh(RendererHandle h, const RChar* label, const MeshData* mesh) {
    if (gCut) {
        std::error_code error;
        if (std::filesystem::file_size(gCut->path, error) > gCut->length)
            std::filesystem::resize_file(gCut->path, gCut->length, error);
        gCut.reset();
    }
    uint32_t sum = 0;
    for (const RChar* p = label; p && *p; ++p) sum += *p;
    if (mesh) {
        // Copied whole rather than summed element by element: one copy checks the whole range
        // (AddressSanitizer checks a copy's source), where a loop under fuzzing would trace a
        // comparison per byte.
        static std::vector<unsigned char> copy;
        const auto read = [&](const void* array, size_t bytes) {
            if (!array || bytes == 0) return;
            if (copy.size() < bytes) copy.resize(bytes);
            std::memcpy(copy.data(), array, bytes);
            sum += copy[0] + copy[bytes - 1];
        };
        read(mesh->positions, size_t(mesh->firstCount) * sizeof(float));
        read(mesh->indices, size_t(mesh->indexCount) * sizeof(uint32_t));
    }
    gMeshSum = sum;
    return journal::journalingApi().ORVEXAPI_AddIndexedTriangle(h, label, mesh);
}

} // namespace

void cutAtNextMesh(const std::string& path, uint64_t length) { gCut = Cut{path, length}; }

const RendererApi& meshReadingApi() {
    static const RendererApi api = [] {
        RendererApi a = journal::journalingApi();
        a.ORVEXAPI_AddIndexedTriangle = &readMesh;
        return a;
    }();
    return api;
}

namespace {

void clearExchange(ModelExchange& ex) {
    gCut.reset();
    ex.container.close();
    if (ex.session.handle != 0) ex.session.api->ORVEXAPI_DestroySession(ex.session.handle);
    ex.session = RendererSession{};
    ex.session.api = &meshReadingApi();
    ex.colorOnly = false;
    ex.containerPath.clear();
    ex.containerBytes.reset();
    ex.header = ContainerHeader{};
    ex.solidTable.clear();
    ex.materialTable.clear();
    ex.lightTable.clear();
    ex.storedViews.clear();
    ex.sourceProject.clear();
    ex.solidDeleteList.clear();
    ex.materialIdList.clear();
    ex.normalMaps = NormalMapMemory{};
}

ModelExchange& processExchange() {
    static ModelExchange ex(meshReadingApi());
    return ex;
}

} // namespace

InputExchange::InputExchange() : exchange_(processExchange()) { clearExchange(exchange_); }

InputExchange::~InputExchange() { clearExchange(exchange_); }

std::string writeDataFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = gFolder + name;
    // Written over the file and then cut to size, rather than emptied first: a container read
    // from its file is over 200 KB, and emptying it would hand back every page of it, only to
    // have the system find new ones for the same bytes.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::abort();
    }
    for (size_t done = 0; done < size;) {
        const ssize_t put = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (put <= 0) std::abort();
        done += static_cast<size_t>(put);
    }
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) std::abort();
    ::close(fd);
    return path;
}

std::string_view containerBytes(const std::string& header, std::string_view tail, std::string_view headerStart) {
    static std::unique_ptr<char[]> buffer;
    static size_t capacity = 0;
    static const std::string* copied = nullptr; // the header the buffer begins with
    static size_t replaced = 0;                 // its first bytes, replaced by the last call
    const size_t size = header.size() + tail.size();
    if (buffer) ASAN_UNPOISON_MEMORY_REGION(buffer.get(), capacity);
    if (size > capacity) {
        capacity = std::max(size, 2 * capacity); // inputs grow a little at a time
        buffer.reset(new char[capacity]);
        copied = nullptr;
    }
    if (copied != &header) {
        std::memcpy(buffer.get(), header.data(), header.size());
        copied = &header;
    } else if (replaced != 0) {
        std::memcpy(buffer.get(), header.data(), replaced);
    }
    replaced = std::min(headerStart.size(), header.size());
    if (replaced != 0) std::memcpy(buffer.get(), headerStart.data(), replaced);
    if (!tail.empty()) std::memcpy(buffer.get() + header.size(), tail.data(), tail.size());
    ASAN_POISON_MEMORY_REGION(buffer.get() + size, capacity - size);
    return {buffer.get(), size};
}

void removeLog() {
    std::remove((gFolder + "Orvex_Log.log").c_str());
    std::remove((gFolder + "Orvex_Log.logOld").c_str());
}

std::u16string unitsFromPairs(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
    return text;
}

std::u16string unitsFromBytes(const uint8_t* data, size_t size) {
    return widenBytes(std::string_view(reinterpret_cast<const char*>(data), size));
}

} // namespace orvex::fuzz
