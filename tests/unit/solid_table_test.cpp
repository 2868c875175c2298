// The table of sent solids against a plain ordered map: whatever the order solids are
// recorded, sent again and erased in, the table holds the same entries in ascending id.
#include "model/solid_table.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

using namespace orvex;

namespace {

void expectSameAs(const SolidTable& table, const std::map<uint32_t, uint32_t>& reference) {
    std::vector<std::pair<uint32_t, uint32_t>> held;
    table.forEach([&](const SolidState& s) { held.emplace_back(s.id, s.timestamp); });
    const std::vector<std::pair<uint32_t, uint32_t>> want(reference.begin(), reference.end());
    ASSERT_EQ(table.size(), reference.size());
    ASSERT_TRUE(held == want);
    for (const SolidRun& run : table.runs()) {
        EXPECT_FALSE(run.solids().empty());
        EXPECT_LE(run.solids().size(), SolidTable::kRunLength);
    }
}

} // namespace

TEST(SolidTable, AnyOrderOfRecordsAndErasesMatchesAnOrderedMap) {
    std::mt19937 random(7);
    SolidTable table;
    std::map<uint32_t, uint32_t> reference;
    // Ascending (appends), descending (inserts before every run), then random ids from a small
    // range so that records repeat, erases hit and miss, and full runs split.
    for (uint32_t id = 0; id < 3000; ++id) {
        table.record(id * 10, id);
        reference[id * 10] = id;
    }
    for (uint32_t id = 3000; id > 0; --id) {
        table.record(0xFFFFFFFFu - id, id);
        reference[0xFFFFFFFFu - id] = id;
    }
    expectSameAs(table, reference);
    std::uniform_int_distribution<uint32_t> pick(0, 40000);
    for (int step = 0; step < 60000; ++step) {
        const uint32_t id = pick(random);
        if (step % 3 == 0) {
            EXPECT_EQ(table.erase(id), reference.erase(id) == 1) << id;
        } else {
            table.record(id, uint32_t(step));
            reference[id] = uint32_t(step);
        }
        if (step % 10000 == 0) expectSameAs(table, reference);
    }
    expectSameAs(table, reference);
    for (uint32_t id = 0; id <= 40010; ++id) {
        const SolidState* found = table.find(id);
        const auto it = reference.find(id);
        ASSERT_EQ(found != nullptr, it != reference.end()) << id;
        if (found) {
            EXPECT_EQ(found->timestamp, it->second);
        }
    }
}

TEST(SolidTable, ErasingEverythingLeavesAnEmptyTableThatStillWorks) {
    SolidTable table;
    EXPECT_FALSE(table.erase(5));
    EXPECT_EQ(table.find(5), nullptr);
    for (uint32_t id = 0; id < 5000; ++id) table.record(id, id);
    for (uint32_t id = 0; id < 5000; id += 2) EXPECT_TRUE(table.erase(id));
    for (uint32_t id = 4999; id < 5000; id -= 2) EXPECT_TRUE(table.erase(id));
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(table.runs().empty());
    table.record(3, 4);
    ASSERT_NE(table.find(3), nullptr);
    EXPECT_EQ(table.find(3)->timestamp, 4u);
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.find(3), nullptr);
}

TEST(SolidTable, NodeNamesWriteTheIdAsSigned) {
    EXPECT_EQ(SolidNodeName(0).view(), u"Solid_0");
    EXPECT_EQ(SolidNodeName(2147483647u).view(), u"Solid_2147483647");
    EXPECT_EQ(SolidNodeName(0x80000000u).view(), u"Solid_-2147483648");
    EXPECT_EQ(SolidNodeName(0xFFFFFFFFu).view(), u"Solid_-1");
    const SolidNodeName longest(0x80000000u);
    EXPECT_EQ(std::u16string(longest.c_str()), u"Solid_-2147483648"); // terminated
}

TEST(SolidTable, FullRunSplitsInHalvesAndTheNewIdJoinsItsOwnHalf) {
    // One full run of even ids 2 .. 2048: the lower half ends at 1024, the upper starts at 1026.
    for (const uint32_t id : {1u, 1023u, 1025u, 1027u, 2047u}) {
        SolidTable table;
        std::map<uint32_t, uint32_t> reference;
        for (uint32_t k = 1; k <= SolidTable::kRunLength; ++k) {
            table.record(2 * k, k);
            reference[2 * k] = k;
        }
        ASSERT_EQ(table.runs().size(), 1u);
        table.runs()[0].derivedText = "lines";
        table.record(id, 0);
        reference[id] = 0;
        expectSameAs(table, reference);
        const bool lower = id < 1026;
        ASSERT_EQ(table.runs().size(), 2u) << id;
        EXPECT_EQ(table.runs()[0].solids().size(), lower ? 513u : 512u) << id;
        EXPECT_EQ(table.runs()[1].solids().front().id, lower ? 1026u : std::min(id, 1026u)) << id;
        EXPECT_EQ(table.runs()[0].solids().back().id, lower ? std::max(id, 1024u) : 1024u) << id;
        for (const SolidRun& run : table.runs()) EXPECT_TRUE(run.derivedText.empty()) << id;
    }
}
