// The first reservation is modest (Wine keeps a byte of bookkeeping per reserved page, so a
// reservation of many gigabytes costs tens of milliseconds there); the rare array beyond it
// moves once into a reservation sixteen times as large. Commits go ahead of the need (twice
// what is held), so that a part a little larger than the last costs no system call; committed
// pages that are never written cost no memory.
#include "platform/growable_memory.h"

#include <algorithm>
#include <cstring>

namespace orvex {

namespace {

constexpr size_t kStep = size_t(64) << 10; // the reservation granularity of Windows
constexpr size_t kFirstReservation = size_t(64) << 20;

size_t roundUp(size_t bytes) { return (bytes + kStep - 1) / kStep * kStep; }

} // namespace

GrowableMemory::~GrowableMemory() {
    if (base_) release(base_, reserved_);
}

bool GrowableMemory::replaceReservation(size_t bytes) {
    const uint64_t largest = (largest_ + kStep - 1) / kStep * kStep;
    const uint64_t wanted = std::max<uint64_t>({kFirstReservation, uint64_t(reserved_) * 16, bytes});
    const uint64_t size = std::min(wanted, largest);
    if (size > SIZE_MAX) return false; // not in this address space
    auto* base = static_cast<unsigned char*>(reserveAddresses(static_cast<size_t>(size)));
    if (!base) return false;
    if (committed_ > 0) {
        if (!commit(base, committed_)) {
            release(base, static_cast<size_t>(size));
            return false;
        }
        std::memcpy(base, base_, committed_);
    }
    if (base_) release(base_, reserved_);
    base_ = base;
    reserved_ = static_cast<size_t>(size);
    touched_ = committed_;
    return true;
}

void* GrowableMemory::reserve(size_t bytes) {
    if (bytes <= touched_) return base_;
    if (bytes > largest_) return nullptr;
    if (bytes > reserved_ && !replaceReservation(roundUp(bytes))) return nullptr;
    if (bytes > committed_) {
        const size_t upTo = std::min(reserved_, roundUp(std::max(bytes, std::min(reserved_ / 2, committed_) * 2)));
        if (!commit(base_ + committed_, upTo - committed_)) return nullptr;
        committed_ = upTo;
    }
    // The caller is about to write these bytes; where the system declines to bring the pages
    // in at once, each faults in as it is written, as it would anyway.
    const size_t end = std::min(committed_, roundUp(bytes));
    bringIn(base_ + touched_, end - touched_);
    touched_ = end;
    return base_;
}

} // namespace orvex
