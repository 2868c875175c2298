// The model container: opening, reading or freshly writing the header, the counted
// readers at the end of a file, and loading one model entry.
#include "model/container.h"
#include "core/container_reader.h"
#include "model/model_exchange.h"
#include "platform/text.h"
#include "scene-writer/container_writer.h"
#include "support/allocation_watch.h"
#include "support/exchange_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace orvex;
namespace fs = std::filesystem;

namespace {

constexpr size_t kHeaderBytes = layout::kHeaderSize;

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

struct Container : test::ExchangeTest {
    std::string path = data.temp.file("model.alm");
    Container() { exchange.containerPath = pathOf(path); }

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

    ContainerHeader& h = exchange.header;
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

    EXPECT_EQ(readHeader(exchange), kHeaderFormatError);
    EXPECT_FALSE(exchange.container.isOpen());
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
    EXPECT_EQ(readHeader(exchange), kHeaderRead);
    EXPECT_EQ(h.reservedWord, 0xA1B2C3D4u);
    EXPECT_EQ(h.name, u"Scene \u00E9\u4E2D");
    EXPECT_EQ(h.entryCount, 2);
    EXPECT_EQ(h.entries[0].project, u"C:\\Work\\House.plan");
    EXPECT_EQ(h.entries[0].reserved[11], 0xFB);
    EXPECT_EQ(h.entries[99].blockOffset, -5);
}

TEST_F(Container, MissingFileIsCreatedWithAnEmptyHeader) {
    EXPECT_EQ(readHeader(exchange), kHeaderFormatError);
    EXPECT_FALSE(exchange.container.isOpen());
    expectSameBytes(test::readFileBytes(path), writer::ContainerWriter{}.bytes());
}

TEST_F(Container, FileInAMissingFolderGivesNoFile) {
    exchange.containerPath = pathOf(data.temp.file("missing/model.alm"));
    EXPECT_EQ(readHeader(exchange), kHeaderNoFile);
    EXPECT_FALSE(exchange.container.isOpen());
    EXPECT_FALSE(fs::exists(data.temp.file("missing")));
}

TEST_F(Container, ExactHeaderIsReadAndLeftOpenAfterIt) {
    writer::ContainerWriter w;
    w.reservedWord = 5;
    w.name = u"Name";
    w.entries.push_back({u"C:\\A.plan", 2, "", 4242});
    w.entries.push_back({std::u16string(1028, u'p'), 4, "", -1});
    write(w);
    ASSERT_EQ(fs::file_size(path), kHeaderBytes);

    EXPECT_EQ(readHeader(exchange), kHeaderRead);
    EXPECT_TRUE(exchange.container.isOpen());
    EXPECT_EQ(exchange.container.position(), kHeaderBytes);
    const ContainerHeader& h = exchange.header;
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
    exchange.header.reservedWord = 77;
    exchange.header.entries[0].project = u"C:\\Before.plan";

    EXPECT_EQ(readHeader(exchange), kHeaderOldVersion);
    EXPECT_TRUE(exchange.container.isOpen());
    EXPECT_EQ(exchange.header.version, 6u);
    EXPECT_EQ(exchange.header.reservedWord, 77u);
    EXPECT_EQ(exchange.header.entries[0].project, u"C:\\Before.plan");
}

TEST_F(Container, LaterVersionsAreAccepted) {
    for (uint32_t version : {7u, 8u, 0x80000000u, 0xFFFFFFFFu}) {
        writer::ContainerWriter w;
        w.version = version;
        write(w);
        EXPECT_EQ(readHeader(exchange), kHeaderRead) << version;
        EXPECT_EQ(exchange.header.version, version);
    }
}

TEST_F(Container, HeaderEndMismatchIsAFormatErrorAfterReadingEverything) {
    writer::ContainerWriter w;
    w.headerEnd = 208640;
    w.addModelBlock(u"C:\\Work\\House.plan", {});
    write(w);
    EXPECT_EQ(readHeader(exchange), kHeaderFormatError);
    EXPECT_TRUE(exchange.container.isOpen());
    EXPECT_EQ(exchange.header.headerEnd, 208640u);
    EXPECT_EQ(exchange.header.entries[0].project, u"C:\\Work\\House.plan");
    EXPECT_EQ(exchange.header.entries[0].blockOffset, int32_t(layout::kHeaderSize));
    // The file is left as it was.
    expectSameBytes(test::readFileBytes(path), w.bytes());
}

TEST_F(Container, ForwardSlashesAreStoredAsBackslashes) {
    write(writer::ContainerWriter{});
    exchange.containerPath = fromUtf8(path);
    ASSERT_NE(exchange.containerPath.find(u'/'), std::u16string::npos);
    EXPECT_EQ(readHeader(exchange), kHeaderRead);
    EXPECT_EQ(exchange.containerPath, pathOf(path));
}

TEST_F(Container, HeaderNameIsCutTo511UnitsWhenWritten) {
    exchange.header.name = std::u16string(600, u'n');
    EXPECT_EQ(readHeader(exchange), kHeaderFormatError);
    const std::string bytes = test::readFileBytes(path);
    ASSERT_EQ(bytes.size(), kHeaderBytes);
    // Unit 511 is the terminating zero; unit 510 is the last of the text.
    EXPECT_EQ(bytes.substr(layout::kNameAt + 2 * 510, 4), std::string("n\0\0\0", 4));

    exchange.header = ContainerHeader{};
    EXPECT_EQ(readHeader(exchange), kHeaderRead);
    EXPECT_EQ(exchange.header.nameLength, 511u);
    EXPECT_EQ(exchange.header.name, std::u16string(511, u'n'));
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

    ASSERT_EQ(readHeader(exchange), kHeaderRead);
    std::u16string text = u"old";
    std::vector<uint32_t> ids{1, 2};
    exchange.container.readCountedText(text);
    EXPECT_EQ(text, u"Hi\u00E9");
    text = u"old";
    exchange.container.readCountedText(text);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(exchange.container.position(), kHeaderBytes + 4 + 6 + 4);
    exchange.container.readIdList(ids);
    EXPECT_EQ(ids, (std::vector<uint32_t>{7, 0xFFFFFFFF, 0}));
    exchange.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    text = u"old";
    exchange.container.readCountedText(text);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(exchange.container.position(), exchange.container.size());

    // Past the end every count reads as 0.
    ids = {5};
    exchange.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    text = u"old";
    exchange.container.readCountedText(text);
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
    ASSERT_EQ(readHeader(exchange), kHeaderRead);
    std::vector<uint32_t> ids{1};
    exchange.container.readIdList(ids);
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    EXPECT_EQ(exchange.container.position(), exchange.container.size());
}

TEST_F(Container, HugeCountsAllocateNothing) {
    std::string block;
    writer::appendU32(block, 0xFFFFFFFF);
    writer::appendU32(block, 0x7FFFFFFF);
    writer::ContainerWriter w;
    w.entries.push_back({u"P", 3, block, std::nullopt});
    write(w);
    ASSERT_EQ(readHeader(exchange), kHeaderRead);

    std::u16string text;
    std::vector<uint32_t> ids;
    test::largestAllocation = 0;
    exchange.container.readCountedText(text);
    exchange.container.seek(kHeaderBytes);
    exchange.container.readIdList(ids);
    exchange.container.seek(kHeaderBytes + 4);
    exchange.container.readIdList(ids);
    exchange.container.seek(kHeaderBytes + 4);
    exchange.container.readCountedText(text);
    EXPECT_EQ(text, u"");
    EXPECT_EQ(ids, std::vector<uint32_t>{});
    EXPECT_LT(test::largestAllocation, 64u);
}

TEST_F(Container, EntryBeyondTheEntryCountIsNotLoaded) {
    writer::ContainerWriter w;
    w.addModelBlock(u"C:\\Zero.plan", oneSolid(3));
    w.addModelBlock(u"C:\\One.plan", oneSolid(4));
    w.entryCount = 0;
    write(w);
    exchange.sourceProject = u"before";

    loadModelEntry(exchange, 1);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(exchange.sourceProject, u"before");
    EXPECT_FALSE(exchange.container.isOpen());

    // Index 0 is not greater than a count of 0.
    loadModelEntry(exchange, 0);
    EXPECT_EQ(recorder.lines, (test::Lines{test::op::beginNode(u"Solid_3"), test::op::endNode()}));
    EXPECT_EQ(exchange.sourceProject, u"C:\\Zero.plan");
    EXPECT_FALSE(exchange.container.isOpen());
}

TEST_F(Container, EntryOneOfAChangeFileIsTheModelBlock) {
    writer::ContainerWriter w;
    w.addChangeDirectory(u"C:\\Work\\House.plan", {{{u"Deleted", {1, 2}}}, std::nullopt});
    w.addModelBlock(u"C:\\Work\\House.plan", oneSolid(5));
    w.entryCount = 1;
    write(w);

    loadModelEntry(exchange, 1);
    EXPECT_EQ(recorder.lines, (test::Lines{test::op::beginNode(u"Solid_5"), test::op::endNode()}));
    EXPECT_EQ(exchange.sourceProject, u"C:\\Work\\House.plan");
    EXPECT_FALSE(exchange.container.isOpen());
    ASSERT_TRUE(exchange.solidTable.contains(5));

    // Entry 0 is a change directory: passed over here.
    recorder.clear();
    exchange.sourceProject = u"before";
    loadModelEntry(exchange, 0);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(exchange.sourceProject, u"before");
    EXPECT_FALSE(exchange.container.isOpen());
}

TEST_F(Container, EntryOfAnotherKindIsPassedOver) {
    writer::ContainerWriter w;
    w.entries.push_back({u"C:\\Three.plan", 3, writer::encodeModelBlock(oneSolid(6)), std::nullopt});
    write(w);
    exchange.sourceProject = u"before";
    loadModelEntry(exchange, 0);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(exchange.sourceProject, u"before");
    EXPECT_TRUE(exchange.solidTable.empty());
    EXPECT_FALSE(exchange.container.isOpen());
}

TEST_F(Container, IndexesOutsideTheTableAreNotLoaded) {
    writer::ContainerWriter w;
    w.addModelBlock(u"C:\\Zero.plan", oneSolid(3));
    w.entryCount = 1000;
    write(w);
    exchange.sourceProject = u"before";
    for (int32_t index : {100, 1000, -1, INT32_MIN}) loadModelEntry(exchange, index);
    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(exchange.sourceProject, u"before");
    EXPECT_FALSE(exchange.container.isOpen());
}

TEST_F(Container, BlockOffsetOutsideTheFileReadsAnEmptyBlock) {
    for (int32_t offset : {-20, 0x7FFFFFF0}) {
        writer::ContainerWriter w;
        w.entries.push_back({u"C:\\Far.plan", 2, writer::encodeModelBlock(oneSolid(3)), offset});
        write(w);
        exchange.sourceProject = u"before";
        loadModelEntry(exchange, 0);
        EXPECT_EQ(recorder.lines, std::vector<std::string>{}) << offset;
        EXPECT_EQ(exchange.sourceProject, u"C:\\Far.plan");
        EXPECT_FALSE(exchange.container.isOpen());
    }
}

TEST_F(Container, UnreadableHeaderLoadsNothing) {
    writer::ContainerWriter w;
    w.version = 6;
    w.addModelBlock(u"C:\\Old.plan", oneSolid(3));
    write(w);
    loadModelEntry(exchange, 0);

    w.version = 7;
    w.headerEnd = 1;
    write(w);
    loadModelEntry(exchange, 0);

    fs::remove(path);
    loadModelEntry(exchange, 0);
    EXPECT_EQ(fs::file_size(path), kHeaderBytes);

    EXPECT_EQ(recorder.lines, std::vector<std::string>{});
    EXPECT_EQ(exchange.sourceProject, u"");
    EXPECT_FALSE(exchange.container.isOpen());
}
