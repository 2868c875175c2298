// What the inspector may read and where it may write, decided from the file system's own
// answers (stat, canonical paths, device and inode) before anything is opened: a pipe named
// like a data folder file must not block the inspector, and a preview must never land on
// the host's files.
#pragma once

#include "inspect/inspection.h"

#include <filesystem>
#include <string>

namespace orvex::inspect {

// A program path text as the file system takes it (backslashes as separators off Windows).
std::filesystem::path fsPath(const std::u16string& path);

enum class FileKind { Missing, Regular, Folder, Other };
// stat, never open; error holds the system's reason when the path cannot be looked at.
FileKind fileKind(const std::u16string& path, std::string* error = nullptr);

// Empty when PATH can be inspected; otherwise "PATH: reason".
std::string checkInput(const std::u16string& path);

// Empty when the preview may be written to OUT; otherwise "OUT: reason". OUT may not be the
// data folder, lie inside it, or be (a link to) any file the inspection read.
std::string checkOutput(const std::u16string& out, const Inspection& inspection);

} // namespace orvex::inspect
