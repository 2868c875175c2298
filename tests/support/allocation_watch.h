// Replaces the global allocation functions of one test program so that a test can see the
// largest single request a read made: a count taken from a damaged file must never size
// storage beyond what the file holds. Include from exactly one file of a test program.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace orvex::test {
inline size_t largestAllocation = 0;
}

void* operator new(std::size_t size) {
    if (size > orvex::test::largestAllocation) orvex::test::largestAllocation = size;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The library's temporary buffers come from the nothrow form and go back through delete.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (size > orvex::test::largestAllocation) orvex::test::largestAllocation = size;
    return std::malloc(size ? size : 1);
}
// Kept out of line: inlined, the compiler would see free() meet a pointer from new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
