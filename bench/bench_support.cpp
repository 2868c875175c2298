// Shared pieces of the model benchmarks. POSIX only: the benchmarks run on native builds.
#include "bench_support.h"

#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "support/recorder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

namespace orvex::bench {

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvex-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    root_ = pattern;
    data_ = root_ + "/Quorvel/Planomat2027_OrvexPlugin/Data";
    std::filesystem::create_directories(data_);
    setenv("APPDATA", root_.c_str(), 1);
    resetDataFolderCache();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

namespace {

// A small deterministic generator, so that every run writes the same scene.
struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float unit() { return float(next() & 0xFFFF) / 65535.0f; }
};

uint32_t floatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

} // namespace

writer::PartContent meshPart(std::u16string label, uint32_t vertexCount, uint32_t seed) {
    writer::PartContent part;
    part.label = std::move(label);
    Lcg random{seed};
    part.positions.resize(size_t(vertexCount) * 3);
    for (float& v : part.positions) v = random.unit() * 10.0f;
    part.attributes2.resize(size_t(vertexCount) * 3);
    for (uint32_t& n : part.attributes2) n = floatBits(random.unit() * 2.0f - 1.0f);
    part.attributes5.resize(size_t(vertexCount) * 2);
    for (uint32_t& t : part.attributes5) t = floatBits(random.unit());
    // Two triangles per vertex of a grid-like surface.
    part.indices.resize(size_t(vertexCount) * 6);
    for (size_t i = 0; i < part.indices.size(); ++i)
        part.indices[i] = static_cast<uint32_t>((i / 3 + (i % 3)) % vertexCount);
    return part;
}

uint64_t meshPartBytes(uint32_t vertexCount) { return uint64_t(vertexCount) * (12 + 12 + 8 + 24); }

writer::ModelBlockContent smallSolidsModel(uint32_t solidCount, uint32_t firstId, uint32_t timestamp) {
    // One box, shared by every solid: 24 vertices (4 per face) and 12 triangles.
    writer::PartContent box = meshPart(u"Box", 24, 1);
    box.indices.clear();
    for (uint32_t face = 0; face < 6; ++face)
        for (uint32_t i : {0u, 1u, 2u, 2u, 1u, 3u}) box.indices.push_back(face * 4 + i);
    writer::ModelBlockContent contents;
    contents.solids.emplace();
    contents.solids->reserve(solidCount);
    for (uint32_t i = 0; i < solidCount; ++i) {
        writer::SolidContent solid;
        solid.id = firstId + i;
        solid.timestamp = timestamp;
        solid.firstText = u"Wall";
        solid.parts = {box};
        contents.solids->push_back(std::move(solid));
    }
    return contents;
}

bool writeModel(const std::string& path, const writer::ModelBlockContent& contents) {
    writer::ContainerWriter container;
    container.addModelBlock(u"C:\\Projects\\Bench.pln", contents);
    return container.writeFile(path);
}

bool writeLargeModel(const std::string& path, uint64_t& largestPart) {
    // The plan is made here, the scene in a child.
    std::vector<std::vector<uint32_t>> solids;
    uint64_t meshBytes = 0, largest = 0, parts = 0;
    uint32_t random = 12345;
    const auto next = [&] {
        random = random * 1664525u + 1013904223u;
        return random >> 8;
    };
    while (meshBytes < 520'000'000) {
        std::vector<uint32_t> vertexCounts(1 + next() % 4);
        for (uint32_t& v : vertexCounts) {
            v = 10'000 + next() % 190'001;
            meshBytes += meshPartBytes(v);
            largest = std::max(largest, meshPartBytes(v));
            ++parts;
        }
        solids.push_back(std::move(vertexCounts));
    }
    std::printf("large model: %zu solids, %llu parts, %s of mesh arrays, largest part %s\n", solids.size(),
                static_cast<unsigned long long>(parts), megabytes(meshBytes).c_str(), megabytes(largest).c_str());
    largestPart = largest;
    return inChild([&] {
        writer::ModelBlockContent contents;
        contents.solids.emplace();
        uint32_t seed = 1;
        for (size_t s = 0; s < solids.size(); ++s) {
            writer::SolidContent solid;
            solid.id = static_cast<uint32_t>(s + 1);
            solid.timestamp = 1;
            for (uint32_t vertexCount : solids[s]) solid.parts.push_back(meshPart(u"Mesh", vertexCount, seed++));
            contents.solids->push_back(std::move(solid));
        }
        if (!writeModel(path, contents)) std::_Exit(1);
    });
}

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double bestOf(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        best = std::min(best, secondsOf(work));
    }
    return best;
}

AlignedBuffer::AlignedBuffer(size_t size) : size_(size) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* p = nullptr;
    if (posix_memalign(&p, page, (size + page - 1) / page * page) != 0) {
        std::fprintf(stderr, "no memory for a %zu-byte buffer\n", size);
        std::exit(1);
    }
    data_ = static_cast<unsigned char*>(p);
    std::memset(data_, 0, size_); // faulted in before any timing
}

AlignedBuffer::~AlignedBuffer() { std::free(data_); }

std::string fileBytes(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    std::string bytes;
    char piece[65536];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, f)) > 0) bytes.append(piece, got);
    std::fclose(f);
    return bytes;
}

uint64_t plainRead(const std::string& path, const AlignedBuffer& buffer) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    uint64_t total = 0;
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) total += got;
    std::fclose(f);
    return total;
}

bool inChild(const std::function<void()>& work) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool inChildMeasure(double& value, const std::function<double()>& work) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const bool ran = inChild([&] {
        const double result = work();
        if (write(fds[1], &result, sizeof result) != sizeof result) _exit(1);
    });
    const bool got = ran && read(fds[0], &value, sizeof value) == sizeof value;
    close(fds[0]);
    close(fds[1]);
    return got;
}

bool resetPeakMemory() {
    std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (!f) return false;
    const bool ok = std::fputs("5", f) >= 0;
    return std::fclose(f) == 0 && ok;
}

uint64_t statusBytes(const char* field) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    uint64_t kb = 0;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') kb = std::strtoull(line + n + 1, nullptr, 10);
    std::fclose(f);
    return kb * 1024;
}

void printFigure(const std::string& name, double value, const std::string& unit, const std::string& reference,
                 double referenceValue, const std::string& referenceUnit) {
    std::printf("%-52s %10.4g %-5s | %-34s %10.4g %-5s | ratio %.3g\n", (name + ":").c_str(), value, unit.c_str(),
                (reference + ":").c_str(), referenceValue, referenceUnit.c_str(),
                referenceValue != 0 ? value / referenceValue : 0.0);
}

std::string megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

namespace {

std::string bufferName(size_t bytes) {
    char text[32];
    if (bytes % (1u << 20) == 0)
        std::snprintf(text, sizeof text, "%zu MiB", bytes >> 20);
    else if (bytes % 1024 == 0)
        std::snprintf(text, sizeof text, "%zu KiB", bytes >> 10);
    else
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

} // namespace

void compareStartUp(const std::string& label, const ScratchFolder& folder, uint64_t largestPartBytes, int runs) {
    const std::string path = folder.dataFile("_model.alm");
    const uint64_t fileBytes = std::filesystem::file_size(path);

    // Peak memory first, in a child of its own: nothing freed earlier can hide an allocation.
    inChild([&] {
        test::Recorder recorder;
        journal::Behaviour quiet;
        quiet.journaling = false;
        journal::setBehaviour(quiet);
        auto exchange = std::make_unique<ModelExchange>(recorder.api());
        exchange->session.handle = 1;
        exchange->containerPath = dataFilePath(u"_model.alm");
        const uint64_t before = statusBytes("VmRSS");
        const bool reset = resetPeakMemory();
        loadModelEntry(*exchange, 0);
        const uint64_t peak = statusBytes("VmHWM");
        const uint64_t extra = peak > before ? peak - before : 0;
        printFigure(label + " start-up peak memory" + (reset ? "" : " (process peak)"), double(extra) / 1e6, "MB",
                    "largest part", double(largestPartBytes) / 1e6, "MB");
        exchange->session.handle = 0;
    });

    inChild([&] {
        test::Recorder recorder;
        journal::Behaviour quiet;
        quiet.journaling = false;
        journal::setBehaviour(quiet);
        // Plain reads of the same file into page-aligned buffers of several sizes, the
        // largest as large as the largest part, the most the start-up must hold at once (the
        // renderer takes a part's arrays whole); the fastest is the reference.
        std::vector<std::unique_ptr<AlignedBuffer>> buffers;
        for (size_t size : {size_t(256) << 10, size_t(1) << 20, size_t(4) << 20})
            buffers.push_back(std::make_unique<AlignedBuffer>(size));
        if (largestPartBytes > buffers.back()->size())
            buffers.push_back(std::make_unique<AlignedBuffer>(static_cast<size_t>(largestPartBytes)));
        // The file comes from the page cache in every measurement.
        if (plainRead(path, *buffers.front()) != fileBytes) {
            std::fprintf(stderr, "%s: plain read came short\n", label.c_str());
            _exit(1);
        }

        // The first start-up of a fresh exchange pays for every page it touches for the first
        // time (the part storage, the solid table, the read window): a page fault costs several
        // microseconds on a virtual machine. It is timed once, and printed apart. The program
        // then keeps its storage, so later start-ups (after a project switch clears the scene)
        // are timed in turns with the plain reads, after resetScene.
        auto exchange = std::make_unique<ModelExchange>(recorder.api());
        exchange->session.handle = 1;
        exchange->containerPath = dataFilePath(u"_model.alm");
        uint64_t calls = 0;
        journal::resetCounters();
        const double firstStartUp = secondsOf([&] { loadModelEntry(*exchange, 0); });
        calls = journal::callCount();
        std::vector<double> plain(buffers.size(), 1e300);
        double startUp = 1e300;
        // In turns, so that all meet the same load of a shared machine.
        for (int run = 0; run < runs; ++run) {
            for (size_t b = 0; b < buffers.size(); ++b)
                plain[b] = std::min(plain[b], secondsOf([&] { plainRead(path, *buffers[b]); }));
            resetScene(*exchange);
            startUp = std::min(startUp, secondsOf([&] { loadModelEntry(*exchange, 0); }));
        }
        const size_t fastest = static_cast<size_t>(std::min_element(plain.begin(), plain.end()) - plain.begin());
        const std::string reference = "plain read (" + bufferName(buffers[fastest]->size()) + " aligned buffer)";
        std::printf("%s: %s file, %llu renderer calls, %zu solids; plain reads:", label.c_str(),
                    megabytes(fileBytes).c_str(), static_cast<unsigned long long>(calls), exchange->solidTable.size());
        for (size_t b = 0; b < buffers.size(); ++b)
            std::printf(" %s %.2f ms%s", bufferName(buffers[b]->size()).c_str(), plain[b] * 1e3,
                        b + 1 < buffers.size() ? "," : "\n");
        printFigure(label + " start-up read+send", double(fileBytes) / startUp / 1e9, "GB/s", reference,
                    double(fileBytes) / plain[fastest] / 1e9, "GB/s");
        printFigure(label + " start-up time", startUp * 1e3, "ms", reference, plain[fastest] * 1e3, "ms");
        printFigure(label + " first start-up of a fresh exchange", firstStartUp * 1e3, "ms", reference,
                    plain[fastest] * 1e3, "ms");
        exchange->session.handle = 0;
    });
}

} // namespace orvex::bench
