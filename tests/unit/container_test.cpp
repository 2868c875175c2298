// The model container: opening, reading or freshly writing the header, the counted
// readers at the end of a file, and loading one model entry.
#include "model/container.h"
#include "core/container_reader.h"
#include "model/model_exchange.h"
#include "platform/text.h"
#include "scene-writer/container_writer.h"
#include "support/fake_platform.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>

using namespace orvex;
namespace fs = std::filesystem;

// The largest single allocation while tracking is on: the readers must not size storage
// from a count before checking it against the file.
namespace {
size_t gLargestAllocation = 0;
bool gTrackAllocations = false;
} // namespace

// The replacement pair is malloc and free on purpose; GCC cannot see that they match.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t n) {
    if (gTrackAllocations && n > gLargestAllocation) gLargestAllocation = n;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

constexpr size_t kHeaderBytes = layout::kHeaderSize;

const std::string kIdentity = "[1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1]";

std::string beginNode(const std::string& name) {
    return R"({"op":"BeginNode","h":9,"name":")" + name + R"(","transform":)" + kIdentity + R"(,"flag":1})";
}
const std::string kEndNode = R"({"op":"EndNode","h":9})";

// Reports the size and the first differing offset instead of 200 kB of bytes.
void expectSameBytes(const std::string& actual, const std::string& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin());
    EXPECT_TRUE(diff.first == actual.end()) << "first difference at byte " << (diff.first - actual.begin());
}

std::u16string pathOf(const std::string& native) {
    std::u16string p = fromUtf8(native);
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    return p;
}

writer::ModelBlockContent oneSolid(uint32_t id) {
    writer::ModelBlockContent contents;
    writer::SolidContent solid;
    solid.id = id;
    contents.solids = std::vector<writer::SolidContent>{solid};
    return contents;
}

struct Container : ::testing::Test {
    test::TempFolder temp;
    test::Recorder recorder;
    test::FakePlatform fake;
    ModelExchange ex{recorder.api()};
    std::string path;

    Container() {
        path = temp.file("model.alm");
        ex.containerPath = pathOf(path);
        ex.session.handle = 9;
    }
    ~Container() override { ex.session.handle = 0; }

    void write(const writer::ContainerWriter& w) { ASSERT_TRUE(w.writeFile(path)); }
};

} // namespace

TEST_F(Container, ShortFileGetsAFreshHeaderFromTheFieldsInMemory) {
    writer::ContainerWriter old;
    old.version = 3;
    old.addModelBlock(u"C:\\Old.plan", oneSolid(1));
    std::string bytes = old.bytes();
    bytes.resize(kHeaderBytes - 1);
    test::writeFileBytes(path, bytes);

    ContainerHeader& h = ex.header;
    h.version = 9;
    h.headerEnd = 12345;
    h.reservedWord = 0xA1B2C3D4;
    h.nameLength = 999;
    h.name = u"Scene \u00E9\u4E2D";
    h.entryCount = 2;
    h.entries[0].project = u"C:\\Work\\House.plan";
    h.entries[0].kind = 2;
    h.entries[0].blockOffset = layout::kHeaderSize;
    for (uint8_t i = 0; i < 12; ++i) h.entries[0].reserved[i] = static_cast<uint8_t>(0xF0 + i);
    h.entries[99].project = u"Last";
    h.entries[99].kind = 4;
    h.entries[99].blockOffset = -5;

    EXPECT_EQ(readHeader(ex), kHeaderFormatError);
    EXPECT_FALSE(ex.container.isOpen());
    EXPECT_EQ(h.version, 7u);
    EXPECT_EQ(h.headerEnd, 208644u);
    EXPECT_EQ(h.nameLength, 8u);

    writer::ContainerWriter expected;
    expected.reservedWord = 0xA1B2C3D4;
    expected.name = u"Scene \u00E9\u4E2D";
    expected.entryCount = 2;
    expected.entries.resize(100);
    expected.entries[0] = {u"C:\\Work\\House.plan", 2, "", layout::kHeaderSize};
    expected.entries[99] = {u"Last", 4, "", -5};
    std::string want = expected.bytes();
    for (size_t i = 0; i < 12; ++i) want[layout::kEntryTableAt + layout::kEntryReservedAt + i] = static_cast<char>(0xF0 + i);
    expectSameBytes(test::readFileBytes(path), want);

    // The fresh header reads back as written.
    h = ContainerHeader{};
    h.reservedWord = 0;
    EXPECT_EQ(readHeader(ex), kHeaderRead);
    EXPECT_EQ(h.reservedWord, 0xA1B2C3D4u);
    EXPECT_EQ(h.name, u"Scene \u00E9\u4E2D");
    EXPECT_EQ(h.entryCount, 2);
    EXPECT_EQ(h.entries[0].project, u"C:\\Work\\House.plan");
    EXPECT_EQ(h.entries[0].reserved[11], 0xFB);
    EXPECT_EQ(h.entries[99].blockOffset, -5);
}

TEST_F(Container, MissingFileIsCreatedWithAnEmptyHeader) {
    EXPECT_EQ(readHeader(ex), kHeaderFormatError);
    EXPECT_FALSE(ex.container.isOpen());
    expectSameBytes(test::readFileBytes(path), writer::ContainerWriter{}.bytes());
}

TEST_F(Container, FileInAMissingFolderGivesNoFile) {
    ex.containerPath = pathOf(temp.file("missing/model.alm"));
    EXPECT_EQ(readHeader(ex), kHeaderNoFile);
    EXPECT_FALSE(ex.container.isOpen());
    EXPECT_FALSE(fs::exists(temp.file("missing")));
}

TEST_F(Container, ExactHeaderIsReadAndLeftOpenAfterIt) {
    writer::ContainerWriter w;
    w.reservedWord = 5;
    w.name = u"Name";
    w.entries.push_back({u"C:\\A.plan", 2, "", 4242});
    w.entries.push_back({std::u16string(1028, u'p'), 4, "", -1});
    write(w);
    ASSERT_EQ(fs::file_size(path), kHeaderBytes);

    EXPECT_EQ(readHeader(ex), kHeaderRead);
    EXPECT_TRUE(ex.container.isOpen());
    EXPECT_EQ(ex.container.position(), kHeaderBytes);
    const ContainerHeader& h = ex.header;
    EXPECT_EQ(h.version, 7u);
    EXPECT_EQ(h.headerEnd, 208644u);
    EXPECT_EQ(h.reservedWord, 5u);
    EXPECT_EQ(h.nameLength, 4u);
    EXPECT_EQ(h.name, u"Name");
    EXPECT_EQ(h.entryCount, 2);
    EXPECT_EQ(h.entries[0].project, u"C:\\A.plan");
    EXPECT_EQ(h.entries[0].kind, 2u);
    EXPECT_EQ(h.entries[0].blockOffset, 4242);
    // A project filling its whole field has no terminator and stops at the field's end.
    EXPECT_EQ(h.entries[1].project, std::u16string(1028, u'p'));
    EXPECT_EQ(h.entries[1].kind, 4u);
    EXPECT_EQ(h.entries[1].blockOffset, -1);
    EXPECT_EQ(h.entries[2].project, u"");
    EXPECT_EQ(h.entries[2].kind, 0u);
}

TEST_F(Container, VersionBelowSevenIsRefusedAndKeepsTheFieldsAfterIt) {
    writer::ContainerWriter w;
    w.version = 6;
    w.reservedWord = 1234;
    w.entries.push_back({u"C:\\New.plan", 2, "", 0});
    write(w);
    ex.header.reservedWord = 77;
    ex.header.entries[0].project = u"C:\\Before.plan";

    EXPECT_EQ(readHeader(ex), kHeaderOldVersion);
    EXPECT_TRUE(ex.container.isOpen());
    EXPECT_EQ(ex.header.version, 6u);
    EXPECT_EQ(ex.header.reservedWord, 77u);
    EXPECT_EQ(ex.header.entries[0].project, u"C:\\Before.plan");
}

TEST_F(Container, LaterVersionsAreAccepted) {
    for (uint32_t version : {7u, 8u, 0x80000000u, 0xFFFFFFFFu}) {
        writer::ContainerWriter w;
        w.version = version;
        write(w);
        EXPECT_EQ(readHeader(ex), kHeaderRead) << version;
        EXPECT_EQ(ex.header.version, version);
    }
}

TEST_F(Container, HeaderEndMismatchIsAFormatErrorAfterReadingEverything) {
    writer::ContainerWriter w;
    w.headerEnd = 208640;
    w.addModelBlock(u"C:\\Work\\House.plan", {});
    write(w);
    EXPECT_EQ(readHeader(ex), kHeaderFormatError);
    EXPECT_TRUE(ex.container.isOpen());
    EXPECT_EQ(ex.header.headerEnd, 208640u);
    EXPECT_EQ(ex.header.entries[0].project, u"C:\\Work\\House.plan");
    EXPECT_EQ(ex.header.entries[0].blockOffset, int32_t(layout::kHeaderSize));
    // The file is left as it was.
    expectSameBytes(test::readFileBytes(path), w.bytes());
}

TEST_F(Container, ForwardSlashesAreStoredAsBackslashes) {
    write(writer::ContainerWriter{});
    ex.containerPath = fromUtf8(path);
    ASSERT_NE(ex.containerPath.find(u'/'), std::u16string::npos);
    EXPECT_EQ(readHeader(ex), kHeaderRead);
    EXPECT_EQ(ex.containerPath, pathOf(path));
}

TEST_F(Container, HeaderNameIsCutTo511UnitsWhenWritten) {
    ex.header.name = std::u16string(600, u'n');
    EXPECT_EQ(readHeader(ex), kHeaderFormatError);
    const std::string bytes = test::readFileBytes(path);
    ASSERT_EQ(bytes.size(), kHeaderBytes);
    // Unit 511 is the terminating zero; unit 510 is the last of the text.
    EXPECT_EQ(bytes.substr(layout::kNameAt + 2 * 510, 4), std::string("n\0\0\0", 4));

    ex.header = ContainerHeader{};
    EXPECT_EQ(readHeader(ex), kHeaderRead);
    EXPECT_EQ(ex.header.nameLength, 511u);
    EXPECT_EQ(ex.header.name, std::u16string(511, u'n'));
}

TEST_F(Container, CountedTextAndIdListsStopAtTheEndOfTheFile) {
    std::string block;
    writer::appendCountedText(block, u"Hi\u00E9");
    writer::appendCountedText(block, u"");
    writer::appendU32(block, 3); // an id list
    writer::appendU32(block, 7);
    writer::appendU32(block, 0xFFFFFFFF);
    writer::appendU32(block, 0);
    writer::appendU32(block, 0); // an empty id list
    writer::appendU32(block, 3); // three units announced, two present
    writer::appendU32(block, 0x00420041);
    writer::ContainerWriter w;
    w.entries.push_back({u"P", 3, block, std::nullopt});
    write(w);

    ASSERT_EQ(readHeader(ex), kHeaderRead);
    std::u16string text = u"old";
    std::vector<uint32_t> ids{1, 2};
    ex.container.readCountedText(text);
    EXPECT_EQ(text, u"Hi\u00E9");
    text = u"old";
    ex.container.readCountedText(text);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(ex.container.position(), kHeaderBytes + 4 + 6 + 4);
    ex.container.readIdList(ids);
    EXPECT_EQ(ids, (std::vector<uint32_t>{7, 0xFFFFFFFF, 0}));
    ex.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    text = u"old";
    ex.container.readCountedText(text);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(ex.container.position(), ex.container.size());

    // Past the end every count reads as 0.
    ids = {5};
    ex.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    text = u"old";
    ex.container.readCountedText(text);
    EXPECT_EQ(text, u"");
}

TEST_F(Container, IdListOneValueShortIsEmpty) {
    std::string block;
    writer::appendU32(block, 3);
    writer::appendU32(block, 7);
    writer::appendU32(block, 8);
    writer::ContainerWriter w;
    w.entries.push_back({u"P", 3, block, std::nullopt});
    write(w);
    ASSERT_EQ(readHeader(ex), kHeaderRead);
    std::vector<uint32_t> ids{1};
    ex.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    EXPECT_EQ(ex.container.position(), ex.container.size());
}

TEST_F(Container, HugeCountsAllocateNothing) {
    std::string block;
    writer::appendU32(block, 0xFFFFFFFF);
    writer::appendU32(block, 0x7FFFFFFF);
    writer::ContainerWriter w;
    w.entries.push_back({u"P", 3, block, std::nullopt});
    write(w);
    ASSERT_EQ(readHeader(ex), kHeaderRead);

    std::u16string text;
    std::vector<uint32_t> ids;
    gLargestAllocation = 0;
    gTrackAllocations = true;
    ex.container.readCountedText(text);
    ex.container.seek(kHeaderBytes);
    ex.container.readIdList(ids);
    ex.container.seek(kHeaderBytes + 4);
    ex.container.readIdList(ids);
    ex.container.seek(kHeaderBytes + 4);
    ex.container.readCountedText(text);
    gTrackAllocations = false;
    EXPECT_EQ(text, u"");
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    EXPECT_LT(gLargestAllocation, 64u);
}

TEST_F(Container, EntryBeyondTheEntryCountIsNotLoaded) {
    writer::ContainerWriter w;
    w.addModelBlock(u"C:\\Zero.plan", oneSolid(3));
    w.addModelBlock(u"C:\\One.plan", oneSolid(4));
    w.entryCount = 0;
    write(w);
    ex.sourceProject = u"before";

    loadModelEntry(ex, 1);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(ex.sourceProject, u"before");
    EXPECT_FALSE(ex.container.isOpen());

    // Index 0 is not greater than a count of 0.
    loadModelEntry(ex, 0);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{beginNode("Solid_3"), kEndNode}));
    EXPECT_EQ(ex.sourceProject, u"C:\\Zero.plan");
    EXPECT_FALSE(ex.container.isOpen());
}

TEST_F(Container, EntryOneOfAChangeFileIsTheModelBlock) {
    writer::ContainerWriter w;
    w.addChangeDirectory(u"C:\\Work\\House.plan", {{{u"Deleted", {1, 2}}}, std::nullopt});
    w.addModelBlock(u"C:\\Work\\House.plan", oneSolid(5));
    w.entryCount = 1;
    write(w);

    loadModelEntry(ex, 1);
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{beginNode("Solid_5"), kEndNode}));
    EXPECT_EQ(ex.sourceProject, u"C:\\Work\\House.plan");
    EXPECT_FALSE(ex.container.isOpen());
    ASSERT_TRUE(ex.solidTable.contains(5));

    // Entry 0 is a change directory: passed over here.
    recorder.clear();
    ex.sourceProject = u"before";
    loadModelEntry(ex, 0);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(ex.sourceProject, u"before");
    EXPECT_FALSE(ex.container.isOpen());
}

TEST_F(Container, EntryOfAnotherKindIsPassedOver) {
    writer::ContainerWriter w;
    w.entries.push_back({u"C:\\Three.plan", 3, writer::encodeModelBlock(oneSolid(6)), std::nullopt});
    write(w);
    ex.sourceProject = u"before";
    loadModelEntry(ex, 0);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(ex.sourceProject, u"before");
    EXPECT_TRUE(ex.solidTable.empty());
    EXPECT_FALSE(ex.container.isOpen());
}

TEST_F(Container, IndexesOutsideTheTableAreNotLoaded) {
    writer::ContainerWriter w;
    w.addModelBlock(u"C:\\Zero.plan", oneSolid(3));
    w.entryCount = 1000;
    write(w);
    ex.sourceProject = u"before";
    for (int32_t index : {100, 1000, -1, INT32_MIN}) loadModelEntry(ex, index);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(ex.sourceProject, u"before");
    EXPECT_FALSE(ex.container.isOpen());
}

TEST_F(Container, BlockOffsetOutsideTheFileReadsAnEmptyBlock) {
    for (int32_t offset : {-20, 0x7FFFFFF0}) {
        writer::ContainerWriter w;
        w.entries.push_back({u"C:\\Far.plan", 2, writer::encodeModelBlock(oneSolid(3)), offset});
        write(w);
        ex.sourceProject = u"before";
        loadModelEntry(ex, 0);
        EXPECT_EQ(recorder.lines, std::vector<std::string>{}) << offset;
        EXPECT_EQ(ex.sourceProject, u"C:\\Far.plan");
        EXPECT_FALSE(ex.container.isOpen());
    }
}

TEST_F(Container, UnreadableHeaderLoadsNothing) {
    writer::ContainerWriter w;
    w.version = 6;
    w.addModelBlock(u"C:\\Old.plan", oneSolid(3));
    write(w);
    loadModelEntry(ex, 0);

    w.version = 7;
    w.headerEnd = 1;
    write(w);
    loadModelEntry(ex, 0);

    fs::remove(path);
    loadModelEntry(ex, 0);
    EXPECT_EQ(fs::file_size(path), kHeaderBytes);

    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(ex.sourceProject, u"");
    EXPECT_FALSE(ex.container.isOpen());
}

TEST(ContainerReaderCursor, ReadsAndWritesInterleaveAndStopAtTheEnd) {
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
