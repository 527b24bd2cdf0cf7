// Table access through the public calls only: the tables of the running store with their fields, and the
// conversion of one field between its bytes in a tuple and its text. Offsets and lengths are checked against
// the tuple before any byte is touched.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <dbs/dbs.h>

#include "result_table.h"

namespace dbsql {

struct FieldInfo {
    std::string name;
    char kind = 0;
    uint16_t offset = 0;  // in the record slot; the tuple position is offset - 1
    uint16_t length = 0;
    bool key = false;
    bool saved = false;
};

struct TableInfo {
    uint32_t handle = 0;
    uint16_t number = 0;
    std::string name;
    uint8_t type = 0;
    uint32_t capacity = 0;
    uint32_t records = 0;  // in main memory
    uint16_t tupleLen = 0;  // bytes of a tuple (without the status byte)
    std::vector<FieldInfo> fields;
};

std::vector<TableInfo> ListTables();
// Finds a table by name: the exact name first, then without regard to case.
std::optional<TableInfo> FindTable(std::string_view name);

// The field's value in a tuple; NULL when the field does not lie inside the tuple.
Cell FieldCell(const FieldInfo& field, std::span<const uint8_t> tuple);

// Writes the value given as text into the field's bytes of the tuple. Numbers are decimal (or 0x hex); an
// array field takes its units as "[1, 2, 3]" or "1 2 3", missing units being 0. Returns an error text, or ""
// when the value was stored.
std::string StoreFieldText(const FieldInfo& field, std::string_view text, std::span<uint8_t> tuple);

// Reads every tuple of the table's main memory, in slot order.
template <typename Fn>
void ForEachTuple(uint32_t handle, uint16_t tupleLen, Fn&& fn) {
    std::vector<uint8_t> tuple(tupleLen);
    if (DbsGetTupleNum(handle) == 0) return;
    for (uint8_t ok = DbsSkipToFirst(handle); ok == 1; ok = DbsSkipToNext(handle)) {
        if (DbsGetTuple(handle, tuple.data()) != 1) break;
        fn(std::span<const uint8_t>(tuple));
    }
}

}  // namespace dbsql
