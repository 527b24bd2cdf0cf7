// Building the store from the catalogue: every table with its columns and storage, every key index, and the
// checked methods. Every refusal writes one trace line per level; nothing built before a failure is removed
// (initialisation then fails as a whole and the core release takes it all down).
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

namespace dbs::catalog {

// Validates every table and column record, then creates each table, adds its columns and allocates its storage.
// false when a record is refused or the core cannot create a table, a field or a storage block.
bool DbsCreateTables(const TagSYSTABTuple* tables, uint32_t tableNum, const TagSYSCOLUMNTuple* columns,
                     uint32_t columnNum);

// Cuts the key-column list into groups of one index each and builds them; false at the first refused group.
bool DbsMakeAllIndex(const TagSYSCONSCOLUMNTuple* keyColumns, uint32_t count);

// Builds one sorted index from a group of 1 to 8 key-column records of the same table and index handle.
uint8_t SingleCreateIndex(const TagSYSCONSCOLUMNTuple* group, uint16_t n);

}  // namespace dbs::catalog
