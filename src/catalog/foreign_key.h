// Foreign keys: the constraint string ("[Name=value, ...] Col1,Col2"), its filter, the child key built from the
// listed columns, and the child-side and parent-side passes.
//
// Strings are read from their 100-byte fields without being modified; keys are built in cleared 100-byte buffers
// and a column list whose key would not fit (or that names more than 10 columns) is refused with a trace line.
#pragma once

#include <cstdint>
#include <string_view>

#include <dbs/dbs.h>

#include "catalog/catalog_limits.h"

namespace dbs::catalog {

// A foreign-key string taken apart.
struct FkParts {
    bool malformed = false;       // '[' without ']'
    bool hasFilter = false;
    std::string_view filter;      // the conditions, without the brackets and the surrounding blanks
    std::string_view columns;     // the column list, trimmed; may be empty
};
FkParts SplitFkString(std::string_view text);

// True when the column bytes equal the literal ('C': as text; numbers: as a blank- or comma-separated list of
// elements of the column's width).
bool FkConsFieldCompare(const uint8_t* column, uint16_t len, char type, std::string_view literal);

// True when the filter of `cons` holds for the tuple of table hTable (no filter holds); hands out the column
// list when `columns` is given: a view with a null data() means none (a filter followed by no columns).
bool FkConsValueCheck(uint32_t hTable, const uint8_t* tuple, const char* cons, std::string_view* columns);

// Builds the child key of the tuple from the listed columns into a cleared 100-byte buffer.
enum class ColumnKeyResult { Ok, UnknownColumn, CharColumnTooLong, TooManyColumns, KeyTooLong };
ColumnKeyResult BuildColumnKey(uint32_t hTable, std::string_view columns, const uint8_t* tuple,
                               uint8_t (&key)[kKeyBufLen], uint16_t* keyLen, uint16_t* badLen);

// The child-side pass: every foreign key of the table whose filter holds must find its parent.
bool DbsFkConsCheck(uint32_t hTable, const uint8_t* tuple);
bool FkConsInsertCheck(const TagSYSCONSTRAINTSTuple* cons, const std::string_view* columns, const uint8_t* tuple);

// The parent side, run before a parent tuple is deleted: mode 1 refuses while a child refers to it, mode 2
// deletes the referring children through the checked delete.
bool GetFkConsString(const char* cons, std::string_view* columns);
bool DbsSysFkConsDeleteCheck(const TagSYSCONSTRAINTSTuple* cons, const char* consStr, const uint8_t* parentTuple,
                             int mode);

}  // namespace dbs::catalog
