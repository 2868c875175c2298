// The container cursor's read-ahead: any mix of small and large reads, forward and backward
// jumps, writes in between and a file cut short under it reads exactly the file's bytes.
#include "core/container_reader.h"
#include "platform/text.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

using namespace orvex;

namespace {

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    std::mt19937 random(42);
    for (auto& b : bytes) b = static_cast<char>(random());
    return bytes;
}

} // namespace

TEST(ContainerReaderWindow, RandomReadsReturnTheFileBytes) {
    test::TempFolder temp;
    const std::string bytes = pattern(3 * 1024 * 1024 + 17);
    test::writeFileBytes(temp.file("c.bin"), bytes);
    ContainerReader f;
    std::mt19937 random(7);
    std::string got;
    for (int i = 0; i < 4000; ++i) {
        // One open may read only a few passes over the file: open anew now and then.
        if (i % 20 == 0) {
            const uint64_t at = f.position();
            ASSERT_TRUE(f.open(fromUtf8(temp.file("c.bin")), "rb"));
            ASSERT_EQ(f.size(), bytes.size());
            f.seek(at);
        }
        // Mostly short forward steps, as a block is read; now and then a jump anywhere and
        // a read of any size up to a few hundred kilobytes.
        const uint32_t kind = random() % 10;
        if (kind == 0) f.seek(random() % bytes.size());
        else if (kind == 1) f.seek(f.position() > 5000 ? f.position() - random() % 5000 : 0);
        else if (kind == 2) f.skip(random() % 70000);
        const size_t n = kind == 3 ? random() % 400000 : random() % 64;
        const uint64_t at = f.position();
        got.assign(n, '\x55');
        const bool fits = at <= bytes.size() && n <= bytes.size() - at;
        EXPECT_EQ(f.readBytes(got.data(), n), fits || n == 0) << "read " << n << " at " << at;
        if (fits) {
            ASSERT_TRUE(got == bytes.substr(at, n)) << "read " << n << " at " << at;
            EXPECT_EQ(f.position(), at + n);
        } else {
            EXPECT_EQ(got, std::string(n, '\0'));
            EXPECT_EQ(f.position(), std::max<uint64_t>(at, bytes.size()));
        }
    }
}

TEST(ContainerReaderWindow, LittleEndianArraysAndTexts) {
    test::TempFolder temp;
    test::writeFileBytes(temp.file("a.bin"), std::string("\x01\x02\x03\x04\xFF\xFF\xFF\x7F" "A\0\x00\x4E", 12));
    ContainerReader f;
    ASSERT_TRUE(f.open(fromUtf8(temp.file("a.bin")), "rb"));
    uint32_t words[2];
    EXPECT_TRUE(f.readU32s(words, 2));
    EXPECT_EQ(words[0], 0x04030201u);
    EXPECT_EQ(words[1], 0x7FFFFFFFu);
    char16_t units[2];
    EXPECT_TRUE(f.readU16s(units, 2));
    EXPECT_EQ(units[0], u'A');
    EXPECT_EQ(units[1], u'\u4E00');
    EXPECT_FALSE(f.readU32s(words, 1));
    EXPECT_EQ(words[0], 0u);
}

TEST(ContainerReaderWindow, WriteAfterReadIsReadBack) {
    test::TempFolder temp;
    test::writeFileBytes(temp.file("w.bin"), pattern(100000));
    ContainerReader f;
    ASSERT_TRUE(f.open(fromUtf8(temp.file("w.bin")), "rb+"));
    f.seek(1000);
    f.readU32(); // the window now holds this part of the file
    f.seek(1004);
    ASSERT_TRUE(f.writeU32(0xA1B2C3D4u));
    f.seek(1004);
    EXPECT_EQ(f.readU32(), 0xA1B2C3D4u);
    f.seek(99998);
    ASSERT_TRUE(f.writeU32(0x01020304u)); // grows the file by two bytes
    EXPECT_EQ(f.size(), 100002u);
    f.seek(99998);
    EXPECT_EQ(f.readU32(), 0x01020304u);
}

TEST(ContainerReaderWindow, FileCutShortUnderTheReaderReadsZeros) {
    test::TempFolder temp;
    const std::string bytes = pattern(600000);
    test::writeFileBytes(temp.file("s.bin"), bytes);
    ContainerReader f;
    ASSERT_TRUE(f.open(fromUtf8(temp.file("s.bin")), "rb"));
    EXPECT_EQ(f.readU32(), uint32_t(uint8_t(bytes[0])) | uint32_t(uint8_t(bytes[1])) << 8 |
                               uint32_t(uint8_t(bytes[2])) << 16 | uint32_t(uint8_t(bytes[3])) << 24);
    std::filesystem::resize_file(temp.file("s.bin"), 300000); // the host rewrote it
    std::string large(100000, '\x55');
    f.seek(250000);
    EXPECT_FALSE(f.readBytes(large.data(), large.size()));
    EXPECT_TRUE(large.substr(0, 50000) == bytes.substr(250000, 50000));
    EXPECT_EQ(large.substr(50000), std::string(50000, '\0'));
    std::string small(100, '\x55');
    f.seek(400000);
    EXPECT_FALSE(f.readBytes(small.data(), small.size()));
    EXPECT_EQ(small, std::string(100, '\0'));
    f.seek(299990);
    EXPECT_FALSE(f.readBytes(small.data(), 20));
    EXPECT_EQ(small.substr(0, 20), std::string(20, '\0'));
}

TEST(ContainerReaderWindow, ReadsAndWritesInterleaveAndStopAtTheEnd) {
    test::TempFolder temp;
    ContainerReader f;
    ASSERT_TRUE(f.open(fromUtf8(temp.file("f.bin")), "wb+"));
    EXPECT_EQ(f.size(), 0u);
    EXPECT_TRUE(f.writeU32(1));
    EXPECT_TRUE(f.writeU32(2));
    f.seek(0);
    EXPECT_EQ(f.readU32(), 1u);
    EXPECT_TRUE(f.writeU32(3)); // a write right after a read
    EXPECT_EQ(f.size(), 8u);
    f.seek(0);
    EXPECT_EQ(f.readU32(), 1u);
    EXPECT_EQ(f.readU32(), 3u);

    // Nothing is read past the end: zeros, and the cursor stays at the end.
    unsigned char bytes[4] = {9, 9, 9, 9};
    f.seek(6);
    EXPECT_FALSE(f.readBytes(bytes, 4));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 4), std::string(4, '\0'));
    EXPECT_EQ(f.position(), 8u);
    f.seek(100);
    EXPECT_EQ(f.readU32(), 0u);
    EXPECT_EQ(f.remaining(), 0u);
    f.seek(2);
    f.skip(1000);
    EXPECT_EQ(f.position(), 8u);
    f.seek(2);
    f.skip(3);
    EXPECT_EQ(f.position(), 5u);
    f.close();
    EXPECT_EQ(test::readFileBytes(temp.file("f.bin")), std::string("\1\0\0\0\3\0\0\0", 8));
}
