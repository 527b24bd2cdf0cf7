// Which parts of a table's or an index's two buffers may differ from each other.
//
// Every write into a record buffer or an index buffer, whichever role the buffer plays, is noted here by its byte
// range within the buffer (offsets are the same in both buffers of a pair). A copy from one buffer onto the other
// only has to move what was noted since the last copy; after a copy the pair is identical again. Noting is cheap
// (no allocation, no trace line) and safe to call with any arguments: an unknown table or index, or a range beyond
// the buffer, is ignored or clipped. Noting too much is always correct; noting too little is a fault.
#pragma once

#include <cstdint>

namespace dbs::core {

// Bytes [offset, offset + len) of a record buffer of table number `tableNo` were written.
void NoteTableWrite(uint16_t tableNo, uint64_t offset, uint64_t len);

// Bytes [offset, offset + len) of an index buffer of index number `indexNo` were written.
void NoteIndexWrite(uint32_t indexNo, uint64_t offset, uint64_t len);

}  // namespace dbs::core
