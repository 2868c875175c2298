// The views block, the saved views sent before and the views synchronisation (message 1029
// and the views section of model blocks).
#pragma once

#include "records/camera_record.h"

#include <string>

namespace orvex {

class ModelExchange;
struct RendererSession;

void parseViewsBlock(const std::u16string& text, ViewList& list);
void applyViewList(ModelExchange& exchange, const ViewList& list);
void sendSceneView(const RendererSession& session, const CameraRecord& view);
bool viewsEqual(const CameraRecord& a, const CameraRecord& b);
// Reads "Views.cam" from the data folder and applies it; nothing when it cannot be read.
void syncViews(ModelExchange& exchange);

} // namespace orvex
