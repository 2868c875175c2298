// Runs a loop over rows on every hardware thread: the range is cut into contiguous pieces,
// one per thread, and the calling thread takes the last piece itself.
#pragma once

#include <cstdint>
#include <functional>

namespace orvex {

// Calls work(first, last) for contiguous pieces [first, last) that together cover
// [0, count) exactly once, and returns when every piece is done. There are as many pieces
// as hardware threads (fewer when there are fewer rows), their lengths differ by at most
// one; a single row, or a single thread, runs directly on the caller. work must not throw.
void forEachRowPiece(uint32_t count, const std::function<void(uint32_t first, uint32_t last)>& work);

// The number of pieces forEachRowPiece would cut count rows into.
uint32_t rowPieceCount(uint32_t count);

} // namespace orvex
