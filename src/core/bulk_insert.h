// Filling a table in bulk: while a scope is open on a table, the new keys that insertions add to the sorted
// indexes of its secondary memory are collected in a short sorted run beside each index and merged into the packed
// list in one pass, instead of each moving the entries behind it.
//
// Lookups see the packed list and the run as one list, with the positions that list would give, and the entry
// counts always include the run; the run is merged when it is full, before anything but a lookup or an insertion
// touches the index, and when the scope closes. So every result, count, position and byte afterwards is the one
// that moving each key into place would have given.
#pragma once

#include <cstdint>

#include "core/index_structures.h"

namespace dbs::core {

// The collected keys of one buffer of one sorted index: entries like the packed list's, sorted, at most a few
// hundred. Empty when no scope covers the index.
class PendingRun {
public:
    // The outcome of the last lookup in this buffer: the checked insert looks a key up for its checks and again to
    // insert it, with nothing changed in between. Any change to the index forgets it.
    struct Memo {
        bool present = false;
        bool inRun = false;
        uint32_t pos = 0, tupleNo = 0, packedPos = 0, runPos = 0;
    };
    bool Recall(const void* key, Memo& memo) const;
    void Remember(const void* key, const Memo& memo);
    void Forget() { memoValid_ = false; }

    uint32_t Count() const { return count_; }
    bool Full() const { return count_ >= capacity_; }
    // Where the key is among the collected ones (its entry on a hit, its insertion place on a miss).
    bool Find(const void* key, IndexHit& hit) const;
    void InsertAt(uint32_t pos, uint32_t tupleNo, const void* key);
    void Repoint(uint32_t pos, uint32_t tupleNo);

private:
    friend class BulkInsertScope;
    friend PendingRun* PendingFor(uint32_t indexNo, uint8_t b);
    friend void SettleRuns(uint32_t indexNo);
    friend void DropPendingRuns();
    SortedIndex View() const;

    uint32_t indexNo_ = 0;
    uint8_t buffer_ = 0;
    char* storage_ = nullptr;
    uint32_t entryLen_ = 0;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    bool memoValid_ = false;  // the memo's key is kept behind the run's entries
    Memo memo_;
};

// The run collecting for buffer b of index number `indexNo`, or null when none does.
PendingRun* PendingFor(uint32_t indexNo, uint8_t b);

// Merges what is collected for index number `indexNo` into its packed lists; nothing when nothing is collected.
void SettleRuns(uint32_t indexNo);

// Brings the packed lists of index number `indexNo` up to date with everything held beside them: collected
// insertions and marked removals (bulk_remove.h). Called before anything but a lookup or a change touches them.
void SettleIndex(uint32_t indexNo);

// True while an insertion scope is open.
bool BulkInsertOpen();

// Forgets every collected key without merging and ends collection: the index buffers are about to be released.
void DropPendingRuns();

// Opens collection on the sorted indexes of a table's secondary memory; closing merges everything. A scope opened
// while another bulk scope is open, or for which no room can be had, collects nothing and leaves insertions as
// they are.
class BulkInsertScope {
public:
    explicit BulkInsertScope(uint32_t hTable);
    ~BulkInsertScope();
    BulkInsertScope(const BulkInsertScope&) = delete;
    BulkInsertScope& operator=(const BulkInsertScope&) = delete;

private:
    bool owner_ = false;
};

}  // namespace dbs::core
