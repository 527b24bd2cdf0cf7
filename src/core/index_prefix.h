// Ordered visits of a sorted index by key prefix, for callers that fetch many tuples at once through one index
// (the SQL engine's access paths: equalities on the leading columns of a key, IN lists).
//
// Reading only: no trace line, no change to the index's entries, counts or positions.
#pragma once

#include <cstdint>

namespace dbs::core {

// Called once per entry found, in ascending key order; returning false stops the visit.
using TupleVisitor = bool (*)(void* ctx, uint32_t tupleNo);

// Visits the entries of buffer `b` (0 or 1) of sorted index `hIndex` whose first `len` key bytes equal
// prefix[0, len), in ascending key order; len 0 visits every entry and len = the key length at most one. False,
// visiting nothing, when the handle is not a valid sorted index, b is not 0 or 1, the buffer is missing, or len is
// longer than the key.
bool VisitKeyPrefix(uint32_t hIndex, uint8_t b, const void* prefix, uint32_t len, TupleVisitor visit, void* ctx);

}  // namespace dbs::core
