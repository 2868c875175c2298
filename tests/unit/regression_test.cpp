// Inputs that once made a reader misbehave (found by fuzzing or by reading the readers with
// hostile files in mind), replayed through the program's own functions: each must now end
// quickly, with bounded work and storage, and with the sound result.
#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "platform/files.h"
#include "platform/text.h"
#include "records/views.h"
#include "scene-writer/container_writer.h"
#include "support/fake_platform.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

using namespace orvex;
using writer::appendCountedText;
using writer::appendU32;
using writer::ContainerWriter;

namespace {

const std::u16string kProject = u"C:\\Projects\\House.pln";

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Regression : public ::testing::Test {
protected:
    Regression() {
        platform.setAppData(folder.path16());
        std::filesystem::create_directories(nativePath(getDataFolder()));
        exchange.session.handle = 7;
    }

    // A container whose entry 0 holds the block, written where syncModel and start-up look.
    std::u16string writeContainer(const std::u16string& name, uint32_t kind, const std::string& block) {
        ContainerWriter container;
        container.entries.push_back({kProject, kind, block, std::nullopt});
        const std::u16string path = dataFilePath(name);
        EXPECT_TRUE(container.writeFile(nativePath(path)));
        return path;
    }

    test::TempFolder folder;
    test::FakePlatform platform;
    test::Recorder recorder;
    ModelExchange exchange{recorder.api()};
};

// A model block whose solid table names one solid `solids` times, and whose part table
// names one part `parts` times: a few kilobytes that ask for solids x parts meshes. Every
// table entry is a valid offset, so only the amount of work gives the file away.
std::string repeatedPartsBlock(uint32_t solids, uint32_t parts, uint32_t positions) {
    std::string block;
    for (uint32_t w : {0u, 0u, 1u, 0u, 0u}) appendU32(block, w);
    const uint32_t solid = 20 + 4 + 4 * solids;
    appendU32(block, solids);
    for (uint32_t i = 0; i < solids; ++i) appendU32(block, solid);
    // Solid record: the part table follows its head (head length 29).
    appendU32(block, 0);
    appendU32(block, 29);
    block += '\0';
    appendU32(block, 1);  // timestamp
    appendCountedText(block, u"");
    appendU32(block, 0);
    appendU32(block, 0);
    appendU32(block, 42); // id
    appendCountedText(block, u"");
    const uint32_t part = static_cast<uint32_t>(block.size()) + 4 + 4 * parts;
    appendU32(block, parts);
    for (uint32_t i = 0; i < parts; ++i) appendU32(block, part);
    // Part record: head length 22, then eight arrays of which only the positions hold values.
    for (uint32_t w : {0u, 22u, 0u, 0u}) appendU32(block, w);
    appendCountedText(block, u"P");
    appendCountedText(block, u"");
    appendU32(block, positions);
    for (uint32_t i = 0; i < positions; ++i) appendU32(block, 0x3F800000u); // 1.0f
    for (int i = 0; i < 7; ++i) appendU32(block, 0);
    return block;
}

// A change directory of `lists` words pairs whose offsets all name one "Solid" list of
// `ids` ids.
std::string repeatedListDirectory(uint32_t lists, uint32_t ids) {
    std::string block;
    appendU32(block, 2 * lists);
    const uint32_t list = 4 + 8 * lists;
    for (uint32_t i = 0; i < lists; ++i) {
        appendU32(block, list);
        appendU32(block, 0);
    }
    appendCountedText(block, u"Solid");
    appendU32(block, ids);
    for (uint32_t i = 0; i < ids; ++i) appendU32(block, 1000 + i);
    return block;
}

} // namespace

// Tables that point many times at the same records used to make one model block cost the
// product of their counts: 400 x 400 here, 160000 meshes from a file of 212 KB. Reading is
// now bounded by a few passes over the file, and what fits is still sent in order.
TEST_F(Regression, RepeatedOffsetsInModelBlockCostAtMostAFewPassesOverTheFile) {
    exchange.containerPath = writeContainer(u"_model.alm", 2, repeatedPartsBlock(400, 400, 30));
    const auto start = std::chrono::steady_clock::now();
    loadModelEntry(exchange, 0);
    EXPECT_LT(secondsSince(start), 5.0);

    const auto meshes = recorder.linesOf("AddIndexedTriangle");
    EXPECT_LT(meshes.size(), 40000u);
    // The meshes read before the allowance ran out are whole (30 position values, the
    // generated indices 0..9); past it the rest reads as a truncated file, empty.
    size_t whole = 0;
    while (whole < meshes.size() && meshes[whole].find("\"firstCount\":10,") != std::string::npos) ++whole;
    EXPECT_GE(whole, 400u) << "the first solid arrived whole";
    for (size_t i = whole; i < meshes.size(); ++i)
        ASSERT_NE(meshes[i].find("\"firstCount\":0,"), std::string::npos) << meshes[i];
    EXPECT_EQ(recorder.linesOf("BeginNode").size(), 400u);
    EXPECT_EQ(recorder.linesOf("EndNode").size(), 400u);
    EXPECT_EQ(exchange.sourceProject, kProject);
}

// The same blow-up in a change directory: 200000 lists all naming one list of 200000 ids
// asked for 40 billion ids to be read from a file of 2.6 MB.
TEST_F(Regression, RepeatedOffsetsInChangeDirectoryEndQuickly) {
    exchange.sourceProject = kProject;
    exchange.solidTable.record(1000, 1);
    writeContainer(u"_mod.sm", 4, repeatedListDirectory(200000, 200000));
    const auto start = std::chrono::steady_clock::now();
    syncModel(exchange);
    EXPECT_LT(secondsSince(start), 5.0);
    EXPECT_LE(exchange.solidDeleteList.size(), 200000u);
}

// A views block of many distinctly named views made applying it quadratic: each view was
// looked up by name from the front of the stored views it had just grown.
TEST_F(Regression, ManyDistinctViewsApplyInLinearTime) {
    journal::setBehaviour({.journaling = false});
    ViewList list;
    constexpr int kViews = 50000;
    list.views.resize(kViews);
    for (int i = 0; i < kViews; ++i) list.views[static_cast<size_t>(i)].name = u"View " + decimal(i);
    list.active = kViews; // none active: every view is a scene view
    const auto start = std::chrono::steady_clock::now();
    applyViewList(exchange, list);
    applyViewList(exchange, list); // every name is now found
    EXPECT_LT(secondsSince(start), 10.0);
    ASSERT_EQ(exchange.storedViews.size(), size_t(kViews));
    EXPECT_EQ(exchange.storedViews.back().name, u"View 49999");
}

// Empty tables and empty lists have no storage: their zero-byte reads once handed a null
// destination to memcpy, which the sanitizer tier reports as undefined behaviour.
TEST_F(Regression, EmptyTablesAndListsReadNothing) {
    writer::ModelBlockContent contents;
    contents.materials.emplace();
    contents.lights.emplace();
    contents.solids = std::vector<writer::SolidContent>{writer::SolidContent{3, 1, u"", u"", {}, 0}};
    exchange.containerPath = writeContainer(u"_model.alm", 2, writer::encodeModelBlock(contents));
    loadModelEntry(exchange, 0);
    EXPECT_EQ(recorder.ops(), (std::vector<std::string>{"BeginNode", "EndNode"}));

    exchange.sourceProject = kProject;
    exchange.solidDeleteList = {3};
    writeContainer(u"_mod.sm", 4, writer::encodeChangeDirectory({{{u"Solid", {}}}, std::nullopt}));
    syncModel(exchange);
    EXPECT_TRUE(exchange.solidDeleteList.empty());
    EXPECT_TRUE(exchange.solidTable.contains(3)); // an empty list deletes nothing
}
