// Memory that grows in place: what it holds stays (and where it is, within its first
// reservation of 64 MiB), every byte asked for can be written, and a size beyond its largest
// is refused without losing anything.
#include "platform/growable_memory.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orvex;

TEST(GrowableMemory, GrowsKeepingItsContentsUpToItsLargestSize) {
    constexpr size_t kLargest = size_t(70) << 20;
    GrowableMemory memory(kLargest);
    auto* first = static_cast<unsigned char*>(memory.reserve(10));
    ASSERT_NE(first, nullptr);
    std::memcpy(first, "0123456789", 10);
    for (size_t size : {size_t(4096), size_t(70000), size_t(3) << 20, size_t(64) << 20}) {
        auto* grown = static_cast<unsigned char*>(memory.reserve(size));
        ASSERT_EQ(grown, first) << size;
        grown[size - 1] = 0xA5;
        EXPECT_EQ(std::memcmp(grown, "0123456789", 10), 0) << size;
    }
    // Past the first reservation the contents move once.
    auto* moved = static_cast<unsigned char*>(memory.reserve(kLargest));
    ASSERT_NE(moved, nullptr);
    moved[kLargest - 1] = 0x5A;
    EXPECT_EQ(std::memcmp(moved, "0123456789", 10), 0);
    EXPECT_EQ(moved[(size_t(64) << 20) - 1], 0xA5);

    EXPECT_EQ(memory.reserve(kLargest + 1), nullptr);
    EXPECT_EQ(memory.reserve(100), moved);
    EXPECT_EQ(moved[kLargest - 1], 0x5A);
}
