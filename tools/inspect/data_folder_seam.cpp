// The inspector's platform: the data folder is the inspected one; the rest is passed on.
#include "inspect/data_folder_seam.h"

#include "core/data_folder.h"

namespace orvex::inspect {

DataFolderScope::DataFolderScope(std::u16string folder) : folder_(std::move(folder)), previous_(platform()) {
    setPlatform(this);
    resetDataFolderCache();
}

DataFolderScope::~DataFolderScope() {
    setPlatform(&previous_);
    resetDataFolderCache();
}

std::optional<std::u16string> DataFolderScope::environmentVariable(const std::u16string&, size_t) {
    return std::nullopt;
}

std::optional<std::u16string> DataFolderScope::registryValue(const std::u16string&, const std::u16string& value,
                                                             size_t) {
    if (value != u"TempPath" || folder_.empty()) return std::nullopt;
    return folder_;
}

void DataFolderScope::messageBoxW(const std::u16string& caption, const std::u16string& text) {
    previous_.messageBoxW(caption, text);
}

void DataFolderScope::messageBoxA(const std::string& caption, const std::string& text) {
    previous_.messageBoxA(caption, text);
}

bool DataFolderScope::decodeImage(const std::u16string& path, PixelImage& out) {
    return previous_.decodeImage(path, out);
}

} // namespace orvex::inspect
