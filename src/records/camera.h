// The camera block: parsed into a record, mapped to the renderer's camera and sent.
#pragma once

#include "core/renderer_session.h"
#include "records/camera_record.h"

#include <string>

namespace orvex {

SimpleCamera toSimpleCamera(const CameraRecord& record);

void parseCameraBlock(const std::u16string& text, CameraRecord& record);
void sendCamera(const RendererSession& session, const CameraRecord& record);

} // namespace orvex
