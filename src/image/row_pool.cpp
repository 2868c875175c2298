// Threads are started per call: the heavy callers run for milliseconds at least, so the
// start cost is small, and nothing is left running between calls or at process exit.
#include "image/row_pool.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace orvex {

uint32_t hardwareThreads() { return std::max(1u, std::thread::hardware_concurrency()); }

uint32_t rowPieceCount(uint32_t count) { return std::min<uint32_t>(count, hardwareThreads()); }

void forEachRowPiece(uint32_t count, const std::function<void(uint32_t first, uint32_t last)>& work) {
    const uint32_t pieces = rowPieceCount(count);
    if (pieces == 0) return;
    if (pieces == 1) {
        work(0, count);
        return;
    }
    // The first (count % pieces) pieces get one row more than the others.
    const uint32_t base = count / pieces;
    const uint32_t longer = count % pieces;
    auto pieceStart = [&](uint32_t i) { return i * base + std::min(i, longer); };

    std::vector<std::thread> workers;
    workers.reserve(pieces - 1);
    uint32_t piece = 0;
    for (; piece + 1 < pieces; ++piece) {
        const uint32_t first = pieceStart(piece);
        const uint32_t last = pieceStart(piece + 1);
        try {
            workers.emplace_back([&work, first, last] { work(first, last); });
        } catch (const std::system_error&) {
            break; // no more threads to be had: the caller does the rest
        }
    }
    work(pieceStart(piece), count);
    for (auto& worker : workers) worker.join();
}

void forEachTask(uint32_t count, uint32_t workers, const std::function<void(uint32_t task, uint32_t worker)>& work) {
    workers = std::min(workers, count);
    std::atomic<uint32_t> next{0};
    auto run = [&](uint32_t worker) {
        for (uint32_t task = next++; task < count; task = next++) work(task, worker);
    };
    std::vector<std::thread> helpers;
    if (workers > 1) helpers.reserve(workers - 1);
    for (uint32_t worker = 1; worker < workers; ++worker) {
        try {
            helpers.emplace_back(run, worker);
        } catch (const std::system_error&) {
            break; // no more threads to be had: the others take the tasks
        }
    }
    run(0);
    for (auto& helper : helpers) helper.join();
}

} // namespace orvex
