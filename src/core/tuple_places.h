// Places in a table's record buffer that callers walking the table by tuple number need: whether a tuple is in
// use, the last tuple in use, the k-th tuple in use, and moving the cursor onto a tuple without a trace line.
//
// Only the cursor ever changes; an invalid handle or a missing buffer gives 0 (false) and writes nothing.
#pragma once

#include <cstdint>

#include "core/tuple_buffer.h"

namespace dbs::core {

// True when tuple `tupleNo` of the role's buffer is in use.
bool TupleInUse(Role role, uint32_t hTable, uint32_t tupleNo);
// The highest tuple number in use, or 0.
uint32_t LastUsedTuple(Role role, uint32_t hTable);
// The tuple number of the k-th tuple in use counting from 0, or the last one in use when there are fewer; 0 when
// none is in use.
uint32_t NthUsedTuple(Role role, uint32_t hTable, uint32_t k);
// Moves the role's cursor to `tupleNo` (1 .. capacity), silently; false when out of range.
bool PlaceCursor(Role role, uint32_t hTable, uint32_t tupleNo);
// When tuple `tupleNo` is in use: moves the cursor onto it and copies its data bytes (the record without its
// status byte) to dst, true. Otherwise false, and nothing changes.
bool ReadTupleAt(Role role, uint32_t hTable, uint32_t tupleNo, void* dst);

}  // namespace dbs::core
