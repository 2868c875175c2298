// A model block: materials, lights, solids with their meshes, and views, to the renderer.
#pragma once

#include <cstdint>

namespace orvex {

class ModelExchange;

void readModelBlock(ModelExchange& exchange, uint64_t blockStart);

} // namespace orvex
