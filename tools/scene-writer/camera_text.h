// Writes camera and views blocks the way the host does, from the records in the host's own
// axes: fixtures for the tests and the camera files of the sample data folder.
#pragma once

#include "records/camera_record.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::scene {

// Camera_Start, then every key in the host's order, one line each ("Camera_Version [1]",
// "Camera_nType [0]", "Camera__fov [0.8]", "Camera_Name [Front]", "Camera__from [10 20 1.6]",
// "Camera__to [...]", "Camera__up [...]", "Camera__fNerClipp [0.1]", "Camera_Name_ID [...]"),
// then Camera_End. Every line ends with a line feed; floats are the shortest decimal that
// reads back to the same value.
std::u16string cameraBlockText(const CameraRecord& camera, int32_t version = 1);

// Cameras_Start, "Cameras_Version [n]", "Cameras_nActCamera [active]", each view as a
// Cameras_Camera_ObjectSTART / Cameras_Camera_ObjectEND pair around its camera block, then
// Cameras_End.
std::u16string viewsBlockText(const ViewList& views, int32_t version = 1);

// The bytes of a camera file as the host writes it: CR LF line ends and one byte per unit
// (units above 255 become '?').
std::string hostFileBytes(std::u16string_view text);

} // namespace orvex::scene
