// The prepare checks that decide whether a checked insert, update or delete may go ahead, and their parts:
// mutually exclusive tables, check constraints with their condition language, key uniqueness and foreign keys.
//
// Every check reads secondary memory only, writes one trace line per refusing level and changes no tuple; the
// cascading pass of the delete check is the one exception (it deletes child tuples through the checked delete).
#pragma once

#include <cstdint>
#include <string_view>

#include <dbs/dbs.h>

namespace dbs::catalog {

// Insert prepare: mutex tables, check constraints, primary and secondary uniqueness, child-side foreign keys.
bool DbsInsertTabPrepare(uint32_t hTable, const uint8_t* tuple);

// A table may take a tuple only while every table of its (first) mutex record is empty.
bool DbsMutexTableCheck(uint32_t hTable);

// Every check constraint of the table must hold for the tuple.
bool DbsCheckConsCheck(uint32_t hTable, const uint8_t* tuple);
// The numeric value of a column ('N', 'W', 'D'; first element of an array) zero-extended to 32 bits.
bool DbsGetCheckColumnValue(uint32_t hTable, const char* column, const uint8_t* tuple, uint32_t* value);
// True when at least one term of the condition holds for the value (condition.cpp has the language).
bool CheckSearchCondition(uint32_t value, const char* condition);

// No stored tuple may hold the tuple's primary key, nor its key in any further valid slot.
bool DbsPrimaryUniqueCheck(const TagDBForm* form, const uint8_t* tuple);
bool DbsSecondaryUniqueCheck(const TagDBForm* form, const uint8_t* tuple);

}  // namespace dbs::catalog
