// A preview of what the renderer would show, as binary glTF 2.0: solids as meshes and nodes,
// materials as PBR materials, point and spot lights through KHR_lights_punctual, views as
// cameras.
//
// Axes: geometry, lights and cameras are written in the renderer's axes (the program sends
// solid positions unchanged and turns the host's camera and light vectors (x, y, z) into
// (y, -x, z)). The renderer's up is +Z; glTF's is +Y, so everything hangs under one root node
// whose rotation (-90 degrees about X) turns renderer Z into glTF Y. Reading the child nodes'
// values gives renderer coordinates unchanged.
#pragma once

#include "inspect/inspection.h"

#include <string>
#include <vector>

namespace orvex::inspect {

struct GltfExport {
    std::string glb;                // the whole file
    std::vector<std::string> notes; // what could not be expressed and was left out
};

// The model blocks of the first container that has any (in a data folder, "_model.alm"),
// with the views of its views section or, failing that, of "Views.cam", and "camera.cam" as
// the current camera.
GltfExport exportGltf(const Inspection& inspection);
bool writeGltf(const GltfExport& gltf, const std::u16string& path);

} // namespace orvex::inspect
