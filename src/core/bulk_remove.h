// Removing many keys at once: while a scope is open on a table, the keys that removals take out of the sorted
// indexes of its secondary memory are only marked, and the packed list is closed up over all of them in one pass,
// instead of each removal moving the entries behind it.
//
// Lookups skip the marked entries and give the positions the list without them would give, and the entry counts
// never include them. The list is closed up when the marks are many, before anything but a lookup or a removal
// touches the index, and when the scope closes; closing up also leaves behind the end of the list the bytes that
// the successive moves would have left there. So every result, count, position and byte afterwards is the one
// that removing each key in turn would have given.
#pragma once

#include <cstdint>

#include "core/index_structures.h"

namespace dbs::core {

// The marked entries of one buffer of one sorted index, at most a few hundred. Empty when no scope covers it.
class PendingRemovals {
public:
    uint32_t Count() const { return count_; }
    bool Full() const { return count_ >= capacity_; }
    // Turns the outcome of a search over the packed list with its marked entries into the outcome over the list
    // without them: a marked entry is a miss at its own place, and positions drop by the marks below them.
    void Adjust(IndexHit& hit, bool& present) const;
    // Marks the packed entry at pos (an unmarked entry; requires !Full()).
    void Mark(uint32_t pos);

private:
    friend class BulkRemoveScope;
    friend PendingRemovals* RemovalsFor(uint32_t indexNo, uint8_t b);
    friend void SettleRemovals(uint32_t indexNo);
    friend void DropPendingRemovals();
    // Where pos is among the marks in ascending order (the number of marks below it).
    uint32_t Rank(uint32_t pos) const;

    uint32_t indexNo_ = 0;
    uint8_t buffer_ = 0;
    uint32_t entryLen_ = 0;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
    uint32_t* ascending_ = nullptr;  // marked positions, ascending
    uint32_t* turn_ = nullptr;       // for each of them, the how-manieth removal marked it
    char* storage_ = nullptr;        // one block: both arrays, then room for `capacity_` entries
};

// The marks kept for buffer b of index number `indexNo`, or null when none are.
PendingRemovals* RemovalsFor(uint32_t indexNo, uint8_t b);

// Closes up the packed lists of index number `indexNo` over their marked entries; nothing when none are marked.
void SettleRemovals(uint32_t indexNo);

// Forgets every mark without closing up and ends marking: the index buffers are about to be released.
void DropPendingRemovals();

// True while a removal scope is open; an insertion scope (bulk_insert.h) is not opened beside it, nor it beside one.
bool BulkRemoveOpen();

// Opens marking on the sorted indexes of a table's secondary memory; closing settles everything. A scope opened
// while another bulk scope is open, or for which no room can be had, marks nothing and leaves removals as they are.
class BulkRemoveScope {
public:
    explicit BulkRemoveScope(uint32_t hTable);
    ~BulkRemoveScope();
    BulkRemoveScope(const BulkRemoveScope&) = delete;
    BulkRemoveScope& operator=(const BulkRemoveScope&) = delete;

private:
    bool owner_ = false;
};

}  // namespace dbs::core
