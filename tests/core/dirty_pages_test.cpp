// Copies that move only the written pages must give exactly what whole copies give. A random mix of every call
// that writes a buffer (record calls and their EX twins, index entries, clears, copies both ways, swaps, checked
// operations, SQL in and outside transactions, committed and rolled back, saving and loading) runs once with page
// marks and once copying whole buffers: results and every byte and per-buffer value of the store agree after every
// step. With marks, every copy also leaves both buffers of each pair identical and unmarked, and every clear leaves
// its buffers zero.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"
#include "support/trace_capture.h"

namespace dbs::test {
namespace {

// Records wide enough, and tables large enough, that buffers and sorted lists span several pages.
constexpr const char* kSchema = R"(<?xml version="1.0" encoding="UTF-8"?>
<DBDef>
  <Table Name="DEPT" MaxRecNum="300">
    <Field Name="DNO" DataType="DWORD"/>
    <Field Name="DNAME" DataType="CHAR" Num="60"/>
    <PriKey Name="PK_DEPT"><PKI Field="DNO"/></PriKey>
    <PriKey Name="BYNAME"><PKI Field="DNAME"/></PriKey>
  </Table>
  <Table Name="EMP" MaxRecNum="700">
    <Field Name="ID" DataType="DWORD"/>
    <Field Name="DNO" DataType="DWORD"/>
    <Field Name="AGE" DataType="BYTE"/>
    <Field Name="NOTE" DataType="CHAR" Num="90"/>
    <PriKey Name="PK_EMP"><PKI Field="ID"/></PriKey>
    <PriKey Name="BYDEPT"><PKI Field="DNO"/><PKI Field="ID"/></PriKey>
    <Check Column="AGE" Condition="1-99"/>
    <ForeignKey Parent="DEPT" OnDelete="CASCADE" Columns="DNO"/>
  </Table>
</DBDef>
)";

class Store {
public:
    explicit Store(const std::filesystem::path& root) : root_(root) {
        for (const char* sub : {"version", "temp", "data"}) std::filesystem::create_directories(root / sub);
        schema_ = (root / "model.xml").string();
        std::ofstream(schema_) << kSchema;
        DbsSetDataPath((root.string() + "/").c_str());
        EXPECT_EQ(DbsInitialize(schema_, ""), 1);
        dept_ = DbsGetTableHandle("DEPT");
        emp_ = DbsGetTableHandle("EMP");
        MakeBins();
        EXPECT_EQ(Fill(), 340);
        sql_ = SQLCreate();
    }
    ~Store() {
        TransRollback();
        SQLDestory(sql_);
        DbsUninitialize();
    }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // One random step; appends its results to `log`. With `check`, the copies and clears are inspected.
    void Step(std::mt19937& rng, std::vector<int64_t>& log, bool check);
    // A digest of every byte and per-buffer value of every table and index.
    uint64_t Digest() const;

private:
    // A table made in code beside the catalogue's: a sorted index on a wide key and both array kinds.
    void MakeBins() {
        const uint16_t no = DbsGetTableNum();
        bins_ = DbsCreateTableFormNo(no, "BINS", 0, 500, 3);
        ASSERT_NE(bins_, 0u);
        ASSERT_EQ(DbsAddDomain(bins_, "X", 'W', 2, 1), 1);
        ASSERT_EQ(DbsAddDomain(bins_, "Y", 'W', 2, 1), 1);
        ASSERT_EQ(DbsAddDomain(bins_, "CODE", 'C', 40, 1), 1);
        ASSERT_EQ(DbsAllocMemory(bins_), 1);
        ASSERT_NE(DbsCreateIndexByName(bins_, 0, DBS_IDX_SORTED, 0, 0, 40, "CODE", ""), 0u);
        ASSERT_NE(DbsCreateIndexByName(bins_, 1, DBS_IDX_ARRAY1D_0, 3000, 0, 0, "X", ""), 0u);
        ASSERT_NE(DbsCreateIndexByName(bins_, 2, DBS_IDX_ARRAY2D_0, 60, 40, 0, "X", "Y", ""), 0u);
    }

    // Departments 1..40 and 300 staff among them, published, so that statements find work (when the random
    // steps have emptied the store, again: records already there are refused). Returns how many went in.
    int Fill() {
        int added = 0;
        for (uint32_t d = 1; d <= 40; ++d) {
            std::vector<uint8_t> t(DbsGetTupleLen(dept_));
            std::memcpy(t.data(), &d, 4);
            std::snprintf(reinterpret_cast<char*>(t.data()) + 4, 60, "dept%u", static_cast<unsigned>(d));
            added += DbsSysInsertTabTuple(dept_, t.data());
        }
        for (uint32_t id = 1; id <= 300; ++id) {
            std::vector<uint8_t> t(DbsGetTupleLen(emp_));
            const uint32_t dno = 1 + id % 40;
            std::memcpy(t.data(), &id, 4);
            std::memcpy(t.data() + 4, &dno, 4);
            t[8] = static_cast<uint8_t>(1 + id % 90);
            added += DbsSysInsertTabTuple(emp_, t.data());
        }
        DbsChangeOverAddr();
        DbsAllCopyData();
        return added;
    }

    std::vector<uint8_t> RandomTuple(uint32_t h, std::mt19937& rng) const {
        std::vector<uint8_t> t(DbsGetTupleLen(h));
        for (uint8_t i = 0; i < DbsGetDomainNum(h); ++i) {
            const TagDMForm* f = DbsGetDomainName(h, i);
            uint8_t* at = t.data() + f->wDMOffset - 1;
            const uint32_t v = rng() % (h == emp_ && i == 0 ? 400 : 45);
            if (f->chDMType == DBS_KIND_CHAR) {
                char text[16];
                const int n = std::snprintf(text, sizeof text, "k%u", static_cast<unsigned>(v));
                std::memcpy(at, text, std::min<size_t>(f->wDMLen, static_cast<size_t>(n)));
            } else {
                std::memcpy(at, &v, std::min<size_t>(f->wDMLen, sizeof v));
            }
        }
        return t;
    }

    // Half the time the table made in code, whose records no check guards.
    uint32_t AnyTable(std::mt19937& rng) const {
        const uint32_t tables[] = {dept_, emp_, bins_, bins_};
        return tables[rng() % 4];
    }

    // Both buffers of the table and of each of its indexes equal, per-buffer values too, and nothing marked.
    void ExpectPairsEqual(uint32_t hTable) const;
    // The buffers of the table and its indexes in the given role are all zero, counts and cursor 0.
    void ExpectCleared(uint32_t hTable, bool main) const;
    void ExpectAllPairsEqual() const {
        for (uint32_t h : {dept_, emp_, bins_}) ExpectPairsEqual(h);
    }

    std::filesystem::path root_;
    std::string schema_;
    uint32_t dept_ = 0, emp_ = 0, bins_ = 0;
    hSqlParser sql_ = nullptr;
};

uint64_t Mix(uint64_t h, const void* data, uint64_t len) {
    const auto* p = static_cast<const uint8_t*>(data);
    uint64_t i = 0;
    for (; i + 8 <= len; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001b3ULL;
        h ^= h >> 29;
    }
    for (; i < len; ++i) h = (h ^ p[i]) * 0x100000001b3ULL;
    return h;
}

template <typename T>
uint64_t MixValue(uint64_t h, T v) {
    return Mix(h, &v, sizeof v);
}

uint64_t Store::Digest() const {
    uint64_t h = 0xcbf29ce484222325ULL;
    for (uint16_t t = 0; t < DbsGetTableNum(); ++t) {
        const TagDBForm* form = core::TableForm(DbsGetDBHandle(t));
        if (form == nullptr) continue;
        h = MixValue(h, form->byDBMainAddrPtr);
        for (int b = 0; b < 2; ++b) {
            h = Mix(h, form->apchDBAddr[b], uint64_t{form->dwMaxTupleNum} * form->wTupleLen);
            h = MixValue(h, form->adwTupleNum[b]);
            h = MixValue(h, form->adwTupleNo[b]);
            h = MixValue(h, form->adwSpare1[b]);
        }
        for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
            const uint32_t hIndex = form->adwIdxHandle[slot];
            const TagIdxForm* idx = core::IndexForm(hIndex);
            if (idx == nullptr) continue;
            h = MixValue(h, idx->byIdxMainAddrPtr);
            for (int b = 0; b < 2; ++b) {
                h = Mix(h, idx->apchIdxAddr[b], core::AllocatedBufferBytes(DBS_HANDLE_NO(hIndex)));
                h = MixValue(h, idx->adwIdxEntryNum[b]);
                h = MixValue(h, idx->adwIdxPos[b]);
            }
        }
    }
    return h;
}

void Store::ExpectPairsEqual(uint32_t hTable) const {
    const TagDBForm* form = core::TableForm(hTable);
    ASSERT_NE(form, nullptr);
    const auto no = static_cast<uint16_t>(DBS_HANDLE_NO(hTable));
    EXPECT_EQ(std::memcmp(form->apchDBAddr[0], form->apchDBAddr[1], uint64_t{form->dwMaxTupleNum} * form->wTupleLen),
              0) << form->achDBName;
    EXPECT_EQ(+form->adwTupleNum[0], +form->adwTupleNum[1]) << form->achDBName;
    EXPECT_EQ(+form->adwTupleNo[0], +form->adwTupleNo[1]) << form->achDBName;
    EXPECT_EQ(+form->adwSpare1[0], +form->adwSpare1[1]) << form->achDBName;
    EXPECT_FALSE(core::TablePairMarked(no)) << form->achDBName;
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const uint32_t hIndex = form->adwIdxHandle[slot];
        const TagIdxForm* idx = core::IndexForm(hIndex);
        if (idx == nullptr) continue;
        const uint32_t ino = DBS_HANDLE_NO(hIndex);
        EXPECT_EQ(std::memcmp(idx->apchIdxAddr[0], idx->apchIdxAddr[1], core::AllocatedBufferBytes(ino)), 0)
            << form->achDBName << " index " << slot;
        EXPECT_EQ(+idx->adwIdxEntryNum[0], +idx->adwIdxEntryNum[1]) << form->achDBName << " index " << slot;
        EXPECT_EQ(+idx->adwIdxPos[0], +idx->adwIdxPos[1]) << form->achDBName << " index " << slot;
        EXPECT_FALSE(core::IndexPairMarked(ino)) << form->achDBName << " index " << slot;
    }
}

void Store::ExpectCleared(uint32_t hTable, bool main) const {
    const TagDBForm* form = core::TableForm(hTable);
    ASSERT_NE(form, nullptr);
    const uint8_t b = main ? form->byDBMainAddrPtr : form->byDBSecondAddrPtr;
    auto zero = [](const char* p, uint64_t n) { return std::all_of(p, p + n, [](char c) { return c == 0; }); };
    EXPECT_TRUE(zero(form->apchDBAddr[b], uint64_t{form->dwMaxTupleNum} * form->wTupleLen)) << form->achDBName;
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const uint32_t hIndex = form->adwIdxHandle[slot];
        const TagIdxForm* idx = core::IndexForm(hIndex);
        if (idx == nullptr) continue;
        EXPECT_TRUE(zero(idx->apchIdxAddr[b], core::AllocatedBufferBytes(DBS_HANDLE_NO(hIndex))))
            << form->achDBName << " index " << slot;
    }
}

void Store::Step(std::mt19937& rng, std::vector<int64_t>& log, bool check) {
    const bool ex = rng() % 2 == 1;
    const uint32_t h = AnyTable(rng);
    const uint32_t cap = core::TableForm(h)->dwMaxTupleNum;
    const uint32_t op = rng() % 100;
    log.push_back(op);
    if (DbsGetTupleNum(emp_) < 50 && rng() % 8 == 0) {
        log.push_back(Fill());
        if (check) ExpectAllPairsEqual();
    } else if (op < 30) {  // a record call: write a record, append one, delete one or write one field
        const uint32_t no = 1 + rng() % cap;
        const std::vector<uint8_t> t = RandomTuple(h, rng);
        switch (rng() % 4) {
        case 0:
            log.push_back(ex ? DbsSetTupleNoEX(h, no) : DbsSetTupleNo(h, no));
            log.push_back(ex ? DbsSetTupleEX(h, t.data()) : DbsSetTuple(h, t.data()));
            break;
        case 1:
            log.push_back(ex ? DbsAppendTupleEX(h) : DbsAppendTuple(h));
            log.push_back(ex ? DbsSetTupleEX(h, t.data()) : DbsSetTuple(h, t.data()));
            break;
        case 2:
            log.push_back(ex ? DbsSetTupleNoEX(h, no) : DbsSetTupleNo(h, no));
            log.push_back(ex ? DbsDeleteTupleEX(h) : DbsDeleteTuple(h));
            break;
        default: {
            const TagDMForm* f = DbsGetDomainName(h, static_cast<uint8_t>(rng() % DbsGetDomainNum(h)));
            log.push_back(ex ? DbsSetDomainEX(h, f->achDMName, t.data() + f->wDMOffset - 1)
                             : DbsSetDomain(h, f->achDMName, t.data() + f->wDMOffset - 1));
        }
        }
    } else if (op < 42) {  // an index entry in or out, at the current record
        const auto slot = static_cast<uint16_t>(rng() % (h == bins_ ? 3 : 2));
        const uint32_t hIndex = DBS_INDEX_HANDLE(DBS_HANDLE_NO(h), slot);
        uint8_t key[100] = {};
        uint16_t keyLen = 0;
        const std::vector<uint8_t> t = RandomTuple(h, rng);
        DbsGetIndexValue(h, slot, t.data(), key, sizeof key, &keyLen);
        if (h == bins_ && rng() % 2 == 0) {  // array keys anywhere in (and beyond) the cells
            const uint16_t xy[2] = {static_cast<uint16_t>(rng() % 3100), static_cast<uint16_t>(rng() % 42)};
            std::memcpy(key, xy, sizeof xy);
        }
        const bool in = rng() % 3 != 0;
        if (in) log.push_back(ex ? DbsInsertIndexEX(hIndex, key) : DbsInsertIndex(hIndex, key));
        else log.push_back(ex ? DbsDeleteIndexEX(hIndex, key) : DbsDeleteIndex(hIndex, key));
    } else if (op < 62) {  // a checked operation on secondary memory
        const uint32_t table = rng() % 2 == 0 ? dept_ : emp_;
        const std::vector<uint8_t> t = RandomTuple(table, rng);
        const uint32_t which = rng() % 8;
        if (which < 4) log.push_back(DbsSysInsertTabTuple(table, t.data()));
        else if (which < 7) log.push_back(DbsSysUpdateTabTuple(table, t.data()));
        else log.push_back(DbsSysDeleteTabTuple(table, t.data()));
    } else if (op < 74) {  // an SQL statement, in or outside a transaction
        static constexpr const char* kStatements[] = {
            "UPDATE EMP SET AGE = AGE + 1 WHERE ID < %u",  "UPDATE EMP SET NOTE = 'n%u' WHERE DNO < 9",
            "DELETE FROM EMP WHERE ID = %u",               "DELETE FROM EMP WHERE AGE = %u",
            "UPDATE DEPT SET DNAME = 'd%u' WHERE DNO = 3", "DELETE FROM DEPT WHERE DNO = %u",
            "UPDATE EMP SET DNO = %u WHERE ID < 60",
        };
        char text[128];
        const char* format = kStatements[rng() % std::size(kStatements)];
        std::snprintf(text, sizeof text, format, static_cast<unsigned>(rng() % 60));
        TagSqlRst* rst = nullptr;
        log.push_back(SQLExecute(sql_, text, &rst));
        if (rst != nullptr) RstDestroy(rst);
    } else if (op < 80) {  // transaction control
        switch (rng() % 3) {
        case 0:
            log.push_back(TransBegin());
            if (check && log.back() == 0) ExpectAllPairsEqual();
            break;
        case 1: log.push_back(TransCommit()); break;
        default: log.push_back(TransRollback()); break;
        }
    } else if (op < 88) {  // a copy, either way
        const uint32_t how = rng() % 4;
        if (how == 3) {
            log.push_back(DbsAllCopyData());
            if (check) ExpectAllPairsEqual();
        } else {
            log.push_back(how == 0 ? DbsCopyData(h) : DbsCopyDataEx(h, static_cast<uint8_t>(how - 1)));
            if (check) ExpectPairsEqual(h);
        }
    } else if (op < 95) {  // a swap
        log.push_back(rng() % 2 == 0 ? DbsChangeOver(h) : DbsChangeOverAddr());
    } else if (op < 99) {  // a clear: of a table and its indexes, or of one index alone
        const bool main = rng() % 8 == 0;
        if (rng() % 4 == 0) {
            const uint32_t hIndex = DBS_INDEX_HANDLE(DBS_HANDLE_NO(h), 0);
            log.push_back(DbsClrMemory(hIndex, main ? DBS_MEM_MAIN : DBS_MEM_SECONDARY));
            const TagIdxForm* idx = core::IndexForm(hIndex);
            const char* buffer = idx->apchIdxAddr[main ? idx->byIdxMainAddrPtr : idx->byIdxSecondAddrPtr];
            const uint64_t bytes = core::AllocatedBufferBytes(DBS_HANDLE_NO(hIndex));
            if (check) {
                EXPECT_TRUE(std::all_of(buffer, buffer + bytes, [](char c) { return c == 0; }));
            }
        } else {
            log.push_back(main ? DbsClrMainMem(h) : DbsClrSecondaryMem(h));
            if (check) ExpectCleared(h, main);
        }
    } else {  // save main memory and load it back
        log.push_back(DbsSaveDataToQDB((root_ / "temp").string().append("/").c_str(), DBS_SAVE_TO_TEMP));
        for (uint32_t table : {dept_, emp_}) DbsClrSecondaryMem(table);
        log.push_back(DbsLoadData());
    }
}

class DirtyPages : public ::testing::Test {
protected:
    void SetUp() override {
        DbsUninitialize();
        char pattern[] = "/tmp/dbs_pages_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        core::SetMarksKept(true);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // For every one of `steps` random steps from `seed`: its results, then the store's digest.
    std::vector<std::vector<int64_t>> Run(uint32_t seed, int steps, bool marks, const char* name) {
        core::SetMarksKept(marks);
        Store store(root_ / name);
        std::mt19937 rng(seed);
        std::vector<std::vector<int64_t>> log(steps);
        for (int i = 0; i < steps && !HasFailure(); ++i) {
            store.Step(rng, log[i], marks);
            log[i].push_back(static_cast<int64_t>(store.Digest()));
        }
        return log;
    }

    std::filesystem::path root_;
    TraceCapture trace;
};

TEST_F(DirtyPages, CopiesGiveWhatWholeCopiesGive) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        const auto paged = Run(seed, 1200, true, "paged");
        const auto whole = Run(seed, 1200, false, "whole");
        ASSERT_FALSE(HasFailure()) << "seed " << seed;
        const auto diff = std::mismatch(paged.begin(), paged.end(), whole.begin(), whole.end());
        ASSERT_TRUE(diff.first == paged.end())
            << "seed " << seed << ": the two ways part at step " << (diff.first - paged.begin()) << ", operation "
            << diff.first->front();
        trace.Clear();
    }
}

}  // namespace
}  // namespace dbs::test
