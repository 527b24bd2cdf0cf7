/*
 * Collected insertions into sorted indexes while a table is filled in bulk.
 *
 * One scope at a time covers one table: a run per sorted index of its secondary memory, a few hundred entries long,
 * held in storage of its own (not the store's allocator, so the store's allocation sequence is unchanged). Merging
 * walks the run from its largest key down: each key finds its place among the packed entries not yet moved, the
 * entries above that place move up by the number of keys still to come, and the key is written below them. Every
 * packed entry therefore moves once per merge, in a few block moves, and only bytes inside the first
 * (packed + collected) entries of the buffer are written, the bytes a key-by-key insertion would have written.
 */
#include "core/bulk_insert.h"

#include <cstring>
#include <new>

#include "core/bulk_remove.h"
#include "core/bulk_targets.h"
#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"

namespace dbs::core {
namespace {

constexpr uint32_t kRunEntries = 256;     // merges cost one pass over the packed list per this many keys
constexpr uint32_t kMaxRunEntryLen = 1024;

PendingRun gRuns[DBS_IDX_SLOTS];
bool gOpen = false;

// The first of the packed entries [0, below) whose key is not below `key`. The keys of a run are placed from the
// largest down, each a little below the previous one, so the search steps down from `below` in doubling strides
// before it halves the range it has found.
uint32_t PlaceBelow(char* buffer, uint32_t entryLen, uint32_t below, const char* key) {
    const uint32_t keyLen = entryLen - 4;
    auto keyAt = [&](uint32_t i) { return buffer + uint64_t{i} * entryLen + 4; };
    uint32_t hi = below;  // every entry from hi up to below is not below the key
    uint32_t lo = 0;
    for (uint32_t stride = 1; stride <= hi; stride *= 2) {
        const uint32_t probe = hi - stride;
        if (std::memcmp(keyAt(probe), key, keyLen) < 0) {
            lo = probe + 1;
            break;
        }
        hi = probe;
        if (stride > UINT32_MAX / 2) break;
    }
    IndexHit hit;
    const uint32_t n = hi - lo;
    SortedIndex(buffer + uint64_t{lo} * entryLen, uint64_t{n} * entryLen, entryLen, n).Find(key, hit);
    return lo + hit.pos;
}

}  // namespace

SortedIndex PendingRun::View() const {
    return SortedIndex(storage_, uint64_t{capacity_} * entryLen_, entryLen_, count_);
}

bool PendingRun::Find(const void* key, IndexHit& hit) const { return View().Find(key, hit); }

bool PendingRun::Recall(const void* key, Memo& memo) const {
    if (!memoValid_ || std::memcmp(storage_ + uint64_t{capacity_} * entryLen_, key, entryLen_ - 4) != 0) return false;
    memo = memo_;
    return true;
}

void PendingRun::Remember(const void* key, const Memo& memo) {
    std::memcpy(storage_ + uint64_t{capacity_} * entryLen_, key, entryLen_ - 4);
    memo_ = memo;
    memoValid_ = true;
}

void PendingRun::InsertAt(uint32_t pos, uint32_t tupleNo, const void* key) {
    Forget();
    SortedIndex run = View();
    run.InsertAt(pos, tupleNo, key);
    count_ = run.Count();
}

void PendingRun::Repoint(uint32_t pos, uint32_t tupleNo) {
    Forget();
    View().Repoint(pos, tupleNo);
}

PendingRun* PendingFor(uint32_t indexNo, uint8_t b) {
    if (!gOpen) return nullptr;
    for (PendingRun& run : gRuns) {
        if (run.storage_ != nullptr && run.indexNo_ == indexNo && run.buffer_ == b) return &run;
    }
    return nullptr;
}

void SettleRuns(uint32_t indexNo) {
    if (!gOpen) return;
    for (PendingRun& run : gRuns) {
        if (run.storage_ == nullptr || run.indexNo_ != indexNo) continue;
        run.Forget();
        if (run.count_ == 0) continue;
        const uint32_t collected = run.count_;
        run.count_ = 0;
        TagIdxForm* idx = IndexForm(DBS_HANDLE_INDEX | indexNo);
        char* buffer = idx != nullptr ? IndexBuffer(*idx, run.buffer_) : nullptr;
        if (buffer == nullptr || idx->wIdxEntryLen != run.entryLen_) continue;
        const uint64_t bytes = AllocatedBufferBytes(indexNo);
        const uint64_t len = run.entryLen_;
        const uint32_t total = idx->adwIdxEntryNum[run.buffer_];
        if (total < collected || total > bytes / len) continue;  // cannot happen: insertions keep both true

        uint32_t below = total - collected;  // packed entries not yet moved: [0, below)
        for (uint32_t j = collected; j-- > 0;) {
            const char* entry = run.storage_ + uint64_t{j} * len;
            const uint32_t at = PlaceBelow(buffer, run.entryLen_, below, entry + 4);
            std::memmove(buffer + (uint64_t{at} + j + 1) * len, buffer + uint64_t{at} * len, (below - at) * len);
            std::memcpy(buffer + (uint64_t{at} + j) * len, entry, len);
            below = at;
        }
        NoteIndexWriteIn(indexNo, run.buffer_, uint64_t{below} * len, (uint64_t{total} - below) * len);
    }
}

void SettleIndex(uint32_t indexNo) {
    SettleRuns(indexNo);
    SettleRemovals(indexNo);
}

bool BulkInsertOpen() { return gOpen; }

void DropPendingRuns() {
    // The scope stays open but collects nothing more: an index created later under the same number is another one.
    for (PendingRun& run : gRuns) {
        delete[] run.storage_;
        run = PendingRun{};
    }
}

BulkInsertScope::BulkInsertScope(uint32_t hTable) {
    const TagDBForm* table = gOpen || BulkRemoveOpen() ? nullptr : TableForm(hTable);
    if (table == nullptr) return;
    const auto targets = BulkTargets(*table, kMaxRunEntryLen);
    for (uint32_t slot = 0; slot < DBS_IDX_SLOTS; ++slot) {
        const BulkTarget& t = targets[slot];
        if (!t.use) continue;
        const uint64_t bytes = uint64_t{kRunEntries + 1} * t.entryLen;  // the entries, then the memo key
        char* storage = new (std::nothrow) char[bytes];
        if (storage == nullptr) continue;  // this index takes its keys one by one
        PendingRun& run = gRuns[slot];
        run.indexNo_ = t.indexNo;
        run.buffer_ = t.buffer;
        run.storage_ = storage;
        run.entryLen_ = t.entryLen;
        run.count_ = 0;
        run.capacity_ = kRunEntries;
    }
    gOpen = true;
    owner_ = true;
}

BulkInsertScope::~BulkInsertScope() {
    if (!owner_) return;
    for (PendingRun& run : gRuns) {
        if (run.storage_ != nullptr) SettleRuns(run.indexNo_);
    }
    for (PendingRun& run : gRuns) {
        delete[] run.storage_;
        run = PendingRun{};
    }
    gOpen = false;
}

}  // namespace dbs::core
