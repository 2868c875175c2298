// Data folders for the glTF preview's edge cases, made with the project's container and text
// writers: shared by the unit suite and the validator run.
#pragma once

#include <string>
#include <vector>

namespace orvex::inspect {

// Writes one data folder per case under root (native path) and returns the case names.
// False when a file cannot be written.
bool writeGltfCaseFolders(const std::string& root, std::vector<std::string>& names);

} // namespace orvex::inspect
