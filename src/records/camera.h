// The camera block and the camera synchronisation (message 1025).
#pragma once

#include "app/renderer_api.h"
#include "records/camera_record.h"

#include <string>

namespace orvex {

class ModelExchange;
struct RendererSession;

// Host axes (x, y, z) to renderer axes (y, -x, z); the negation multiplies by -1, so a zero
// becomes a negative zero.
void toRendererAxes(const float host[3], float renderer[3]);
// The renderer's field of view: the host's times 1.24 in single precision.
float rendererFieldOfView(float hostFieldOfView);
SimpleCamera toSimpleCamera(const CameraRecord& record);

void parseCameraBlock(const std::u16string& text, CameraRecord& record);
void sendCamera(const RendererSession& session, const CameraRecord& record);
// Reads "camera.cam" from the data folder and sends it; nothing when it cannot be read.
void syncCamera(ModelExchange& exchange);

} // namespace orvex
