// A model block to the renderer: materials, lights, solids with their meshes, and views.
#pragma once

#include <cstdint>
#include <vector>

namespace orvex {

class ModelExchange;
struct PartRecord;
struct RendererSession;

// Reads the block at blockStart of the open container and sends what it holds, recording it
// in the exchange's tables.
void readModelBlock(ModelExchange& exchange, uint64_t blockStart);
// One part as one indexed mesh; an unindexed part is sent with the indices 0 .. n-1, kept in
// generated from part to part.
void sendPart(const RendererSession& session, const PartRecord& part, std::vector<uint32_t>& generated);

} // namespace orvex
