// Test support for the catalogue: a fixture that fills the catalogue lists directly (as initialisation would from
// the schema files), builds the store from them, makes tuples by column name and checks that a table and every
// index agree in secondary memory.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include <algorithm>

#include "catalog/catalog_lists.h"
#include "core/core_state.h"
#include "catalog/step_faults.h"
#include "support/trace_capture.h"

namespace dbs::test {

// A tuple of one table, filled by column name.
class TupleBuilder {
public:
    explicit TupleBuilder(uint32_t hTable) : hTable_(hTable), bytes_(DbsGetTupleLen(hTable), 0) {}
    TupleBuilder& D(const char* column, uint32_t v) { return Put(column, &v, sizeof v); }
    TupleBuilder& W(const char* column, uint16_t v) { return Put(column, &v, sizeof v); }
    TupleBuilder& N(const char* column, uint8_t v) { return Put(column, &v, sizeof v); }
    TupleBuilder& C(const char* column, const char* text) {
        uint16_t off = 0, len = 0;
        EXPECT_EQ(GetFieldProp(hTable_, column, &off, nullptr, &len), 1) << column;
        std::memset(bytes_.data() + off - 1, 0, len);
        std::memcpy(bytes_.data() + off - 1, text, std::min<size_t>(len, std::strlen(text)));
        return *this;
    }
    TupleBuilder& Raw(const char* column, const void* data, size_t n) { return Put(column, data, n); }
    const uint8_t* data() const { return bytes_.data(); }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    TupleBuilder& Put(const char* column, const void* v, size_t n) {
        uint16_t off = 0, len = 0;
        EXPECT_EQ(GetFieldProp(hTable_, column, &off, nullptr, &len), 1) << column;
        std::memcpy(bytes_.data() + off - 1, v, std::min<size_t>(n, len));
        return *this;
    }
    uint32_t hTable_;
    std::vector<uint8_t> bytes_;
};

// Copies text into a fixed field, cut to the field's width (a name filling the field keeps no NUL).
template <size_t N>
void CopyText(char (&field)[N], size_t width, const char* text) {
    std::memcpy(field, text, std::min(width, std::strlen(text)));
}

class CatalogFixture : public CoreFixture {
protected:
    void TearDown() override {
        catalog::fault::ResetSteps();
        catalog::ReleaseLists();
        CoreFixture::TearDown();
    }

    uint32_t AddTable(const char* name, uint16_t capacity, uint8_t type = DBS_TABLE_TYPE_FIRST) {
        TagSYSTABTuple t{};
        t.dwTableHandle = DBS_TABLE_HANDLE(tables.size());
        CopyText(t.achDBName, sizeof t.achDBName, name);
        t.wMaxRecNum = capacity;
        t.byTableType = type;
        tables.push_back(t);
        return t.dwTableHandle;
    }
    void AddColumn(uint32_t hTable, const char* name, char type, uint16_t len) {
        TagSYSCOLUMNTuple c{};
        c.dwTableHandle = hTable;
        CopyText(c.achDMName, sizeof c.achDMName, name);
        c.chDMType = type;
        c.wDMLen = len;
        c.bySaveFlag = 1;
        columns.push_back(c);
    }
    uint32_t AddKey(uint32_t hTable, uint8_t slot, std::initializer_list<const char*> names) {
        const uint32_t hIndex = DBS_INDEX_HANDLE(DBS_HANDLE_NO(hTable), slot);
        for (const char* n : names) {
            TagSYSCONSCOLUMNTuple k{};
            k.dwTableHandle = hTable;
            k.dwConstraintHandle = hIndex;
            CopyText(k.achDMName, sizeof k.achDMName, n);
            k.byIdxNo = slot;
            keys.push_back(k);
        }
        return hIndex;
    }
    uint32_t AddForeignKey(uint32_t hChild, uint32_t hParent, uint8_t parentSlot, const char* text, uint8_t type) {
        TagSYSCONSTRAINTSTuple r{};
        r.dwTableHandle = hChild;
        r.dwConstraintHandle = DBS_HANDLE_CONSTRAINT | static_cast<uint32_t>(foreignKeys.size());
        r.byConsType = type;
        CopyText(r.achSearchCondition, sizeof r.achSearchCondition - 1, text);
        r.dwRelTableHandle = hParent;
        r.dwRelIndexHandle = DBS_INDEX_HANDLE(DBS_HANDLE_NO(hParent), parentSlot);
        foreignKeys.push_back(r);
        return r.dwConstraintHandle;
    }
    void AddCheck(uint32_t hTable, const char* column, const char* condition) {
        TagSYSCONSTRAINTSTuple r{};
        r.dwTableHandle = hTable;
        r.byConsType = DBS_CONS_CHECK;
        CopyText(r.achCheckColumnName, sizeof r.achCheckColumnName, column);
        CopyText(r.achSearchCondition, sizeof r.achSearchCondition - 1, condition);
        checks.push_back(r);
    }
    void AddMutex(uint32_t hTable, const char* list) {
        TagSYSCONSTRAINTSTuple r{};
        r.dwTableHandle = hTable;
        r.byConsType = DBS_CONS_MUTEX;
        CopyText(r.achSearchCondition, sizeof r.achSearchCondition - 1, list);
        mutexes.push_back(r);
    }
    void AddFixed(uint32_t hTable, uint32_t hIndex) {
        TagSYSCONSTRAINTSTuple r{};
        r.dwTableHandle = hTable;
        r.dwConstraintHandle = hIndex;
        r.byConsType = DBS_CONS_FIXED_INDEX;
        fixed.push_back(r);
    }

    bool Install() {
        return catalog::InstallLists({tables, columns, keys, foreignKeys, checks, mutexes, fixed});
    }
    // Installs the lists and builds the store; 1 on success.
    uint8_t Build() {
        if (!Install()) return 0;
        return DbsInitSysManageTable();
    }

    // The table and its indexes agree in secondary memory: every used slot is found under its key in every valid
    // index and no index holds more entries than the table holds tuples.
    void ExpectConsistent(uint32_t hTable) {
        const TagDBForm* form = dbs::core::TableForm(hTable);
        ASSERT_NE(form, nullptr);
        const uint32_t used = DbsGetTupleNumEX(hTable);
        const uint32_t cursor = DbsGetTupleNoEX(hTable);
        uint32_t seen = 0;
        std::vector<uint8_t> tuple(DbsGetTupleLen(hTable));
        for (uint32_t no = 1; no <= form->dwMaxTupleNum; ++no) {
            if (DbsSetTupleNoEX(hTable, no) != 1) continue;
            ++seen;
            ASSERT_EQ(DbsGetTupleEX(hTable, tuple.data()), 1);
            for (uint16_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
                const TagIdxForm* idx = dbs::core::IndexForm(form->adwIdxHandle[slot]);
                if (idx == nullptr) break;
                uint8_t key[100];
                uint16_t len = 0;
                ASSERT_EQ(DbsGetIndexValue(hTable, slot, tuple.data(), key, sizeof key, &len), 0);
                uint32_t found = 0;
                ASSERT_EQ(DbsFetchIndexEX(idx->dwIdxHandle, idx->byIdxSecondAddrPtr, key, &found), 1);
                EXPECT_EQ(found, no) << "slot " << slot << " of tuple " << no;
            }
        }
        EXPECT_EQ(seen, used);
        for (uint16_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
            const TagIdxForm* idx = dbs::core::IndexForm(form->adwIdxHandle[slot]);
            if (idx == nullptr) break;
            EXPECT_EQ(uint32_t{idx->adwIdxEntryNum[idx->byIdxSecondAddrPtr]}, used) << "entries of slot " << slot;
        }
        DbsSetTupleNoEX(hTable, cursor);
    }

    std::vector<TagSYSTABTuple> tables;
    std::vector<TagSYSCOLUMNTuple> columns;
    std::vector<TagSYSCONSCOLUMNTuple> keys;
    std::vector<TagSYSCONSTRAINTSTuple> foreignKeys, checks, mutexes, fixed;
};

}  // namespace dbs::test
