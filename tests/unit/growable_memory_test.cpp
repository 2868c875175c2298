// Memory that grows in place: what it holds stays where it is, and a size beyond its largest
// is refused without losing anything.
#include "platform/growable_memory.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace orvex;

TEST(GrowableMemory, GrowsInPlaceKeepingItsContentsUpToItsLargestSize) {
    constexpr size_t kLargest = size_t(8) << 20;
    GrowableMemory memory(kLargest);
    auto* first = static_cast<unsigned char*>(memory.reserve(10));
    ASSERT_NE(first, nullptr);
    std::memcpy(first, "0123456789", 10);
    for (size_t size : {size_t(4096), size_t(70000), size_t(3) << 20, kLargest}) {
        auto* grown = static_cast<unsigned char*>(memory.reserve(size));
        ASSERT_EQ(grown, first) << size;
        grown[size - 1] = 0xA5; // every byte asked for can be written
        EXPECT_EQ(std::memcmp(grown, "0123456789", 10), 0) << size;
    }
    EXPECT_EQ(memory.reserve(kLargest + 1), nullptr);
    EXPECT_EQ(memory.reserve(100), first);
    EXPECT_EQ(std::memcmp(first, "0123456789", 10), 0);
    EXPECT_EQ(first[kLargest - 1], 0xA5);
}
