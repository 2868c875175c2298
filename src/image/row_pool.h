// Loops spread over every hardware thread: over rows cut into contiguous pieces, one per
// thread, or over tasks that the threads take one after the other.
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

// Calls work(task, worker) once for every task in [0, count) on up to workers threads
// (worker in [0, workers)), each thread taking the next task not yet started, so that a
// thread the machine holds back leaves its share to the others. The calling thread is
// worker 0; a single task or worker runs on the caller alone. work must not throw.
void forEachTask(uint32_t count, uint32_t workers, const std::function<void(uint32_t task, uint32_t worker)>& work);

// The number of hardware threads (at least 1).
uint32_t hardwareThreads();

} // namespace orvex
