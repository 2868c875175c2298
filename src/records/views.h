// The views block and the scene views sent to the renderer.
#pragma once

#include "core/keyed_block_table.h"
#include "core/renderer_session.h"
#include "records/camera_record.h"

#include <string>

namespace orvex {

// The views block's name and its keys in the order they are tested; the last is the
// nested object that holds each view as a camera block.
inline constexpr std::u16string_view kViewsBlockName = u"Cameras";
std::span<const Key<ViewList>> viewsKeys();

void parseViewsBlock(const std::u16string& text, ViewList& list);
void sendSceneView(const RendererSession& session, const CameraRecord& view);
// Equal within the tolerances that keep rounding noise in the host's file from moving a view.
bool viewsEqual(const CameraRecord& a, const CameraRecord& b);

} // namespace orvex
