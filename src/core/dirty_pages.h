// Which parts of a table's or an index's two buffers may differ from each other.
//
// Every write into a record buffer or an index buffer, whichever role the buffer plays, is noted here by its byte
// range within the buffer (offsets are the same in both buffers of a pair). A copy from one buffer onto the other
// only has to move what was noted since the last copy; after a copy the pair is identical again. Noting is cheap
// (no allocation, no trace line) and safe to call with any arguments: an unknown table or index, or a range beyond
// the buffer, is ignored or clipped. Noting too much is always correct; noting too little is a fault.
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

#include "core/page_marks.h"

namespace dbs::core {

namespace detail {
extern PageMarks gTableMarks[DBS_MAX_TABLES];
extern PageMarks gIndexMarks[DBS_MAX_INDEXES];
}  // namespace detail

// The same as the two calls below for a write known to have gone into buffer number `buf` (0 or 1) alone:
// clearing the other buffer then need not count these bytes as possibly non-zero there. Any other `buf` counts as
// either buffer. Inline: record calls note every write.
inline void NoteTableWriteIn(uint16_t tableNo, uint8_t buf, uint64_t offset, uint64_t len) {
    if (tableNo < DBS_MAX_TABLES) detail::gTableMarks[tableNo].Note(buf < 2 ? buf : PageMarks::kEither, offset, len);
}
inline void NoteIndexWriteIn(uint32_t indexNo, uint8_t buf, uint64_t offset, uint64_t len) {
    if (indexNo < DBS_MAX_INDEXES) detail::gIndexMarks[indexNo].Note(buf < 2 ? buf : PageMarks::kEither, offset, len);
}

// Bytes [offset, offset + len) of a record buffer of table number `tableNo` were written.
inline void NoteTableWrite(uint16_t tableNo, uint64_t offset, uint64_t len) {
    NoteTableWriteIn(tableNo, PageMarks::kEither, offset, len);
}

// Bytes [offset, offset + len) of an index buffer of index number `indexNo` were written.
inline void NoteIndexWrite(uint32_t indexNo, uint64_t offset, uint64_t len) {
    NoteIndexWriteIn(indexNo, PageMarks::kEither, offset, len);
}

// Starts the marks of a pair of `bytes`-byte buffers, both all zero, when the buffers are allocated. Without
// memory for them the pair is copied and cleared whole, as if every byte were noted.
void MakeTableMarks(uint16_t tableNo, uint64_t bytes);
void MakeIndexMarks(uint32_t indexNo, uint64_t bytes);
// Drops every mark: the buffers are being released.
void ReleaseAllMarks();
// Whether pairs allocated from now on get marks (the default). Without them every copy and clear moves whole
// buffers, the behaviour the marks must reproduce byte for byte; tests run both ways and compare.
void SetMarksKept(bool kept);

// Makes buffer number `to` of the pair equal to buffer number `from` over `bytes` bytes, moving only what was
// noted since the pair was last equal. Inline up to the common case of a pair with nothing noted.
void CopyMarkedTablePages(uint16_t tableNo, char* target, const char* source, uint8_t from, uint8_t to,
                          uint64_t bytes);
void CopyMarkedIndexPages(uint32_t indexNo, char* target, const char* source, uint8_t from, uint8_t to,
                          uint64_t bytes);
inline void CopyTablePages(uint16_t tableNo, char* target, const char* source, uint8_t from, uint8_t to,
                           uint64_t bytes) {
    if (tableNo < DBS_MAX_TABLES && detail::gTableMarks[tableNo].CopiesNothing(bytes)) return;
    CopyMarkedTablePages(tableNo, target, source, from, to, bytes);
}
inline void CopyIndexPages(uint32_t indexNo, char* target, const char* source, uint8_t from, uint8_t to,
                           uint64_t bytes) {
    if (indexNo < DBS_MAX_INDEXES && detail::gIndexMarks[indexNo].CopiesNothing(bytes)) return;
    CopyMarkedIndexPages(indexNo, target, source, from, to, bytes);
}

// Sets the `bytes` bytes of buffer number `b` of the pair to zero, writing only what may be non-zero.
void ClearTablePages(uint16_t tableNo, char* buffer, uint8_t b, uint64_t bytes);
void ClearIndexPages(uint32_t indexNo, char* buffer, uint8_t b, uint64_t bytes);

// Whether the pair may differ anywhere (tests and diagnostics).
bool TablePairMarked(uint16_t tableNo);
bool IndexPairMarked(uint32_t indexNo);

}  // namespace dbs::core
