// Commits go ahead of the need (twice what is held, in whole pages), so that a part a little
// larger than the last costs no system call; committed pages that are never written cost no
// memory.
#include "platform/growable_memory.h"

#include <algorithm>

namespace orvex {

namespace {

constexpr size_t kCommitStep = size_t(64) << 10;

} // namespace

GrowableMemory::~GrowableMemory() {
    if (base_) release(base_, reserved_);
}

void* GrowableMemory::reserve(size_t bytes) {
    if (bytes <= committed_) return base_;
    if (bytes > largest_) return nullptr;
    if (!base_) {
        const size_t whole = static_cast<size_t>((largest_ + kCommitStep - 1) / kCommitStep * kCommitStep);
        if (whole < largest_) return nullptr; // no room in this address space
        base_ = static_cast<unsigned char*>(reserveAddresses(whole));
        if (!base_) return nullptr;
        reserved_ = whole;
    }
    const size_t wanted = std::max(bytes, std::min(reserved_ / 2, committed_) * 2);
    const size_t upTo = std::min(reserved_, (wanted + kCommitStep - 1) / kCommitStep * kCommitStep);
    if (!commit(base_ + committed_, upTo - committed_)) return nullptr;
    committed_ = upTo;
    return base_;
}

} // namespace orvex
