// The sync-state file of large tables: the bytes must be exactly those of one line after the
// other, whatever the ids and whatever changed since the file was last written (the lines of
// unchanged solids are kept from write to write).
#include "core/data_folder.h"
#include "model/change_tracking.h"
#include "model/model_exchange.h"
#include "support/exchange_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

using namespace orvex;

namespace {

class SyncStateFile : public test::ExchangeTest {
protected:
    SyncStateFile() { exchange.sourceProject = u"C:\\Projects\\\u00C4rger \u4E2D.pln"; }

    // The solids as sent, kept aside in a plain ordered map for the expected text.
    std::map<uint32_t, uint32_t> sent;
    void add(uint32_t id, uint32_t timestamp) {
        exchange.solidTable.record(id, timestamp);
        sent[id] = timestamp;
    }
    void remove(uint32_t id) {
        exchange.solidTable.erase(id);
        sent.erase(id);
    }
    void clearSolids() {
        exchange.solidTable.clear();
        sent.clear();
    }
    // The file as the format states it, built line by line with printf's own "%d".
    std::string expected() const {
        std::string text = "SourceProject: [C:\\Projects\\\xC4rger ?.pln]\r\n";
        char line[80];
        for (const auto& [id, timestamp] : sent) {
            std::snprintf(line, sizeof line, "ID3D: [%d] TimeStamp: [%d]\r\n", static_cast<int>(id),
                          static_cast<int>(timestamp));
            text += line;
        }
        for (const auto& [name, m] : exchange.materialTable) {
            text += "Material: [";
            for (char16_t c : name) text += c <= 0xFF ? static_cast<char>(c) : '?';
            std::snprintf(line, sizeof line, "] TimeStamp: [%d] MatIndex: [%d]\r\n", m.nTimeID, m._nMatDescIndex);
            text += line;
        }
        return text;
    }
    std::string written() const {
        return data.read("_mod.sync");
    }
};

} // namespace

TEST_F(SyncStateFile, LargeTableIsWrittenLineForLine) {
    // Ids over the whole unsigned range (the upper half prints negative), timestamps of every
    // length and sign, and materials after the solids.
    for (uint32_t i = 0; i < 60000; ++i) add(i * 71582u + 13u, i * 2654435761u);
    add(0, 0);
    add(0xFFFFFFFFu, 0x80000000u);
    MaterialRecord m;
    m.nTimeID = -5;
    m._nMatDescIndex = 2147483647;
    exchange.materialTable[u"Oak \u0101"] = m;
    exchange.materialTable[u"Ash"] = MaterialRecord{};
    writeSyncState(exchange);
    const std::string text = written();
    EXPECT_EQ(text.size(), expected().size());
    EXPECT_TRUE(text == expected());
}

TEST_F(SyncStateFile, SolidsSentOutOfOrderAreWrittenInAscendingId) {
    // Descending ids, then ids falling between them, then some sent again with a new timestamp.
    for (uint32_t i = 40000; i >= 1; --i) add(i * 4, 1);
    for (uint32_t i = 0; i < 40000; i += 3) add(i * 4 + 2, 2);
    for (uint32_t i = 0; i < 160000; i += 7) add(i, 3);
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
    // Nearly all solids at one end of the id range, then at the other.
    clearSolids();
    for (uint32_t i = 1; i <= 40000; ++i) add(i, 1);
    add(4000000000u, 2);
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
    clearSolids();
    add(1, 1);
    for (uint32_t i = 0; i < 40000; ++i) add(4000000000u + i, 2);
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
}

TEST_F(SyncStateFile, LongMaterialNamesPassThroughTheBuffer) {
    MaterialRecord m;
    exchange.materialTable[std::u16string(3 * 1024 * 1024, u'x')] = m;
    for (uint32_t i = 0; i < 30000; ++i) add(i, i);
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
}

TEST_F(SyncStateFile, EveryKindOfChangeBetweenWritesReachesTheNextWrite) {
    // About twenty runs of the table; each kind of change below meets a run of its own.
    const auto solidAt = [](uint32_t i) { return 100 + i * 10; };
    for (uint32_t i = 0; i < 20000; ++i) add(solidAt(i), 1);
    writeSyncState(exchange);
    ASSERT_TRUE(written() == expected());

    add(solidAt(2500), 7);                                        // a new timestamp
    add(solidAt(3500), 1);                                        // sent again unchanged
    remove(solidAt(5200));                                        // erased
    for (uint32_t i = 7168; i < 7177; ++i) remove(solidAt(i));    // a run losing its head
    for (uint32_t i = 1; i < 10; ++i) add(solidAt(9300) + i, 3);  // inserted into a full run,
    add(solidAt(11000) + 1, 3);                                   // into either half of the split
    add(5, 4);                                                    // before the first solid
    add(0xFFFFFFFFu, 5);                                          // past the last
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());

    // Nothing changed: the same bytes again.
    const std::string before = written();
    writeSyncState(exchange);
    EXPECT_TRUE(written() == before);

    add(solidAt(5300) + 1, 6); // inserted into the run that lost a solid, which has room
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());

    // Every solid removed, then one sent.
    const std::map<uint32_t, uint32_t> all = sent;
    for (const auto& [id, timestamp] : all) remove(id);
    EXPECT_TRUE(exchange.solidTable.empty());
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
    add(77, 8);
    writeSyncState(exchange);
    EXPECT_TRUE(written() == expected());
}
