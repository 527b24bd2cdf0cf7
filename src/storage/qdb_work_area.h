// The table-file work area: the one process-wide block (gpQdbWorkArea, allocated by the core at start-up) that
// carries the single open table file, its head, its descriptors and a 128 KB record buffer.
//
// Only one file is open at a time: an open while a file is busy is refused and leaves that file untouched. Every
// refusal writes one trace line and returns 0 / false / null. A close (or an abandon) clears the whole block and
// makes path 3 current. No operation reads or writes outside the block or the caller's buffers, whatever a file
// holds: heads and descriptors are validated before they are used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>

#include <dbs/dbs.h>

#include "core/core_state.h"
#include "storage/qdb_format.h"

namespace dbs::storage {

enum class IoMode : uint8_t { None = 0, Read = 1, Write = 2 };

#pragma pack(push, 1)
// The layout of the work area block. The stream itself is held beside the block (a platform pointer need not
// fit the 32-bit field that the block reserves for it); the field says whether that stream belongs to the file
// described here.
struct TagQdbWorkArea {
    uint32_t dwTableHandle;                 // table of the open file
    uint32_t dwStreamOpen;                  // 1 while the stream beside the block is open for this file
    char achPath[256];                      // full name of the file
    uint8_t chIOMode;                       // IoMode
    uint8_t byBufState;                     // writing: 1 = nothing unwritten; reading: 1 = last chunk read
    uint32_t dwFilePos;                     // offset of the next body byte to write or read
    uint32_t dwCurRecord;                   // index of the current record in the buffer
    uint32_t dwRecordsInBuf;                // records the buffer holds
    TagQdbHead tHead;                       // host order
    TagDMForm atDomain[kQdbMaxDomains];     // host order
    uint8_t abyBuffer[kQdbBufferSize];
};
#pragma pack(pop)
static_assert(sizeof(TagQdbWorkArea) == kQdbWorkAreaSize, "the work area fills its block exactly");

inline constexpr size_t kQdbPathSize = sizeof(TagQdbWorkArea::achPath);

// The work area, or null while the core is stopped.
inline TagQdbWorkArea* WorkArea() { return reinterpret_cast<TagQdbWorkArea*>(gpQdbWorkArea); }

// The open stream of the work area, or null.
FILE* WorkStream();
void SetWorkStream(FILE* stream);

// True when files are converted to or from network order: the current path number is 2.
bool NetworkOrderPath();

// Writes directory-of-path-number `pathNo` + separator + `name` + `ext` into `out` (bounded). False when the
// path number names no directory or the result does not fit; `out` then holds an empty string.
bool MakeTablePath(std::span<char> out, uint8_t pathNo, const char* name, const char* ext);

// --- the work area operations (one file at a time) ---------------------------------------------------------

// Opens `path` for table `hTable`: mode 1 reads (validating head and descriptors), mode 2 creates and writes
// head and descriptors. Returns the head's format word, 0 on failure.
uint16_t DbsOpenQDB(uint32_t hTable, uint8_t mode, const char* path);
// Writes what is still buffered (writing), syncs, closes and clears the work area; path 3 becomes current.
uint8_t DbsCloseQDB();
// Closes the stream without writing anything more, clears the work area and makes path 3 current. Used when a
// write has failed: the partial file stays as it is and the work area is free for the next file.
void AbandonQDB();

// Writing: one field value into the current record, then the end of the record. A field is named, or given by
// its number in the table's (and so the file's) field order.
uint8_t DbsPutDomainToWorkArea(const char* name, const void* value);
uint8_t PutFieldToWorkArea(size_t fieldNo, const void* value);
// Puts every saved field of a whole tuple (a record without its status byte, in the table's layout, which the
// file shares) into the current record, copying runs of neighbouring saved fields at once.
uint8_t PutTupleToWorkArea(std::span<const uint8_t> tuple);
uint8_t DbsWriteTupleToWorkArea();

// Reading: the next record in use (status byte first), valid until the next call; null at the end or on error.
const uint8_t* DbsReadTupleFromWorkArea();
// True when the last DbsReadTupleFromWorkArea ended on an error rather than at the end of the data.
bool ReadFailed();
// A number that changes with every file opened for reading (lets the translation keep its field map per file).
uint64_t ReadSerial();

// Turns a file record into a tuple of the table, by field name. `tuple` must hold the table's data length.
uint8_t DbsTranslateTuple(uint32_t hTable, const uint8_t* record, std::span<uint8_t> tuple);

// Parts of the open, one per direction (the shared checks are done by DbsOpenQDB).
uint16_t OpenForRead(TagQdbWorkArea& wa, const TagDBForm& form);
uint16_t OpenForWrite(TagQdbWorkArea& wa, const TagDBForm& form);
// Writes the records still in the buffer and the final head; false on a short write.
bool FlushOnClose(TagQdbWorkArea& wa, FILE* stream);
// Clears the flag telling that the last read failed.
void ClearReadFailed();
// Clears the whole block without touching the stream or the current path (a failed open before the file was
// created or opened).
void ResetWorkArea();

}  // namespace dbs::storage
