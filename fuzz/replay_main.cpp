// Runs a fuzz target's entry point over kept inputs without libFuzzer, so that any compiler
// can replay the committed corpus: every file named, and every file inside every folder
// named (in name order), is fed once. A fault ends the process the way it would end the
// fuzzer (a crash, or the sanitizer's report when the build has one).
//   <target>_replay <file or folder>...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

bool replay(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.string().c_str());
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // An empty input is fed through a valid pointer, as libFuzzer does.
    static const uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &kNothing : bytes.data(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    size_t inputs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path named = argv[i];
        std::error_code error;
        if (!fs::is_directory(named, error)) {
            ok = replay(named) && ok;
            ++inputs;
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(named))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            ok = replay(file) && ok;
            ++inputs;
        }
    }
    if (inputs == 0) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    std::printf("replayed %zu inputs\n", inputs);
    return ok ? 0 : 1;
}
