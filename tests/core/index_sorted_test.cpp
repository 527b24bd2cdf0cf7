// The sorted index kind: ordering by raw key bytes, the insertion place left by a miss, re-pointing, the limits
// of insertion and removal, and agreement with a reference map over a long random sequence.
#include <functional>
#include <random>

#include "core/index_test_util.h"

namespace dbs::test {
namespace {

using index::Entries;
using index::Entry;
using index::Idx;

class SortedIndexTest : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        table = index::Table(1, "ITEM", 64, {{"ID", 'D', 4}, {"NAME", 'C', 8}, {"K", 'N', 1}});
        byId = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
        byName = DbsCreateIndexByName(table, 1, DBS_IDX_SORTED, 0, 0, 8, "NAME", "");
        byK = DbsCreateIndexByName(table, 2, DBS_IDX_SORTED, 0, 0, 1, "K", "");
        ASSERT_NE(byId, 0u);
        ASSERT_NE(byName, 0u);
        ASSERT_NE(byK, 0u);
        trace.Clear();
    }

    // Appends a record in main memory and enters it in all three indexes.
    uint32_t Add(uint32_t id, const char* name, uint8_t k) {
        char tuple[13] = {};
        std::memcpy(tuple, &id, 4);
        std::strncpy(tuple + 4, name, 8);
        tuple[12] = static_cast<char>(k);
        uint32_t no = index::Append(table, tuple);
        EXPECT_EQ(DbsInsertIndex(byId, tuple), 1);
        EXPECT_EQ(DbsInsertIndex(byName, tuple + 4), 1);
        EXPECT_EQ(DbsInsertIndex(byK, tuple + 12), 1);
        return no;
    }

    uint32_t table = 0, byId = 0, byName = 0, byK = 0;
};

TEST_F(SortedIndexTest, LookupInEmptyIndexIsAMissAtPositionZero) {
    uint32_t key = 7, tupleNo = 99;
    EXPECT_EQ(DbsFetchIndex(byId, &key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, 0u);
    EXPECT_EQ(+Idx(byId).adwIdxPos[0], 0u);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num==0");
}

TEST_F(SortedIndexTest, KeysAreKeptInByteOrderAndAMissLeavesTheInsertionPlace) {
    uint32_t t1 = Add(1, "c", 0x1E), t2 = Add(2, "a", 0x0A), t3 = Add(3, "b", 0x14);
    EXPECT_EQ(Entries(byK, 0), (std::vector<Entry>{{t2, {0x0A}}, {t3, {0x14}}, {t1, {0x1E}}}));

    uint8_t missing = 0x0F;
    uint32_t tupleNo = 99;
    trace.Clear();
    EXPECT_EQ(DbsFetchIndex(byK, &missing, &tupleNo), 1);
    EXPECT_EQ(tupleNo, 0u);
    EXPECT_EQ(+Idx(byK).adwIdxPos[0], 1u);
    EXPECT_EQ(trace.Last(), "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num=3");

    uint8_t present = 0x14;
    EXPECT_EQ(DbsFetchIndex(byK, &present, &tupleNo), 1);
    EXPECT_EQ(tupleNo, t3);
    EXPECT_EQ(+Idx(byK).adwIdxPos[0], 1u);
}

TEST_F(SortedIndexTest, NumbersCompareAsStoredBytesNotAsValues) {
    uint32_t t1 = Add(1, "x", 1), t256 = Add(256, "y", 2);
    auto entries = Entries(byId, 0);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].tupleNo, t256);  // bytes 00 01 00 00 before 01 00 00 00
    EXPECT_EQ(entries[1].tupleNo, t1);
}

TEST_F(SortedIndexTest, InsertingAnExistingKeyRepointsItsEntry) {
    Add(5, "a", 1);
    char tuple[13] = {9, 0, 0, 0, 'z'};
    uint32_t other = index::Append(table, tuple);
    uint32_t key = 5;
    EXPECT_EQ(DbsInsertIndex(byId, &key), 1);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 1u);
    uint32_t tupleNo = 0;
    EXPECT_EQ(DbsFetchIndex(byId, &key, &tupleNo), 1);
    EXPECT_EQ(tupleNo, other);
}

TEST_F(SortedIndexTest, AnIndexHoldsNoMoreEntriesThanTheTableHasRecords) {
    Add(1, "a", 1);
    uint32_t key = 2;
    trace.Clear();
    EXPECT_EQ(DbsInsertIndexEX(byId, &key), 0);  // secondary memory holds no record at all
    EXPECT_EQ(DbsInsertIndex(byId, &key), 0);    // one record, one entry already
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 1u);
    EXPECT_EQ(trace.Texts(), std::vector<std::string>{
        "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num=1"});
}

TEST_F(SortedIndexTest, RemovingKeys) {
    uint32_t t1 = Add(1, "a", 1), t2 = Add(2, "b", 2);
    Add(3, "c", 3);
    uint32_t absent = 7, middle = 2;
    EXPECT_EQ(DbsDeleteIndex(byId, &absent), 1);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 3u);
    EXPECT_EQ(DbsDeleteIndex(byId, &middle), 1);
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 2u);
    auto entries = Entries(byId, 0);
    EXPECT_EQ(entries[0].tupleNo, t1);
    EXPECT_EQ(entries[1].key, (std::vector<uint8_t>{3, 0, 0, 0}));
    (void)t2;
}

TEST_F(SortedIndexTest, LocateMovesTheCursorOrReportsTheMiss) {
    Add(1, "a", 1);
    uint32_t t2 = Add(2, "b", 2);
    uint32_t key = 2;
    trace.Clear();
    EXPECT_EQ(DbsLocateTuple(byId, &key), 1);
    EXPECT_EQ(DbsGetTupleNo(table), t2);
    EXPECT_EQ(trace.Count(), 0u);

    key = 42;
    EXPECT_EQ(DbsLocateTuple(byId, &key), 0);
    EXPECT_EQ(DbsGetTupleNo(table), 1u);
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
        "[File:* Line:*] DbsFetchIndex return dwTupleNo=0, all index num=2",
        "[File:* Line*] dwTupleNo = 0 Invalid"}));

    // The twin looks in secondary memory, which holds nothing yet, and writes no miss line.
    trace.Clear();
    key = 2;
    EXPECT_EQ(DbsLocateTupleEX(byId, &key), 0);
    EXPECT_EQ(trace.Count(), 0u);
}

TEST_F(SortedIndexTest, SecondaryKeyIsRemovedOnlyWhenItBelongsToThePrimaryKeysTuple) {
    Add(1, "a", 1);
    Add(2, "b", 2);
    uint32_t id = 1;
    char name[8] = {'b'};
    EXPECT_EQ(DbsDeleteSecondaryIndex(byId, &id, byName, name), 1);
    EXPECT_EQ(+Idx(byName).adwIdxEntryNum[0], 2u);
    id = 2;
    EXPECT_EQ(DbsDeleteSecondaryIndex(byId, &id, byName, name), 1);
    EXPECT_EQ(+Idx(byName).adwIdxEntryNum[0], 1u);
    EXPECT_EQ(DbsDeleteSecondaryIndexEX(byId, &id, byName, name), 1);  // nothing in secondary memory
}

TEST_F(SortedIndexTest, BadArgumentsAreRefusedWithTheirLines) {
    uint32_t key = 1, out = 0;
    struct Case {
        const char* what;
        std::function<uint8_t()> call;
        const char* line;
    } cases[] = {
        {"fetch null key", [&] { return DbsFetchIndex(byId, nullptr, &out); },
         "[File:* Line*] Pointer pchTupleKey is NULL"},
        {"fetch null out", [&] { return DbsFetchIndex(byId, &key, nullptr); },
         "[File:* Line*] Pointer pdwTupleNo is NULL"},
        {"fetch ex null out", [&] { return DbsFetchIndexEX(byId, 1, &key, nullptr); },
         "[File:* Line*] Pointer pdwTupleNo is NULL"},
        {"fetch bad handle", [&] { return DbsFetchIndex(0x20077, &key, &out); },
         "[File:* Line*] Index Handle 20077 Invalid"},
        {"fetch ex buffer 2", [&] { return DbsFetchIndexEX(byId, 2, &key, &out); },
         "[File:* Line*] Index (Handle 20004) buffer number 2 invalid"},
        {"locate bad handle", [&] { return DbsLocateTuple(0x10001, &key); },
         "[File: *, Line: *] Index tHandle 10001H invalid"},
        {"locate ex bad handle", [&] { return DbsLocateTupleEX(0x10001, &key); },
         "[File: *, Line: *] index handle 10001H invalid"},
        {"locate null key", [&] { return DbsLocateTuple(byId, nullptr); },
         "[File:* Line*] Pointer pchTupleKey is NULL"},
        {"insert null key", [&] { return DbsInsertIndex(byId, nullptr); },
         "[File:* Line*] Pointer pchTupleKey is NULL"},
        {"insert bad handle", [&] { return DbsInsertIndexEX(0x20200, &key); },
         "[File:* Line*] Index Handle 20200 Invalid"},
        {"delete null key", [&] { return DbsDeleteIndex(byId, nullptr); },
         "[File:* Line*] Pointer pchTupleKey is NULL"},
        {"delete bad handle", [&] { return DbsDeleteIndex(0, &key); },
         "[File:* Line*] Index Handle 0 Invalid"},
        {"secondary delete bad primary", [&] { return DbsDeleteSecondaryIndex(5, &key, byName, &key); },
         "[File:* Line*] Primary Index Handle 5H Invalid"},
        {"secondary delete bad secondary", [&] { return DbsDeleteSecondaryIndexEX(byId, &key, 6, &key); },
         "[File:* Line*] Secondary Index Handle 6H Invalid"},
        {"secondary delete null key", [&] { return DbsDeleteSecondaryIndex(byId, &key, byName, nullptr); },
         "[File:* Line*] Pointer pchTupleKey is NULL"},
    };
    for (const Case& c : cases) {
        trace.Clear();
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(trace.Last(), c.line) << c.what;
    }
}

TEST_F(SortedIndexTest, AgreesWithAReferenceMapOverRandomChanges) {
    // Keys of 4 and 8 bytes take the word-sized comparisons, the 1-byte keys the general one. The work is done in
    // secondary memory, whose lookups write no miss lines.
    struct Case {
        uint32_t hIndex;
        size_t offset, len;
    } cases[] = {{byId, 0, 4}, {byName, 4, 8}, {byK, 12, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.len);
        ASSERT_EQ(DbsClrSecondaryMem(table), 1);
        std::mt19937 rng(static_cast<unsigned>(c.len));
        index::KeyModel model;
        for (int step = 0; step < 3000; ++step) {
            std::vector<uint8_t> key(c.len);
            for (uint8_t& b : key) b = static_cast<uint8_t>(rng() % 4 * 0x55);  // few values: many collisions
            if (rng() % 3 != 0) {
                if (DbsGetTupleNumEX(table) == 64) continue;
                char tuple[13] = {};
                std::memcpy(tuple + c.offset, key.data(), c.len);
                uint32_t no = index::Append(table, tuple, true);
                ASSERT_EQ(DbsInsertIndexEX(c.hIndex, key.data()), 1);
                auto [it, fresh] = model.try_emplace(key, no);
                if (!fresh) {  // re-pointed: the record it named is no longer reachable, drop it
                    ASSERT_EQ(DbsSetTupleNoEX(table, it->second), 1);
                    ASSERT_EQ(DbsDeleteTupleEX(table), 1);
                    it->second = no;
                }
            } else {
                ASSERT_EQ(DbsDeleteIndexEX(c.hIndex, key.data()), 1);
                auto it = model.find(key);
                if (it != model.end()) {
                    ASSERT_EQ(DbsSetTupleNoEX(table, it->second), 1);
                    ASSERT_EQ(DbsDeleteTupleEX(table), 1);
                    model.erase(it);
                }
            }
            ASSERT_EQ(+Idx(c.hIndex).adwIdxEntryNum[1], model.size());
        }
        std::vector<Entry> expected;
        for (auto& [key, no] : model) expected.push_back({no, key});
        EXPECT_EQ(Entries(c.hIndex, 1), expected);
        for (auto& [key, no] : model) {
            uint32_t found = 0;
            ASSERT_EQ(DbsFetchIndexEX(c.hIndex, 1, key.data(), &found), 1);
            EXPECT_EQ(found, no);
        }
    }
    EXPECT_EQ(+Idx(byId).adwIdxEntryNum[0], 0u);  // main memory untouched
    EXPECT_EQ(trace.Count(), 0u);
}

}  // namespace
}  // namespace dbs::test
