// Helpers of the index and buffer tests: a small table built in code with an index on it, and records added in
// main or secondary memory together with their index entries.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "core/index_kind.h"
#include "core/sorted_index.h"
#include "support/trace_capture.h"

namespace dbs::test::index {

struct Field {
    const char* name;
    char kind;
    uint16_t len;
};

// Creates table `no` with its storage; 0 (and a test failure) when it cannot.
inline uint32_t Table(uint16_t no, const char* name, uint32_t capacity, std::initializer_list<Field> fields,
                      bool storage = true) {
    uint32_t h = DbsCreateTableFormNo(no, name, 0, capacity, static_cast<uint16_t>(fields.size()));
    EXPECT_NE(h, 0u) << name;
    for (const Field& f : fields) EXPECT_EQ(DbsAddDomain(h, f.name, f.kind, f.len, 1), 1) << f.name;
    if (storage) {
        EXPECT_EQ(DbsAllocMemory(h), 1) << name;
    }
    return h;
}

// Appends a record whose data bytes are `tuple` (at least the table's data length) and leaves the cursor on it.
inline uint32_t Append(uint32_t hTable, const void* tuple, bool secondary = false) {
    if (secondary) {
        EXPECT_EQ(DbsAppendTupleEX(hTable), 1);
        EXPECT_EQ(DbsSetTupleEX(hTable, tuple), 1);
        return DbsGetTupleNoEX(hTable);
    }
    EXPECT_EQ(DbsAppendTuple(hTable), 1);
    EXPECT_EQ(DbsSetTuple(hTable, tuple), 1);
    return DbsGetTupleNo(hTable);
}

inline TagIdxForm& Idx(uint32_t hIndex) { return gptIdx_Form[DBS_HANDLE_NO(hIndex)]; }
inline TagDBForm& Form(uint32_t hTable) { return gptDB_Form[DBS_HANDLE_NO(hTable)]; }

// The (tuple number, key) entries of buffer b of a sorted index, in key order as the tree holds them.
struct Entry {
    uint32_t tupleNo;
    std::vector<uint8_t> key;
    bool operator==(const Entry&) const = default;
};

// Keys in the order of memcmp, for reference models. Compared byte by byte: std::less on vectors makes g++ 12 at
// -O3 report an impossible memcmp bound (-Wstringop-overread).
struct KeyLess {
    bool operator()(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) const {
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
            if (a[i] != b[i]) return a[i] < b[i];
        }
        return a.size() < b.size();
    }
};
using KeyModel = std::map<std::vector<uint8_t>, uint32_t, KeyLess>;  // key -> tuple number
inline std::vector<Entry> Entries(uint32_t hIndex, uint8_t b) {
    const TagIdxForm& idx = Idx(hIndex);
    const uint32_t no = DBS_HANDLE_NO(hIndex);
    const dbs::core::SortedIndex tree(idx.apchIdxAddr[b], dbs::core::AllocatedBufferBytes(no),
                                      dbs::core::RecordedTreeShape(no), no, b);
    std::vector<Entry> out;
    dbs::core::TreePath path;
    for (bool on = tree.Seek(nullptr, 0, path); on; on = tree.Next(path)) {
        const char* e = tree.EntryAt(path);
        Entry entry;
        std::memcpy(&entry.tupleNo, e, 4);
        entry.key.assign(e + 4, e + idx.wIdxEntryLen);
        out.push_back(entry);
    }
    return out;
}

}  // namespace dbs::test::index

namespace dbs::test::index {

// A table with a sorted index (slot 0, on ID) and a one-dimensional array index (slot 1, on BIN), for the tests of
// the two memories.
class StockFixture : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        table = Table(1, "STOCK", 8, {{"ID", 'D', 4}, {"NAME", 'C', 8}, {"BIN", 'W', 2}});
        byId = DbsCreateIndexByName(table, 0, DBS_IDX_SORTED, 0, 0, 4, "ID", "");
        byBin = DbsCreateIndexByName(table, 1, DBS_IDX_ARRAY1D_0, 16, 0, 0, "BIN", "");
        ASSERT_NE(byId, 0u);
        ASSERT_NE(byBin, 0u);
        trace.Clear();
    }

    // Adds a record with its index entries in main or secondary memory; returns its tuple number.
    uint32_t Add(uint32_t id, uint16_t bin, bool secondary = false) {
        char tuple[14] = {};
        std::memcpy(tuple, &id, 4);
        std::memcpy(tuple + 4, "item", 4);
        std::memcpy(tuple + 12, &bin, 2);
        uint32_t no = Append(table, tuple, secondary);
        EXPECT_EQ(secondary ? DbsInsertIndexEX(byId, &id) : DbsInsertIndex(byId, &id), 1);
        EXPECT_EQ(secondary ? DbsInsertIndexEX(byBin, &bin) : DbsInsertIndex(byBin, &bin), 1);
        return no;
    }

    // The tuple number the given memory's index maps the key to (0 when none).
    uint32_t Lookup(uint32_t hIndex, const void* key, bool secondary) {
        const TagIdxForm& idx = Idx(hIndex);
        uint32_t out = 0;
        EXPECT_EQ(DbsFetchIndexEX(hIndex, secondary ? idx.byIdxSecondAddrPtr : idx.byIdxMainAddrPtr, key, &out), 1);
        return out;
    }

    uint32_t table = 0, byId = 0, byBin = 0;
};

}  // namespace dbs::test::index
