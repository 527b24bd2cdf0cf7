// Loading the whole store from its table files.
//
// Every table of type 1 or 3 is loaded into its secondary memory under the given path number; afterwards
// secondary memory becomes main memory for all tables at once. A failed table of type 3 does not fail the call.
#pragma once

#include <cstdint>

namespace dbs::storage {

// True when no table of type 1 failed to load.
uint8_t DbsLoadAllTables(uint8_t pathNo);

}  // namespace dbs::storage
