// A model block: materials, lights, solids with their meshes, and views, to the renderer.
#pragma once

#include <cstdint>
#include <string>

namespace orvex {

class ModelExchange;
struct RendererSession;

void readModelBlock(ModelExchange& exchange, uint64_t blockStart);
void sendMesh(const RendererSession& session, const std::u16string& label, uint32_t vertexCount,
              const float* positions, const uint32_t* attributes2, const uint32_t* attributes5,
              const uint32_t* indices, uint32_t positionCount, uint32_t indexCount);

} // namespace orvex
