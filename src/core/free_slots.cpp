/*
 * Free-slot maps of a table's buffer pair, and the per-table maps by table number.
 *
 * What holds between calls: for each buffer number, bit s of its map is set exactly when slot s is free, and a
 * summary bit is set exactly when its word has a set bit; a word not marked in diff_ is equal in both maps. A
 * change marks its word; a copy moves the marked words and unmarks them all; a clear sets every word of its map and
 * marks the words where the other map is not all free.
 */
#include "core/free_slots.h"

#include <cstring>
#include <new>

#include <dbs/dbs.h>

#include "core/core_state.h"

namespace dbs::core {

void FreeSlotMap::Make(uint32_t slots) {
    Release();
    if (slots == 0) return;
    const uint64_t words = (uint64_t{slots} + 63) / 64;
    const uint64_t summaryWords = (words + 63) / 64;
    const uint64_t total = 2 * words + 3 * summaryWords;
    if (total > SIZE_MAX / sizeof(uint64_t)) return;
    block_ = new (std::nothrow) uint64_t[static_cast<size_t>(total)];
    if (block_ == nullptr) return;
    slots_ = slots;
    words_ = words;
    summary_words_ = summaryWords;
    free_[0] = block_;
    free_[1] = free_[0] + words;
    summary_[0] = free_[1] + words;
    summary_[1] = summary_[0] + summaryWords;
    diff_ = summary_[1] + summaryWords;
    std::memset(diff_, 0, static_cast<size_t>(summaryWords) * sizeof(uint64_t));
    any_diff_ = false;
    for (uint8_t b = 0; b < 2; ++b) {
        for (uint64_t w = 0; w < words; ++w) free_[b][w] = AllFree(w);
        std::memset(summary_[b], 0, static_cast<size_t>(summaryWords) * sizeof(uint64_t));
        for (uint64_t w = 0; w < words; ++w) SetSummary(b, w);
    }
}

void FreeSlotMap::Release() {
    delete[] block_;
    block_ = diff_ = nullptr;
    free_[0] = free_[1] = summary_[0] = summary_[1] = nullptr;
    slots_ = 0;
    words_ = summary_words_ = 0;
    any_diff_ = false;
}

void FreeSlotMap::Copy(uint8_t from, uint8_t to) {
    if (!Kept() || from > 1 || to > 1 || from == to || !any_diff_) return;
    for (uint64_t s = 0; s < summary_words_; ++s) {
        uint64_t bits = diff_[s];
        diff_[s] = 0;
        while (bits != 0) {
            const uint64_t w = (s << 6) + std::countr_zero(bits);
            bits &= bits - 1;
            free_[to][w] = free_[from][w];
            SetSummary(to, w);
        }
    }
    any_diff_ = false;
}

void FreeSlotMap::Clear(uint8_t b) {
    if (!Kept() || b > 1) return;
    const uint8_t other = 1 - b;
    for (uint64_t w = 0; w < words_; ++w) {
        const uint64_t all = AllFree(w);
        free_[b][w] = all;
        if (free_[other][w] != all) {
            diff_[w >> 6] |= uint64_t{1} << (w & 63);
            any_diff_ = true;
        }
    }
    for (uint64_t w = 0; w < words_; w += 64) summary_[b][w >> 6] = ~uint64_t{0};
    // The last summary word covers only the words there are.
    const uint64_t rest = words_ & 63;
    if (rest != 0) summary_[b][summary_words_ - 1] = (uint64_t{1} << rest) - 1;
}

void FreeSlotMap::Rebuild(uint8_t b, const char* status, uint32_t stride) {
    if (!Kept() || b > 1 || status == nullptr || stride == 0) return;
    for (uint64_t w = 0; w < words_; ++w) {
        uint64_t word = 0;
        const uint64_t first = w << 6;
        const uint64_t end = first + 64 < slots_ ? first + 64 : slots_;
        for (uint64_t slot = first; slot < end; ++slot) {
            if (status[slot * stride] != DBS_TUPLE_USED) word |= uint64_t{1} << (slot - first);
        }
        free_[b][w] = word;
        SetSummary(b, w);
        diff_[w >> 6] |= uint64_t{1} << (w & 63);
    }
    any_diff_ = true;
}

namespace detail {
FreeSlotMap gTableFreeSlots[DBS_MAX_TABLES];
}  // namespace detail

void MakeTableFreeSlots(uint16_t tableNo, uint32_t slots) {
    if (tableNo < DBS_MAX_TABLES) detail::gTableFreeSlots[tableNo].Make(slots);
}

void ReleaseAllFreeSlots() {
    for (FreeSlotMap& map : detail::gTableFreeSlots) map.Release();
}

void CopyFreeSlots(uint16_t tableNo, uint8_t from, uint8_t to) {
    if (tableNo < DBS_MAX_TABLES) detail::gTableFreeSlots[tableNo].Copy(from, to);
}

void ClearFreeSlots(uint16_t tableNo, uint8_t b) {
    if (tableNo < DBS_MAX_TABLES) detail::gTableFreeSlots[tableNo].Clear(b);
}

}  // namespace dbs::core
