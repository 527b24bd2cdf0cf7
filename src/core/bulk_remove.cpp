/*
 * Marked removals from sorted indexes while a table is emptied in bulk.
 *
 * One scope at a time covers one table: the marks of each sorted index of its secondary memory, in storage of their
 * own (not the store's allocator, so the store's allocation sequence is unchanged). Closing up walks the marks in
 * ascending order and moves each stretch of entries between two marks down in one block move.
 *
 * A removal moves the entries behind its entry down by one and lowers the count; the slot that held the last entry
 * keeps its bytes and is never written again. So after d removals from a list of n entries, slot n - 1 - i holds
 * the entry that was last after the first i of them, which may itself have been removed later: closing up copies
 * those d entries aside first, then writes them into slots n - d .. n - 1 behind the closed-up list.
 */
#include "core/bulk_remove.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "core/bulk_insert.h"
#include "core/bulk_targets.h"
#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"

namespace dbs::core {
namespace {

constexpr uint32_t kMarks = 256;  // closing up costs one pass over the packed list per this many removals
constexpr uint32_t kMaxEntryLen = 1024;

PendingRemovals gRemovals[DBS_IDX_SLOTS];
bool gOpen = false;

}  // namespace

uint32_t PendingRemovals::Rank(uint32_t pos) const {
    return static_cast<uint32_t>(std::lower_bound(ascending_, ascending_ + count_, pos) - ascending_);
}

void PendingRemovals::Adjust(IndexHit& hit, bool& present) const {
    const uint32_t below = Rank(hit.pos);
    if (present && below < count_ && ascending_[below] == hit.pos) {
        present = false;
        hit.tupleNo = 0;
    }
    hit.pos -= below;
}

void PendingRemovals::Mark(uint32_t pos) {
    if (Full()) return;
    const uint32_t at = Rank(pos);
    std::memmove(ascending_ + at + 1, ascending_ + at, (count_ - at) * sizeof *ascending_);
    std::memmove(turn_ + at + 1, turn_ + at, (count_ - at) * sizeof *turn_);
    ascending_[at] = pos;
    turn_[at] = count_;
    ++count_;
}

PendingRemovals* RemovalsFor(uint32_t indexNo, uint8_t b) {
    if (!gOpen) return nullptr;
    for (PendingRemovals& r : gRemovals) {
        if (r.storage_ != nullptr && r.indexNo_ == indexNo && r.buffer_ == b) return &r;
    }
    return nullptr;
}

void SettleRemovals(uint32_t indexNo) {
    if (!gOpen) return;
    for (PendingRemovals& r : gRemovals) {
        if (r.storage_ == nullptr || r.indexNo_ != indexNo || r.count_ == 0) continue;
        const uint32_t marked = r.count_;
        TagIdxForm* idx = IndexForm(DBS_HANDLE_INDEX | indexNo);
        char* buffer = idx != nullptr ? IndexBuffer(*idx, r.buffer_) : nullptr;
        const uint64_t len = r.entryLen_;
        const uint64_t n = idx != nullptr ? uint64_t{idx->adwIdxEntryNum[r.buffer_]} + marked : 0;
        if (buffer == nullptr || idx->wIdxEntryLen != len || n > AllocatedBufferBytes(indexNo) / len) {
            r.count_ = 0;  // cannot happen: removals keep the index as it was found
            continue;
        }

        // The entry last after the first i removals: the highest position not removed by one of them.
        char* aside = r.storage_ + uint64_t{2} * r.capacity_ * sizeof(uint32_t);
        uint64_t last = n - 1;
        for (uint32_t i = 0; i < marked; ++i) {
            for (;;) {
                const uint32_t k = r.Rank(static_cast<uint32_t>(last));
                if (k == marked || r.ascending_[k] != last || r.turn_[k] >= i) break;
                --last;
            }
            std::memcpy(aside + uint64_t{i} * len, buffer + last * len, len);
        }

        uint64_t to = r.ascending_[0];
        for (uint32_t k = 0; k < marked; ++k) {
            const uint64_t from = uint64_t{r.ascending_[k]} + 1;
            const uint64_t end = k + 1 < marked ? r.ascending_[k + 1] : n;
            std::memmove(buffer + to * len, buffer + from * len, (end - from) * len);
            to += end - from;
        }
        for (uint32_t i = 0; i < marked; ++i) std::memcpy(buffer + (n - 1 - i) * len, aside + uint64_t{i} * len, len);
        NoteIndexWriteIn(indexNo, r.buffer_, uint64_t{r.ascending_[0]} * len, (n - r.ascending_[0]) * len);
        r.count_ = 0;
    }
}

void DropPendingRemovals() {
    // The scope stays open but marks nothing more: an index created later under the same number is another one.
    for (PendingRemovals& r : gRemovals) {
        delete[] r.storage_;
        r = PendingRemovals{};
    }
}

bool BulkRemoveOpen() { return gOpen; }

BulkRemoveScope::BulkRemoveScope(uint32_t hTable) {
    const TagDBForm* table = gOpen || BulkInsertOpen() ? nullptr : TableForm(hTable);
    if (table == nullptr) return;
    const auto targets = BulkTargets(*table, kMaxEntryLen);
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const BulkTarget& t = targets[slot];
        if (!t.use) continue;
        // Both arrays of marks, then the entries put aside while closing up.
        const uint64_t bytes = uint64_t{kMarks} * (2 * sizeof(uint32_t) + t.entryLen);
        char* storage = new (std::nothrow) char[bytes];
        if (storage == nullptr) continue;  // this index has its keys removed one by one
        PendingRemovals& r = gRemovals[slot];
        r.indexNo_ = t.indexNo;
        r.buffer_ = t.buffer;
        r.entryLen_ = t.entryLen;
        r.count_ = 0;
        r.capacity_ = kMarks;
        r.storage_ = storage;
        r.ascending_ = reinterpret_cast<uint32_t*>(storage);
        r.turn_ = r.ascending_ + kMarks;
    }
    gOpen = true;
    owner_ = true;
}

BulkRemoveScope::~BulkRemoveScope() {
    if (!owner_) return;
    for (PendingRemovals& r : gRemovals) {
        if (r.storage_ != nullptr) SettleRemovals(r.indexNo_);
    }
    for (PendingRemovals& r : gRemovals) {
        delete[] r.storage_;
        r = PendingRemovals{};
    }
    gOpen = false;
}

}  // namespace dbs::core
