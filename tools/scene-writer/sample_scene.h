// The bundled sample data folder: a small house with walls, a floor, a roof, glass, lamps,
// lights, saved views and textures, plus the change files a host session would write.
#pragma once

#include <string>

namespace orvex::scene {

// Writes the data folder's files into dataFolder (native path, created if missing) and the
// later change containers into stepsFolder. False when a file cannot be written.
bool writeSampleScene(const std::string& dataFolder, const std::string& stepsFolder);

} // namespace orvex::scene
