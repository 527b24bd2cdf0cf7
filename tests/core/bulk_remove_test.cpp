// Emptying a table in bulk must leave no trace of having done so: the same calls made with and without a removal
// scope give the same results, positions, counts, trace lines and, once the scope closes, the same bytes, those
// behind the end of each list included.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/bulk_insert.h"
#include "core/bulk_remove.h"
#include "core/index_kind.h"
#include "index_test_util.h"

namespace dbs::test {
namespace {

using index::Idx;

class BulkRemoveTest : public CoreFixture {
protected:
    static constexpr uint32_t kCapacity = 1500;
    static constexpr int kRemovalsOnly = 2200;  // no insertion before this step: the marks fill up

    // Table 1 with sorted indexes on ID (4 bytes), NAME (8 bytes) and K (1 byte, few values).
    void Build() {
        table = index::Table(1, "BULK", kCapacity, {{"ID", 'D', 4}, {"NAME", 'C', 8}, {"K", 'N', 1}});
        byId = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
        byName = DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 8, "NAME", "");
        byK = DbsCreateIndexByName(table, 2, DBS_IDX_SORTED, 0, 0, 1, "K", "");
        ASSERT_NE(byId, 0u);
        ASSERT_NE(byName, 0u);
        ASSERT_NE(byK, 0u);
    }

    const char* KeyOf(uint32_t hIndex, const char* tuple) const {
        return hIndex == byId ? tuple : hIndex == byName ? tuple + 4 : tuple + 12;
    }

    // Fills secondary memory with `count` records of random keys and keeps them for the script to pick from.
    void Fill(unsigned seed, int count) {
        std::mt19937 rng(seed);
        tuples.clear();
        for (int i = 0; i < count; ++i) {
            std::string tuple(13, '\0');
            const uint32_t id = rng() % 100000 * 7 + i % 7;  // no two alike: 1200 entries
            std::memcpy(tuple.data(), &id, 4);
            std::snprintf(tuple.data() + 4, 9, "N%06u", static_cast<unsigned>(rng() % 900000));
            tuple[12] = static_cast<char>(rng() % 9);
            index::Append(table, tuple.data(), true);
            for (uint32_t h : {byId, byName, byK}) {
                const char* key = KeyOf(h, tuple.data());
                Change(h, key, [&] { return DbsInsertIndexEX(h, key); });
            }
            tuples.push_back(tuple);
        }
    }

    // The keys each index holds in secondary memory, followed through the entry counts: the raw list is not
    // read while marks may lie in it.
    std::map<uint32_t, std::set<std::string>> held;
    template <typename Call>
    uint8_t Change(uint32_t hIndex, const char* key, Call call) {
        const TagIdxForm& idx = Idx(hIndex);
        const uint32_t before = idx.adwIdxEntryNum[idx.byIdxSecondAddrPtr];
        const uint8_t result = call();
        const uint32_t after = idx.adwIdxEntryNum[idx.byIdxSecondAddrPtr];
        const std::string k(key, idx.wIdxEntryLen - 4u);
        if (after > before) held[hIndex].insert(k);
        if (after < before) held[hIndex].erase(k);
        return result;
    }

    // Mostly removals, with lookups in both memories, locates, removals through the secondary-index call, the
    // removal of whatever key is last, and now and then an insertion; every result and the position and count
    // it leaves are logged.
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
        dbs::core::BulkRemoveScope scope(bulk ? table : 0);
        for (int step = 0; step < 3000; ++step) {
            if (step == kRemovalsOnly) removedFirst = 1200 - Idx(byId).adwIdxEntryNum[Idx(byId).byIdxSecondAddrPtr];
            const std::string& tuple = tuples[rng() % tuples.size()];
            const uint32_t hIndex = indexes[rng() % 3];
            const char* key = KeyOf(hIndex, tuple.data());
            const unsigned op = rng() % 100;
            uint32_t out = 0;
            if (op < 50) {
                note(Change(hIndex, key, [&] { return DbsDeleteIndexEX(hIndex, key); }), hIndex);
                note(DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, key, &out), hIndex);
                log.push_back(out);
            } else if (op < 58) {
                if (!held[hIndex].empty()) {
                    const std::string last = *held[hIndex].rbegin();
                    note(Change(hIndex, last.data(), [&] { return DbsDeleteIndexEX(hIndex, last.data()); }), hIndex);
                }
            } else if (op < 66) {
                const char* name = tuple.data() + 4;
                note(Change(byName, name, [&] { return DbsDeleteSecondaryIndexEX(byId, tuple.data(), byName, name); }),
                     byName);
            } else if (op < 80) {
                note(DbsFetchIndexEX(hIndex, Idx(hIndex).byIdxSecondAddrPtr, key, &out), hIndex);
                log.push_back(out);
            } else if (op < 90) {
                note(DbsLocateTupleEX(hIndex, key), hIndex);
                log.push_back(DbsGetTupleNoEX(table));
            } else if (op < 95) {
                note(DbsFetchIndex(hIndex, key, &out), hIndex);
                log.push_back(out);
            } else if (op < 98 && step >= kRemovalsOnly) {
                if (DbsGetTupleNumEX(table) < kCapacity) index::Append(table, tuple.data(), true);
                note(Change(hIndex, key, [&] { return DbsInsertIndexEX(hIndex, key); }), hIndex);
            } else {
                // A key that was never there: a miss at its place.
                const uint32_t absent = 100000 + rng() % 1000;
                note(Change(byId, reinterpret_cast<const char*>(&absent), [&] { return DbsDeleteIndexEX(byId, &absent); }),
                     byId);
                note(DbsFetchIndexEX(byId, Idx(byId).byIdxSecondAddrPtr, &absent, &out), byId);
            }
        }
        return log;
    }

    std::vector<uint8_t> Snapshot() { return index::StoreBytes(table, {byId, byName, byK}); }

    uint32_t table = 0, byId = 0, byName = 0, byK = 0;
    std::vector<std::string> tuples;
    uint32_t removedFirst = 0;  // keys of ID removed before the first insertion
};

TEST_F(BulkRemoveTest, GivesWhatKeyByKeyRemovalGives) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        index::Outcome runs[2];
        for (int bulk = 0; bulk < 2; ++bulk) {
            ASSERT_EQ(DbsCoreRelease(), 1);
            ASSERT_EQ(DbsCoreInit(), 1);
            Build();
            held.clear();
            Fill(seed, 1200);
            trace.Clear();
            runs[bulk].log = Script(seed, bulk == 1);
            runs[bulk].lines = trace.Texts();
            runs[bulk].bytes = Snapshot();
        }
        EXPECT_GT(removedFirst, 300u);  // more marks than one scope holds: closed up on the way
        index::ExpectSameOutcome(runs[0], runs[1]);
    }
}

// Removing every entry, the last one first and the first one last, and each order in between that leaves bytes
// behind the list differently.
TEST_F(BulkRemoveTest, EmptyingAListLeavesTheBytesOneByOneRemovalLeaves) {
    const std::vector<std::vector<uint32_t>> orders = {
        {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}, {3, 5, 1, 4, 2}, {5, 1, 4, 2, 3}, {2, 4}, {5}, {5, 4}, {1, 5, 3}};
    for (const auto& order : orders) {
        std::vector<uint8_t> bytes[2];
        for (int bulk = 0; bulk < 2; ++bulk) {
            ASSERT_EQ(DbsCoreRelease(), 1);
            ASSERT_EQ(DbsCoreInit(), 1);
            Build();
            tuples.clear();
            for (uint32_t id = 1; id <= 5; ++id) {
                std::string tuple(13, '\0');
                tuple[0] = static_cast<char>(0);
                tuple[3] = static_cast<char>(id);  // big-endian bytes: the list is in id order
                index::Append(table, tuple.data(), true);
                ASSERT_EQ(DbsInsertIndexEX(byId, tuple.data()), 1);
                tuples.push_back(tuple);
            }
            {
                dbs::core::BulkRemoveScope scope(bulk == 1 ? table : 0);
                for (uint32_t id : order) ASSERT_EQ(DbsDeleteIndexEX(byId, tuples[id - 1].data()), 1);
                const uint8_t b = Idx(byId).byIdxSecondAddrPtr;
                EXPECT_EQ(+Idx(byId).adwIdxEntryNum[b], 5 - order.size());
            }
            bytes[bulk] = Snapshot();
        }
        EXPECT_EQ(bytes[1], bytes[0]) << ::testing::PrintToString(order);
    }
}

TEST_F(BulkRemoveTest, CopyClearInsertAndReleaseInsideAScopeSeeTheClosedUpList) {
    Build();
    char tuple[13] = {};
    for (uint32_t id : {10u, 20u, 30u, 40u}) {
        std::memcpy(tuple, &id, 4);
        index::Append(table, tuple, true);
        ASSERT_EQ(DbsInsertIndexEX(byId, &id), 1);
    }
    dbs::core::BulkRemoveScope scope(table);
    const uint32_t twenty = 20, ten = 10, five = 5;
    ASSERT_EQ(DbsDeleteIndexEX(byId, &twenty), 1);
    ASSERT_EQ(DbsCopyDataEx(table, DBS_COPY_SECOND_TO_MAIN), 1);  // main gets the closed-up list
    std::vector<index::Entry> main = index::Entries(byId, Idx(byId).byIdxMainAddrPtr);
    ASSERT_EQ(main.size(), 3u);
    EXPECT_EQ(main[1].key, (std::vector<uint8_t>{30, 0, 0, 0}));

    ASSERT_EQ(DbsDeleteIndexEX(byId, &ten), 1);
    std::memcpy(tuple, &five, 4);
    index::Append(table, tuple, true);
    ASSERT_EQ(DbsInsertIndexEX(byId, &five), 1);  // an insertion works on the closed-up list
    std::vector<index::Entry> second = index::Entries(byId, Idx(byId).byIdxSecondAddrPtr);
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0].key, (std::vector<uint8_t>{5, 0, 0, 0}));
    EXPECT_EQ(second[1].key, (std::vector<uint8_t>{30, 0, 0, 0}));

    ASSERT_EQ(DbsDeleteIndexEX(byId, &five), 1);
    ASSERT_EQ(DbsClrSecondaryMem(table), 1);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[Idx(byId).byIdxSecondAddrPtr], 0u);
    uint32_t out = 1;
    ASSERT_EQ(DbsFetchIndexEX(byId, Idx(byId).byIdxSecondAddrPtr, &five, &out), 1);
    EXPECT_EQ(out, 0u);

    std::memcpy(tuple, &five, 4);
    index::Append(table, tuple, true);
    ASSERT_EQ(DbsInsertIndexEX(byId, &five), 1);
    ASSERT_EQ(DbsDeleteIndexEX(byId, &five), 1);
    EXPECT_EQ(DbsCoreRelease(), 1);  // the mark is dropped with the buffers; closing writes nothing
    ASSERT_EQ(DbsCoreInit(), 1);
}

// The two kinds of scope never overlap: the second one opened changes nothing.
TEST_F(BulkRemoveTest, ScopesDoNotOverlap) {
    Build();
    char tuple[13] = {};
    const uint32_t one = 1, two = 2;
    for (uint32_t id : {one, two}) {
        std::memcpy(tuple, &id, 4);
        index::Append(table, tuple, true);
        ASSERT_EQ(DbsInsertIndexEX(byId, &id), 1);
    }
    {
        dbs::core::BulkInsertScope filling(table);
        dbs::core::BulkRemoveScope emptying(table);
        EXPECT_FALSE(dbs::core::BulkRemoveOpen());
        ASSERT_EQ(DbsDeleteIndexEX(byId, &one), 1);
        EXPECT_EQ(dbs::core::RemovalsFor(DBS_HANDLE_NO(byId), Idx(byId).byIdxSecondAddrPtr), nullptr);
    }
    {
        dbs::core::BulkRemoveScope emptying(table);
        dbs::core::BulkInsertScope filling(table);
        EXPECT_TRUE(dbs::core::BulkRemoveOpen());
        EXPECT_FALSE(dbs::core::BulkInsertOpen());
        ASSERT_EQ(DbsDeleteIndexEX(byId, &two), 1);
        EXPECT_NE(dbs::core::RemovalsFor(DBS_HANDLE_NO(byId), Idx(byId).byIdxSecondAddrPtr), nullptr);
    }
    EXPECT_FALSE(dbs::core::BulkRemoveOpen());
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[Idx(byId).byIdxSecondAddrPtr], 0u);
}

}  // namespace
}  // namespace dbs::test
