// The inspector: reads a data folder or one of its files with the program's own readers and
// reports what the program would see and send, and every problem with its byte offset.
#pragma once

#include "inspect/inspection.h"

#include <string>

namespace orvex::inspect {

// What a single file is, by its name.
enum class FileRole { Folder, ModelContainer, ChangeContainer, Camera, Views, SyncState };
FileRole roleOfName(const std::u16string& name);

// What an inspection keeps of the meshes. Counts and bounds need one part at a time, so the
// memory stays within the largest part plus the reader's window, as the program's does; a
// preview needs every vertex and index it writes.
enum class Geometry { Counts, Kept };

// A data folder, or one file ("_model.alm", "_mod.sm", "camera.cam", "Views.cam",
// "_mod.sync"; other names by their extension). Nothing is written anywhere: the files are
// read, and normal maps the program would generate are only reported.
Inspection inspectPath(const std::u16string& path, Geometry geometry = Geometry::Kept);

// The renderer properties of one material, in the order the program sends them, with texture
// names relative to textureFolder. A normal map the program would generate is listed
// (marked generated) without being made.
std::vector<PropertyValue> materialProperties(const MaterialRecord& record, const std::u16string& textureFolder);

} // namespace orvex::inspect
