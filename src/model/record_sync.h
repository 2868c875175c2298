// The camera and the saved views, synchronised against what the scene owner has sent before
// (messages 1025 and 1029, and the views section of model blocks).
#pragma once

#include "records/camera_record.h"

namespace orvex {

class ModelExchange;

// Reads "camera.cam" from the data folder and sends it; nothing when it cannot be read.
void syncCamera(ModelExchange& exchange);
// Sends the views of a list against the views stored before, then the active one.
void applyViewList(ModelExchange& exchange, const ViewList& list);
// Reads "Views.cam" from the data folder and applies it; nothing when it cannot be read.
void syncViews(ModelExchange& exchange);

} // namespace orvex
