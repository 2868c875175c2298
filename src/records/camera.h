// The camera block: parsed into a record, mapped to the renderer's camera and sent.
#pragma once

#include "core/keyed_block_table.h"
#include "core/renderer_session.h"
#include "records/camera_record.h"

#include <string>

namespace orvex {

// The camera block's name and its keys in the order they are tested.
inline constexpr std::u16string_view kCameraBlockName = u"Camera";
std::span<const Key<CameraRecord>> cameraKeys();

SimpleCamera toSimpleCamera(const CameraRecord& record);

void parseCameraBlock(const std::u16string& text, CameraRecord& record);
void sendCamera(const RendererSession& session, const CameraRecord& record);

} // namespace orvex
