// Input and output checks of the inspector's command.
#include "inspect/file_checks.h"

#include "inspect/inspect.h"
#include "platform/files.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orvex::inspect {

namespace fs = std::filesystem;

namespace {

constexpr const char16_t* kDataFiles[] = {u"_model.alm", u"_mod.sm", u"camera.cam", u"Views.cam", u"_mod.sync"};

std::u16string join(const std::u16string& folder, const std::u16string& name) {
    return folder.empty() || folder.back() == u'/' || folder.back() == u'\\' ? folder + name : folder + u"/" + name;
}

std::u16string fileName(const std::u16string& path) {
    std::u16string trimmed = path;
    while (trimmed.size() > 1 && (trimmed.back() == u'/' || trimmed.back() == u'\\')) trimmed.pop_back();
    const size_t slash = trimmed.find_last_of(u"/\\");
    return slash == std::u16string::npos ? trimmed : trimmed.substr(slash + 1);
}

bool inside(const fs::path& path, const fs::path& folder) {
    const fs::path relative = path.lexically_relative(folder);
    return !relative.empty() && *relative.begin() != "..";
}

} // namespace

fs::path fsPath(const std::u16string& path) {
#ifdef _WIN32
    return fs::path(std::wstring(path.begin(), path.end()));
#else
    return fs::path(nativePath(path));
#endif
}

FileKind fileKind(const std::u16string& path, std::string* error) {
    std::error_code ec;
    const fs::file_status status = fs::status(fsPath(path), ec);
    if (ec || !fs::exists(status)) {
        if (error) *error = ec ? ec.message() : std::strerror(ENOENT);
        return FileKind::Missing;
    }
    if (fs::is_regular_file(status)) return FileKind::Regular;
    if (fs::is_directory(status)) return FileKind::Folder;
    return FileKind::Other;
}

std::string checkInput(const std::u16string& path) {
    const std::string lead = toUtf8(path) + ": ";
    std::string reason;
    switch (fileKind(path, &reason)) {
    case FileKind::Missing: return lead + reason;
    case FileKind::Other: return lead + "not a regular file or folder (a pipe, device or socket): not read";
    case FileKind::Folder: {
        std::error_code ec;
        fs::directory_iterator listing(fsPath(path), ec);
        if (ec) return lead + ec.message();
        // Something to read: at least one data folder file that is a regular file (a pipe
        // under such a name is reported but never opened).
        std::u16string unreadable;
        for (const char16_t* name : kDataFiles) {
            const FileKind kind = fileKind(join(path, name));
            if (kind == FileKind::Regular) return {};
            if (kind != FileKind::Missing && unreadable.empty()) unreadable = name;
        }
        if (!unreadable.empty())
            return lead + "nothing readable: " + toUtf8(unreadable) +
                   " is not a regular file (a folder, pipe, device or socket)";
        return lead + "no data folder files in this folder (_model.alm, _mod.sm, camera.cam, Views.cam, _mod.sync)";
    }
    case FileKind::Regular: break;
    }
    if (roleOfName(fileName(path)) == FileRole::Folder)
        return lead + "not a data folder file (_model.alm, _mod.sm, camera.cam, Views.cam, _mod.sync or a folder)";
    // A regular file, so opening it cannot block.
    if (!File(path, "rb")) return lead + std::strerror(errno);
    return {};
}

std::string checkOutput(const std::u16string& out, const Inspection& inspection) {
    const std::string lead = toUtf8(out) + ": ";
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(fsPath(out), ec);
    if (ec) return lead + ec.message();
    const fs::path folder = fs::canonical(fsPath(inspection.dataFolder), ec);
    if (!ec && (target == folder || inside(target, folder)))
        return lead + "lies in the data folder being inspected (" + toUtf8(inspection.dataFolder) +
               "): the preview is not written there";
    if (fileKind(out) == FileKind::Folder) return lead + "is a folder";
    // A link from elsewhere to one of the files read is refused as well.
    for (const char16_t* name : kDataFiles) {
        const fs::path input = fsPath(join(inspection.dataFolder, name));
        if (fs::equivalent(fsPath(out), input, ec))
            return lead + "is the data folder file " + toUtf8(name) + " being inspected: not written";
    }
    return {};
}

} // namespace orvex::inspect
