// Filling a table in bulk must leave no trace of having done so: the same calls made with and without a bulk
// scope give the same results, positions, counts, trace lines and, once the scope closes, the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/bulk_insert.h"
#include "core/index_kind.h"
#include "index_test_util.h"

namespace dbs::test {
namespace {

using index::Idx;

class BulkInsertTest : public CoreFixture {
protected:
    static constexpr uint32_t kCapacity = 1200;

    // Table 1 with sorted indexes on ID (4 bytes), NAME (8 bytes) and K (1 byte, few values: many re-points).
    void Build() {
        table = index::Table(1, "BULK", kCapacity, {{"ID", 'D', 4}, {"NAME", 'C', 8}, {"K", 'N', 1}});
        byId = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
        byName = DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 8, "NAME", "");
        byK = DbsCreateIndexByName(table, 2, DBS_IDX_SORTED, 0, 0, 1, "K", "");
        ASSERT_NE(byId, 0u);
        ASSERT_NE(byName, 0u);
        ASSERT_NE(byK, 0u);
    }

    // A mixed sequence of insertions, lookups in both memories, locates and a few removals; every result and
    // the position and count it leaves are logged.
    std::vector<uint64_t> Script(unsigned seed, bool bulk) {
        std::vector<uint64_t> log;
        std::mt19937 rng(seed);
        const uint32_t indexes[] = {byId, byName, byK};
        auto note = [&](uint64_t result, uint32_t hIndex) {
            const TagIdxForm& idx = Idx(hIndex);
            log.push_back(result);
            log.push_back(idx.adwIdxPos[0] | uint64_t{idx.adwIdxPos[1]} << 32);
            log.push_back(idx.adwIdxEntryNum[0] | uint64_t{idx.adwIdxEntryNum[1]} << 32);
        };
        auto keyOf = [&](uint32_t hIndex, const char* tuple) {
            return hIndex == byId ? tuple : hIndex == byName ? tuple + 4 : tuple + 12;
        };
        dbs::core::BulkInsertScope scope(bulk ? table : 0);
        for (int step = 0; step < 1600; ++step) {
            char tuple[13] = {};
            const uint32_t id = rng() % 5000;
            std::memcpy(tuple, &id, 4);
            std::snprintf(tuple + 4, 9, "N%05u", static_cast<unsigned>(rng() % 3000));
            tuple[12] = static_cast<char>(rng() % 7);
            const uint32_t hIndex = indexes[rng() % 3];
            const unsigned op = rng() % 100;
            if (op < 70 && DbsGetTupleNumEX(table) < kCapacity) {
                if (op % 2 == 0) {  // look each key up first, as the checks of a checked insert do
                    for (uint32_t h : indexes) note(DbsLocateTupleEX(h, keyOf(h, tuple)), h);
                }
                index::Append(table, tuple, true);
                for (uint32_t h : indexes) note(DbsInsertIndexEX(h, keyOf(h, tuple)), h);
                if (op % 5 == 0) {  // and again after the change, which must not answer from before it
                    uint32_t out = 0;
                    note(DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, keyOf(hIndex, tuple), &out), hIndex);
                    log.push_back(out);
                }
            } else if (op < 85) {
                uint32_t out = 0;
                note(DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, keyOf(hIndex, tuple), &out), hIndex);
                log.push_back(out);
            } else if (op < 92) {
                note(DbsLocateTupleEX(hIndex, keyOf(hIndex, tuple)), hIndex);
                log.push_back(DbsGetTupleNoEX(table));
            } else if (op < 97) {
                uint32_t out = 0;
                note(DbsFetchIndex(hIndex, keyOf(hIndex, tuple), &out), hIndex);
            } else {
                note(DbsDeleteIndexEX(hIndex, keyOf(hIndex, tuple)), hIndex);
                uint32_t out = 0;  // the removed key, looked up right after its removal
                note(DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, keyOf(hIndex, tuple), &out), hIndex);
                log.push_back(out);
            }
        }
        return log;
    }

    std::vector<uint8_t> Snapshot() { return index::StoreBytes(table, {byId, byName, byK}); }

    uint32_t table = 0, byId = 0, byName = 0, byK = 0;
};

TEST_F(BulkInsertTest, GivesWhatKeyByKeyInsertionGives) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        index::Outcome runs[2];
        for (int bulk = 0; bulk < 2; ++bulk) {
            ASSERT_EQ(DbsCoreRelease(), 1);
            ASSERT_EQ(DbsCoreInit(), 1);
            Build();
            trace.Clear();
            runs[bulk].log = Script(seed, bulk == 1);
            runs[bulk].lines = trace.Texts();
            runs[bulk].bytes = Snapshot();
        }
        EXPECT_GT(+Idx(byId).adwIdxEntryNum[1], 600u);  // several full runs were merged
        index::ExpectSameOutcome(runs[0], runs[1]);
    }
}

TEST_F(BulkInsertTest, CopyClearAndReleaseInsideAScopeSeeEveryKey) {
    Build();
    dbs::core::BulkInsertScope scope(table);
    char tuple[13] = {};
    for (uint32_t id : {30u, 10u, 20u}) {
        std::memcpy(tuple, &id, 4);
        index::Append(table, tuple, true);
        ASSERT_EQ(DbsInsertIndexEX(byId, &id), 1);
    }
    ASSERT_EQ(DbsCopyDataEx(table, DBS_COPY_SECOND_TO_MAIN), 1);  // main gets the merged list
    std::vector<index::Entry> main = index::Entries(byId, Idx(byId).byIdxMainAddrPtr);
    ASSERT_EQ(main.size(), 3u);
    EXPECT_EQ(main[0].key, (std::vector<uint8_t>{10, 0, 0, 0}));
    EXPECT_EQ(main[2].key, (std::vector<uint8_t>{30, 0, 0, 0}));

    const uint32_t id = 5;
    std::memcpy(tuple, &id, 4);
    index::Append(table, tuple, true);
    ASSERT_EQ(DbsInsertIndexEX(byId, &id), 1);
    ASSERT_EQ(DbsClrSecondaryMem(table), 1);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[Idx(byId).byIdxSecondAddrPtr], 0u);
    uint32_t out = 1;
    ASSERT_EQ(DbsFetchIndexEX(byId, Idx(byId).byIdxSecondAddrPtr, &id, &out), 1);
    EXPECT_EQ(out, 0u);

    index::Append(table, tuple, true);
    ASSERT_EQ(DbsInsertIndexEX(byId, &id), 1);
    EXPECT_EQ(DbsCoreRelease(), 1);  // the collected key is dropped with the buffers; closing writes nothing

    // A store built again under the same numbers while the scope is still open takes its keys one by one.
    ASSERT_EQ(DbsCoreInit(), 1);
    table = index::Table(1, "BULK", 8, {{"CODE", 'C', 12}});
    const uint32_t byCode = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 12, "CODE", "");
    ASSERT_EQ(byCode, byId);
    const char code[13] = "ABCDEFGHIJKL";
    index::Append(table, code, true);
    ASSERT_EQ(DbsInsertIndexEX(byCode, code), 1);
    ASSERT_EQ(index::Entries(byCode, Idx(byCode).byIdxSecondAddrPtr).size(), 1u);
}

}  // namespace
}  // namespace dbs::test
