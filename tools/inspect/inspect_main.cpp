// orvex-inspect: a readable summary, a validation or JSON of a data folder or one of its
// files, and optionally a binary glTF preview of the scene.
#include "inspect/file_checks.h"
#include "inspect/gltf_export.h"
#include "inspect/html_page.h"
#include "inspect/inspect.h"
#include "inspect/options.h"
#include "inspect/report.h"
#include "platform/text.h"

#include "orvex_version.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace orvex::inspect;

// The reason the first write to standard output failed: the stream keeps only that it failed.
int gOutputError = 0;

void print(const std::string& text, std::FILE* stream) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout && !gOutputError)
        gOutputError = errno ? errno : EIO;
}

int fail(const std::string& message) {
    print("orvex-inspect: " + message + "\n", stderr);
    return kExitFailure;
}

// A report that did not reach its reader is a failure, whatever was found.
int finish(int status) {
    errno = 0;
    if (std::fflush(stdout) != 0 && !gOutputError) gOutputError = errno ? errno : EIO;
    if (gOutputError || std::ferror(stdout)) return fail(std::string("standard output: ") + std::strerror(gOutputError ? gOutputError : EIO));
    return status;
}

int run(const std::vector<std::u16string>& args) {
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.error.empty()) {
        fail(parsed.error);
        print("Try 'orvex-inspect --help' for more information.\n", stderr);
        return kExitFailure;
    }
    const Options& o = parsed.options;
    if (o.help) {
        print(kUsage, stdout);
        return finish(kExitClean);
    }
    if (o.version) {
        print("orvex-inspect " ORVEX_VERSION_TEXT " (commit " ORVEX_COMMIT ")\n", stdout);
        return finish(kExitClean);
    }
    if (const std::string error = checkInput(o.path); !error.empty()) return fail(error);

    // Without a preview or page only counts and bounds are kept, one part at a time.
    Inspection inspection = inspectPath(o.path, o.gltf || o.html ? Geometry::Kept : Geometry::Counts);
    for (const auto& out : {o.gltf, o.html})
        if (out)
            if (const std::string error = checkOutput(*out, inspection); !error.empty()) return fail(error);

    const bool summary = (!o.gltf && !o.html) || o.summary;
    if (o.json) print(jsonReport(inspection), stdout);
    else if (o.validate || summary) print(textReport(inspection, o.validate), stdout);
    else
        for (const Problem& p : inspection.problems) print(problemLine(p, inspection.dataFolder) + "\n", stderr);

    if (o.gltf) {
        const GltfExport gltf = exportGltf(inspection);
        for (const std::string& note : gltf.notes) print("orvex-inspect: glTF: " + note + "\n", stderr);
        errno = 0;
        if (!writeGltf(gltf, *o.gltf))
            return fail(orvex::toUtf8(*o.gltf) + ": " + (errno ? std::strerror(errno) : "write error"));
        print("glTF preview written to " + orvex::toUtf8(*o.gltf) + " (" + std::to_string(gltf.glb.size()) +
                  " bytes)\n",
              stderr);
    }
    const int status = inspection.problems.empty() ? kExitClean : kExitProblems;
    if (o.html) {
        // The page takes the inspection over (past its mesh budget it boxes the parts).
        errno = 0;
        const HtmlPageResult page = writeHtmlPage(std::move(inspection), *o.html, o.meshBudget);
        if (!page.written)
            return fail(orvex::toUtf8(*o.html) + ": " + (errno ? std::strerror(errno) : "write error"));
        if (!o.gltf)
            for (const std::string& note : page.notes) print("orvex-inspect: glTF: " + note + "\n", stderr);
        if (page.boxed)
            print("orvex-inspect: page: the meshes would take " + std::to_string(page.meshBytes) +
                      " bytes, past the page's budget of " + std::to_string(o.meshBudget) +
                      ": each solid is drawn as its bounding box\n",
                  stderr);
        print("scene page written to " + orvex::toUtf8(*o.html) + " (" + std::to_string(page.pageBytes) + " bytes)\n",
              stderr);
    }
    return finish(status);
}

// Every failure ends with a message and status 2, never an abort.
int guarded(const std::vector<std::u16string>& args) {
    try {
        return run(args);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::exception& e) {
        return fail(std::string("unexpected failure: ") + e.what());
    } catch (...) {
        return fail("unexpected failure");
    }
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i], argv[i] + wcslen(argv[i]));
    return guarded(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::u16string> args;
    // Names need not be UTF-8; they are kept byte for byte so that they can still be opened.
    for (int i = 1; i < argc; ++i) args.push_back(orvex::fromSystemBytes(argv[i]));
    return guarded(args);
}
#endif
