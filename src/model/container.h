// The host's model container ("_model.alm", "_mod.sm") as the scene owner uses it: opened for
// one operation, its header read (or, for a missing or short file, written), one entry loaded.
#pragma once

#include "core/container_header.h"

#include <cstdint>

namespace orvex {

class ModelExchange;

void openContainer(ModelExchange& exchange);
HeaderResult readHeader(ModelExchange& exchange);
void loadModelEntry(ModelExchange& exchange, int32_t index);

} // namespace orvex
