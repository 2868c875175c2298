// Points the program's data folder at the folder being inspected, through the platform seam,
// so that texture folders, IES paths and file names resolve exactly as the program resolves
// them. Image decoding and message boxes still go to the platform that was in place.
#pragma once

#include "platform/platform.h"

#include <string>

namespace orvex::inspect {

class DataFolderScope final : public Platform {
public:
    explicit DataFolderScope(std::u16string folder);
    ~DataFolderScope() override;
    DataFolderScope(const DataFolderScope&) = delete;
    DataFolderScope& operator=(const DataFolderScope&) = delete;

    // No "APPDATA" (it would add the host's own subfolders); the registry value "TempPath"
    // names the folder itself, whatever its length.
    std::optional<std::u16string> environmentVariable(const std::u16string&, size_t) override;
    std::optional<std::u16string> registryValue(const std::u16string& key, const std::u16string& value,
                                                size_t announcedBytes) override;
    void messageBoxW(const std::u16string& caption, const std::u16string& text) override;
    void messageBoxA(const std::string& caption, const std::string& text) override;
    bool decodeImage(const std::u16string& path, PixelImage& out) override;

private:
    std::u16string folder_;
    Platform& previous_;
};

} // namespace orvex::inspect
