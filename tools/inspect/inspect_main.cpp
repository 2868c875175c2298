// orvex-inspect: a readable summary, a validation or JSON of a data folder or one of its
// files, and optionally a binary glTF preview of the scene.
#include "inspect/gltf_export.h"
#include "inspect/inspect.h"
#include "inspect/report.h"
#include "platform/text.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: orvex-inspect PATH [--validate] [--json] [--gltf FILE.glb]\n"
    "  PATH        a data folder, or one of its files: _model.alm, _mod.sm, camera.cam,\n"
    "              Views.cam, _mod.sync\n"
    "  --validate  list every problem with its byte offset; exit 1 when there is one\n"
    "  --json      print the summary (and the problems) as JSON\n"
    "  --gltf FILE write the scene as binary glTF 2.0 (renderer axes under a Z-up to Y-up root)\n";

void print(const std::string& text, std::FILE* stream) { std::fwrite(text.data(), 1, text.size(), stream); }

int run(const std::vector<std::u16string>& args) {
    std::u16string path, gltfPath;
    bool validate = false, json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& a = args[i];
        if (a == u"--validate") {
            validate = true;
        } else if (a == u"--json") {
            json = true;
        } else if (a == u"--gltf" && i + 1 < args.size()) {
            gltfPath = args[++i];
        } else if (a == u"--help" || a == u"-h") {
            print(kUsage, stdout);
            return 0;
        } else if (path.empty() && !(a.size() > 1 && a[0] == u'-' && a[1] == u'-')) {
            path = a;
        } else {
            print(kUsage, stderr);
            return 2;
        }
    }
    if (path.empty()) {
        print(kUsage, stderr);
        return 2;
    }

    const orvex::inspect::Inspection inspection = orvex::inspect::inspectPath(path);
    if (!inspection.anything() && inspection.problems.empty()) {
        print("orvex-inspect: no data folder files in " + orvex::toUtf8(path) + "\n", stderr);
        return 2;
    }
    print(json ? orvex::inspect::jsonReport(inspection) : orvex::inspect::textReport(inspection, validate),
          stdout);

    if (!gltfPath.empty()) {
        const orvex::inspect::GltfExport gltf = orvex::inspect::exportGltf(inspection);
        for (const std::string& note : gltf.notes) print("orvex-inspect: glTF: " + note + "\n", stderr);
        if (!orvex::inspect::writeGltf(gltf, gltfPath)) {
            print("orvex-inspect: cannot write " + orvex::toUtf8(gltfPath) + "\n", stderr);
            return 2;
        }
        print("glTF preview written to " + orvex::toUtf8(gltfPath) + " (" + std::to_string(gltf.glb.size()) +
                  " bytes)\n",
              stderr);
    }
    return validate && !inspection.problems.empty() ? 1 : 0;
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i], argv[i] + wcslen(argv[i]));
    return run(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(orvex::fromUtf8(argv[i]));
    return run(args);
}
#endif
