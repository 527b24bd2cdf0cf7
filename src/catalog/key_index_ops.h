// Whole-tuple index maintenance with undo: adding or removing the keys of one tuple in every valid index slot of
// its table, in either memory. Each change is recorded in an IndexUndoLog so that a caller whose later step
// fails can put every index back as it was; the functions undo their own partial work before they report a
// failure. Only entries that were really added or removed are recorded (an insert of a key that is already
// present re-points it and adds nothing), so an undo never touches another tuple's entry.
#pragma once

#include <cstdint>

#include "catalog/memory_calls.h"

namespace dbs::catalog {

class IndexUndoLog {
public:
    // The change table is not cleared: an entry is written before count_ covers it, and the log lives on the
    // stack of every checked operation.
    // cppcheck-suppress uninitMemberVar
    explicit IndexUndoLog(const MemoryCalls& calls) : calls_(calls) {}
    IndexUndoLog(const IndexUndoLog&) = delete;
    IndexUndoLog& operator=(const IndexUndoLog&) = delete;

    // Record that `key` was added to (or removed from) index `hIndex`, for tuple number `tupleNo`.
    void Added(uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo);
    void Removed(uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo);
    // Reverts every recorded change, newest first, and empties the log.
    void Undo(uint32_t hTable);
    void Clear() { count_ = 0; }
    // Appends this log's changes to `other` (which then owns their undo) and empties this one.
    void TransferTo(IndexUndoLog& other);

private:
    struct Change {
        bool added;
        uint32_t hIndex;
        uint32_t tupleNo;
        uint16_t len;
        uint8_t key[kKeyBufLen];
    };
    static constexpr int kMaxChanges = 2 * DBS_IDX_SLOTS;
    void Record(bool added, uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo);

    const MemoryCalls& calls_;
    Change changes_[kMaxChanges];
    int count_ = 0;
};

// Adds the tuple's key to every valid slot, pointing at the table's current tuple. On failure writes the
// trace lines of the memory's family, undoes its own additions and returns false.
bool InsertTupleKeys(const MemoryCalls& calls, const TagDBForm* form, const uint8_t* tuple, IndexUndoLog& log);

// Removes every index entry of the stored tuple whose primary key the given tuple holds, leaving that stored
// tuple current. On failure writes its trace lines, undoes its own removals and returns false.
bool DeleteTupleKeys(const MemoryCalls& calls, const TagDBForm* form, const uint8_t* tuple, IndexUndoLog& log);

// Adds a key to one index, recording the addition when the entry count grew.
bool InsertOneKey(const MemoryCalls& calls, uint32_t hIndex, const uint8_t* key, uint16_t len, uint32_t tupleNo,
                  IndexUndoLog& log);

}  // namespace dbs::catalog
