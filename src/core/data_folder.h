// Where the host and this program exchange files, and the names derived from the
// host's project path.
#pragma once

#include <string>

namespace orvex {

// The data folder: from "APPDATA" when set, else from the registry value "TempPath";
// empty when neither gives one (then asked again on the next call).
std::u16string getDataFolder();
// The folder, a backslash unless it already ends with one, and the name; the bare name when
// the folder is empty. Without a folder: in the data folder.
std::u16string dataFilePath(const std::u16string& folder, const std::u16string& name);
std::u16string dataFilePath(const std::u16string& name);
// The folders that texture and IES names are relative to: a data folder followed by
// "\\Textures\\" or "\\IES\\".
std::u16string textureFolder(const std::u16string& dataFolder);
std::u16string iesFolder(const std::u16string& dataFolder);
// The project's file name without folders and without its last extension.
std::u16string projectStem(const std::u16string& path);
// The path up to its last full stop (anywhere in it), then ".orvexa".
std::u16string sceneFilePath(const std::u16string& path);

// Forgets the cached folder (tests start each case from an empty cache).
void resetDataFolderCache();

} // namespace orvex
