// The inspector's command: its options, and the exit status and message of every way a run
// can go wrong, seen from outside as a user's shell sees them.
#include "inspect/options.h"
#include "platform/text.h"
#include "scene-writer/camera_text.h"
#include "scene-writer/container_writer.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace orvex;
using namespace orvex::inspect;
using orvex::test::readFileBytes;
using orvex::test::TempFolder;
using orvex::test::writeFileBytes;

namespace {

std::vector<std::u16string> words(const std::vector<const char*>& list) {
    std::vector<std::u16string> out;
    for (const char* w : list) out.push_back(fromUtf8(w));
    return out;
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

// A data folder with one complete camera file, and a place for outputs beside it.
struct Folders {
    TempFolder temp;
    std::string data = temp.file("data");
    std::string camera = data + "/camera.cam";
    Folders() {
        std::filesystem::create_directories(data);
        CameraRecord c;
        c.fieldOfView = 0.8f;
        c.eye[0] = 10;
        c.up[2] = 1;
        c.name = u"Front";
        c.nameId = u"V1";
        c.nearClip = 0.1f;
        writeFileBytes(camera, scene::hostFileBytes(scene::cameraBlockText(c)));
    }
    // ARGS go to a shell as they stand; standard error is kept apart from standard output.
    Outcome inspect(const std::string& args, const std::string& shellPrefix = "") const {
        const std::string err = temp.file("stderr.txt");
        const std::string command = shellPrefix + std::string(ORVEX_TOOL_PATH) + " " + args + " 2>" + err;
        Outcome run;
        std::FILE* pipe = popen(command.c_str(), "r");
        char chunk[4096];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, got);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.err = readFileBytes(err);
        return run;
    }
};

} // namespace

TEST(InspectCommandLine, OptionsAsGnuToolsTakeThem) {
    ParsedCommandLine p = parseCommandLine(words({"--json", "--gltf=a.glb", "--", "--data"}));
    EXPECT_EQ(p.error, "");
    EXPECT_TRUE(p.options.json);
    EXPECT_EQ(p.options.gltf, u"a.glb");
    EXPECT_EQ(p.options.path, u"--data");
    p = parseCommandLine(words({"DIR", "--gltf", "--odd name.glb", "--summary", "--validate"}));
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.gltf, u"--odd name.glb");
    EXPECT_TRUE(p.options.summary && p.options.validate);
    EXPECT_TRUE(parseCommandLine(words({"-h"})).options.help);

    const std::pair<std::vector<const char*>, const char*> wrong[] = {
        {{"DIR", "--bogus"}, "unknown option '--bogus'"},
        {{"DIR", "--gltf"}, "option '--gltf' needs a file name"},
        {{"DIR", "--gltf", ""}, "option '--gltf' needs a file name, not an empty one"},
        {{"DIR", "--gltf="}, "option '--gltf' needs a file name, not an empty one"},
        {{"DIR", "--json=yes"}, "option '--json' takes no value"},
        {{"A", "B"}, "more than one path: 'A' and 'B'"},
        {{"--json"}, "no path given"},
    };
    for (const auto& [args, error] : wrong) EXPECT_EQ(parseCommandLine(words(args)).error, error);
}

TEST(InspectCommand, ExitStatusAndMessageOfEveryOutcome) {
    Folders f;
    const std::string& d = f.data;
    const std::string missing = f.temp.file("nowhere");
    std::filesystem::create_directories(f.temp.file("empty"));
    writeFileBytes(f.temp.file("notes.txt"), "hello");
    ASSERT_EQ(mkfifo(f.temp.file("_model.alm").c_str(), 0600), 0);
    // A report larger than the standard output's buffer, so that a write fails before the end.
    std::string lines = "SourceProject: [x]\r\n";
    for (int i = 0; i < 300; ++i) lines += "ID3D: [" + std::to_string(i) + "] TimeStamp: [1]\r\n";
    std::filesystem::create_directories(f.temp.file("long"));
    writeFileBytes(f.temp.file("long/_mod.sync"), lines);

    const struct {
        std::string args;
        int status;
        std::string err; // a part of standard error
    } cases[] = {
        {d, 0, ""},
        {d + "/camera.cam --validate", 0, ""},
        {missing, 2, missing + ": No such file or directory"},
        {d + "/_model.alm", 2, d + "/_model.alm: No such file or directory"},
        {f.temp.file("empty"), 2, "empty: no data folder files in this folder"},
        {f.temp.file("notes.txt"), 2, "notes.txt: not a data folder file"},
        {f.temp.file("_model.alm"), 2, "_model.alm: not a regular file or folder"},
        {f.temp.path(), 2, "nothing readable: _model.alm is not a regular file"},
        {d + " --bogus", 2, "orvex-inspect: unknown option '--bogus'\nTry 'orvex-inspect --help'"},
        {d + " --gltf ''", 2, "needs a file name, not an empty one"},
        {d + " --gltf", 2, "option '--gltf' needs a file name\n"},
        {d + " " + d, 2, "more than one path"},
        {d + " --gltf " + f.camera, 2, f.camera + ": lies in the data folder being inspected"},
        {f.camera + " --gltf " + d, 2, d + ": lies in the data folder being inspected"},
        {d + " --gltf " + d + "/../data/new.glb", 2, "lies in the data folder"},
        {d + " >/dev/full", 2, "orvex-inspect: standard output: No space left on device"},
        {f.temp.file("long") + " >/dev/full", 2, "orvex-inspect: standard output: No space left on device"},
        {d + " --gltf " + f.temp.file("nofolder/x.glb"), 2, "x.glb: No such file or directory"},
    };
    const std::string cameraBytes = readFileBytes(f.camera);
    for (const auto& c : cases) {
        const Outcome run = f.inspect(c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.args << "\n" << run.err;
    }
    EXPECT_EQ(readFileBytes(f.camera), cameraBytes);
    EXPECT_EQ(std::filesystem::directory_iterator(d)->path().filename(), "camera.cam");

#ifndef __SANITIZE_ADDRESS__ // the sanitizer's shadow memory cannot be had under an address-space limit
    // Out of memory: a message and status 2, not an abort. The one part's positions claim
    // 400 MB (zeros of a sparse file), four times the address space allowed.
    writer::SolidContent solid;
    solid.parts.push_back({u"Slab", {}, {0, 0, 0}});
    writer::ModelBlockContent block;
    block.solids.emplace().push_back(solid);
    writer::ContainerWriter container;
    container.addModelBlock(u"P", block);
    std::string bytes = container.bytes();
    // The part's eight arrays end the file: the position count, 3 values, seven empty counts.
    const size_t positions = bytes.size() - 4 * (1 + 3 + 7);
    writer::putU32(bytes, positions, 100'000'000);
    writeFileBytes(d + "/_model.alm", bytes);
    std::filesystem::resize_file(d + "/_model.alm", positions + 4 + 400'000'000 + 7 * 4);
    const Outcome starved = f.inspect(d, "ulimit -v 100000; ");
    EXPECT_EQ(starved.status, 2);
    EXPECT_EQ(starved.err, "orvex-inspect: out of memory\n");
    std::filesystem::remove(d + "/_model.alm");
#endif

    // A hard link elsewhere to an input is the input.
    std::filesystem::create_hard_link(f.camera, f.temp.file("link.glb"));
    const Outcome linked = f.inspect(d + " --gltf " + f.temp.file("link.glb"));
    EXPECT_EQ(linked.status, 2);
    EXPECT_NE(linked.err.find("is the data folder file camera.cam being inspected"), std::string::npos);
    EXPECT_EQ(readFileBytes(f.camera), cameraBytes);
}

TEST(InspectCommand, OutputsGoWhereAsked) {
    Folders f;
    const std::string glb = f.temp.file("out.glb");
    Outcome run = f.inspect(f.data + " --gltf " + glb);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("glTF preview written to " + glb), std::string::npos);
    run = f.inspect("--summary --gltf=" + glb + " " + f.data);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("camera.cam: camera \"Front\""), std::string::npos);

    run = f.inspect("--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("  1  problems found\n"), std::string::npos);

    // A folder whose name is not UTF-8 is found and read.
    const std::string odd = f.temp.file("d\xff\xfe");
    std::filesystem::create_directories(odd);
    std::filesystem::copy_file(f.camera, odd + "/camera.cam");
    run = f.inspect("'" + odd + "' --json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"camera\""), std::string::npos);
}

// The summary, validation and JSON of a container hold one part at a time, as the program
// does: the peak resident memory of the command stays within the largest part and 64 MiB,
// on a container several times larger than that.
TEST(InspectCommand, MemoryOfALargeContainerIsBoundedByItsLargestPart) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's shadow memory and quarantine are not the inspector's";
#endif
    TempFolder temp;
    const std::string model = temp.file("_model.alm");
    constexpr uint32_t kSolids = 29, kVertices = 400'000, kLargestVertices = 1'600'000;
    const auto part = [](uint32_t vertices) {
        writer::PartContent p;
        p.label = u"Mesh";
        p.positions.resize(size_t(vertices) * 3);
        for (size_t i = 0; i < p.positions.size(); ++i) p.positions[i] = float(i % 1000);
        p.indices.resize(size_t(vertices) * 3);
        for (size_t i = 0; i < p.indices.size(); ++i) p.indices[i] = static_cast<uint32_t>(i / 3);
        return p;
    };
    // Written by a child, so that the memory the writing takes is not the test's: a spawned
    // command's peak counts its parent's memory until it starts the command.
    const pid_t writer = fork();
    if (writer == 0)
        std::_Exit(writer::writeSolidsContainer(model, u"C:\\Large.plan", kSolids, [&](uint32_t i) {
            writer::SolidContent solid;
            solid.id = i + 1;
            solid.parts.push_back(part(i == kSolids / 2 ? kLargestVertices : kVertices));
            return solid;
        }) ? 0 : 1);
    int written = -1;
    ASSERT_EQ(waitpid(writer, &written, 0), writer);
    ASSERT_EQ(written, 0);
    const uint64_t largestPart = uint64_t(kLargestVertices) * 24;
    const uint64_t bound = largestPart + (uint64_t(64) << 20);
    ASSERT_GT(std::filesystem::file_size(model), 2 * bound);

    for (const char* mode : {"", "--validate", "--json"}) {
        const std::string out = temp.file("out.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> args{ORVEX_TOOL_PATH, model};
        if (*mode) args.push_back(mode);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        rusage usage{};
        ASSERT_EQ(wait4(child, &status, 0, &usage), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << mode << " status " << status;
        EXPECT_LT(uint64_t(usage.ru_maxrss) * 1024, bound) << mode;
        // All of it was read: the largest solid with its vertices and triangles.
        const std::string report = readFileBytes(out);
        const std::string largest = *mode == 0 ? "solid 15 (Solid_15) at" : "\"vertices\": 1600000";
        if (*mode != '-' || mode[2] == 'j') EXPECT_NE(report.find(largest), std::string::npos) << mode;
        else EXPECT_EQ(report, "0 problems\n");
    }
}
