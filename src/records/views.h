// The views block and the scene views sent to the renderer.
#pragma once

#include "core/renderer_session.h"
#include "records/camera_record.h"

#include <string>

namespace orvex {

void parseViewsBlock(const std::u16string& text, ViewList& list);
void sendSceneView(const RendererSession& session, const CameraRecord& view);
// Equal within the tolerances that keep rounding noise in the host's file from moving a view.
bool viewsEqual(const CameraRecord& a, const CameraRecord& b);

} // namespace orvex
