// Free-slot maps of one table's two record buffers: one bit per slot, set while the slot is free, with a summary bit
// per 64-slot word that has a free slot, so the lowest free slot is found in a few word scans. As long as every
// change of a status byte is noted, the map of a buffer number agrees with that buffer's status bytes.
#pragma once

#include <bit>
#include <cstdint>

namespace dbs::core {

class FreeSlotMap {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    FreeSlotMap() = default;
    ~FreeSlotMap() = default;
    FreeSlotMap(const FreeSlotMap&) = delete;
    FreeSlotMap& operator=(const FreeSlotMap&) = delete;

    // Starts maps for two buffers of `slots` slots each, every slot free. Without memory the pair has no maps and
    // the caller walks the status bytes. Previous maps are dropped.
    void Make(uint32_t slots);
    void Release();
    bool Kept() const { return block_ != nullptr; }
    uint32_t Slots() const { return Kept() ? slots_ : 0; }

    // Slot (0-based) of buffer number b became used or free; out-of-range arguments are ignored.
    void SetUsed(uint8_t b, uint32_t slot) { Set(b, slot, false); }
    void SetFree(uint8_t b, uint32_t slot) { Set(b, slot, true); }

    // The lowest free slot of buffer b at or above `from`, or kNone. Every slot below `from` must be used.
    uint32_t LowestFree(uint8_t b, uint32_t from) const {
        if (!Kept() || b > 1 || from >= slots_) return kNone;
        const uint64_t* free = free_[b];
        const uint64_t* summary = summary_[b];
        uint64_t w = from >> 6;
        const uint64_t here = free[w] & (~uint64_t{0} << (from & 63));
        if (here != 0) return static_cast<uint32_t>((w << 6) + std::countr_zero(here));
        ++w;
        if (w >= words_) return kNone;
        uint64_t s = w >> 6;
        uint64_t bits = summary[s] & (~uint64_t{0} << (w & 63));
        while (bits == 0) {
            if (++s >= summary_words_) return kNone;
            bits = summary[s];
        }
        w = (s << 6) + std::countr_zero(bits);
        return static_cast<uint32_t>((w << 6) + std::countr_zero(free[w]));
    }

    // Whether the map says slot (0-based) of buffer b is free (tests and checks).
    bool IsFree(uint8_t b, uint32_t slot) const {
        return Kept() && b < 2 && slot < slots_ && ((free_[b][slot >> 6] >> (slot & 63)) & 1) != 0;
    }

    // Buffer number `to` now holds what buffer number `from` holds: only the words changed since the maps were last
    // equal move.
    void Copy(uint8_t from, uint8_t to);
    // Buffer number b is all free.
    void Clear(uint8_t b);
    // Buffer number b's map is rebuilt from its status bytes: `status` is the buffer, `stride` the slot length.
    void Rebuild(uint8_t b, const char* status, uint32_t stride);

private:
    void Set(uint8_t b, uint32_t slot, bool free) {
        if (!Kept() || b > 1 || slot >= slots_) return;
        const uint64_t w = slot >> 6;
        const uint64_t bit = uint64_t{1} << (slot & 63);
        uint64_t& word = free_[b][w];
        word = free ? word | bit : word & ~bit;
        SetSummary(b, w);
        diff_[w >> 6] |= uint64_t{1} << (w & 63);
        any_diff_ = true;
    }
    void SetSummary(uint8_t b, uint64_t w) {
        const uint64_t bit = uint64_t{1} << (w & 63);
        uint64_t& s = summary_[b][w >> 6];
        s = free_[b][w] != 0 ? s | bit : s & ~bit;
    }
    // The free bits of word w when every slot in it is free (the last word stops at the slot count).
    uint64_t AllFree(uint64_t w) const {
        const uint64_t rest = uint64_t{slots_} - (w << 6);
        return rest >= 64 ? ~uint64_t{0} : (uint64_t{1} << rest) - 1;
    }

    uint32_t slots_ = 0;
    uint64_t words_ = 0;          // 64-slot words per map
    uint64_t summary_words_ = 0;  // 64-word summary words per map (also the size of diff_)
    uint64_t* block_ = nullptr;   // one block: free[0], free[1], summary[0], summary[1], diff
    uint64_t* free_[2] = {nullptr, nullptr};
    uint64_t* summary_[2] = {nullptr, nullptr};
    uint64_t* diff_ = nullptr;    // words where the two maps may differ
    bool any_diff_ = false;
};

}  // namespace dbs::core

#include <dbs/dbs.h>

namespace dbs::core {

namespace detail {
extern FreeSlotMap gTableFreeSlots[DBS_MAX_TABLES];
}  // namespace detail

// The maps of table number `tableNo`, or null for a number out of range.
inline FreeSlotMap* TableFreeSlots(uint16_t tableNo) {
    return tableNo < DBS_MAX_TABLES ? &detail::gTableFreeSlots[tableNo] : nullptr;
}
// Starts the maps of a table whose two buffers of `slots` slots were just allocated (all free).
void MakeTableFreeSlots(uint16_t tableNo, uint32_t slots);
// Drops every map: the buffers are being released.
void ReleaseAllFreeSlots();
void CopyFreeSlots(uint16_t tableNo, uint8_t from, uint8_t to);
void ClearFreeSlots(uint16_t tableNo, uint8_t b);

}  // namespace dbs::core
