/*
 * The sorted index list: entries of a 32-bit tuple number followed by the key bytes, packed at the start of the
 * buffer in ascending order of their keys compared as unsigned bytes (memcmp order), no two keys equal.
 *
 * Lookup is a binary search for the first entry whose key is not below the sought key; since keys are unique this
 * is both the hit and, on a miss, the insertion place. The search is only called with at least one entry. Short keys
 * of 4 and 8 bytes, the common primary keys, are compared as one byte-swapped integer load, which orders exactly like
 * memcmp; keys of 12 and 16 bytes as two. Insertion and removal move the
 * entries behind the position with one memmove; nothing is allocated.
 */
#include "core/index_structures.h"

#include <bit>
#include <type_traits>

#include "core/dirty_pages.h"

namespace dbs::core {
namespace {

template <typename Word>
Word LoadBigEndian(const char* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::little) {
        if constexpr (sizeof(Word) == 4) w = __builtin_bswap32(w);
        else w = __builtin_bswap64(w);
    }
    return w;
}

// Three-way comparison of `len` key bytes, specialised for the key lengths that fit one machine word.
template <uint32_t Len>
struct FixedKey {
    static int Compare(const char* a, const char* b, uint32_t) {
        using Word = std::conditional_t<Len == 4, uint32_t, uint64_t>;
        Word x = LoadBigEndian<Word>(a), y = LoadBigEndian<Word>(b);
        return (x > y) - (x < y);
    }
};
// Keys of 12 and 16 bytes (a 'C' code, two 'D' fields and a 'C' one, ...): a word of 8 bytes, then the rest as one
// word; equal leading words leave the order to the rest, as in memcmp.
template <uint32_t Len>
struct TwoWordKey {
    static int Compare(const char* a, const char* b, uint32_t) {
        uint64_t x = LoadBigEndian<uint64_t>(a), y = LoadBigEndian<uint64_t>(b);
        if (x != y) return x < y ? -1 : 1;
        return FixedKey<Len - 8>::Compare(a + 8, b + 8, Len - 8);
    }
};
struct AnyKey {
    static int Compare(const char* a, const char* b, uint32_t len) { return std::memcmp(a, b, len); }
};

// Lower bound without branches on the comparisons: the range [lo, lo + n] holding the answer halves each step by a
// conditional move, and the entries the next step may read are prefetched, so a lookup in a list larger than the
// caches waits for memory about once per step instead of also paying for mispredicted branches.
template <typename Key>
bool Search(const char* buffer, uint32_t entryLen, uint32_t keyLen, uint32_t count, const char* key,
            IndexHit& hit) {
    auto keyAt = [&](uint32_t i) { return buffer + static_cast<uint64_t>(i) * entryLen + 4; };
    uint32_t lo = 0;
    uint32_t n = count;
    while (n > 1) {
        uint32_t half = n / 2;
        __builtin_prefetch(keyAt(lo + half / 2));
        __builtin_prefetch(keyAt(lo + half + half / 2));
        lo = Key::Compare(keyAt(lo + half), key, keyLen) < 0 ? lo + half : lo;
        n -= half;
    }
    // lo is now the last entry below the key, or 0 when there is none; the answer is lo or the one behind it.
    uint32_t pos = Key::Compare(keyAt(lo), key, keyLen) < 0 ? lo + 1 : lo;
    hit.pos = pos;
    hit.tupleNo = 0;
    if (pos == count || Key::Compare(keyAt(pos), key, keyLen) != 0) return false;
    std::memcpy(&hit.tupleNo, keyAt(pos) - 4, 4);
    return true;
}

}  // namespace

SortedIndex::SortedIndex(char* buffer, uint64_t bytes, uint32_t entryLen, uint32_t count)
    : buffer_(buffer), entryLen_(entryLen), keyLen_(entryLen >= 4 ? entryLen - 4 : 0) {
    uint64_t capacity = entryLen >= 4 ? bytes / entryLen : 0;
    capacity_ = capacity > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(capacity);
    count_ = count < capacity_ ? count : capacity_;
}

bool SortedIndex::Find(const void* key, IndexHit& hit) const {
    if (count_ == 0) {
        hit = IndexHit{};
        return false;
    }
    const char* k = static_cast<const char*>(key);
    switch (keyLen_) {
    case 4: return Search<FixedKey<4>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    case 8: return Search<FixedKey<8>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    case 12: return Search<TwoWordKey<12>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    case 16: return Search<TwoWordKey<16>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    default: return Search<AnyKey>(buffer_, entryLen_, keyLen_, count_, k, hit);
    }
}

void SortedIndex::Repoint(uint32_t pos, uint32_t tupleNo) {
    if (pos >= count_) return;
    std::memcpy(Entry(pos), &tupleNo, 4);
    if (noting_) NoteIndexWriteIn(noteIndex_, noteBuf_, uint64_t{pos} * entryLen_, 4);
}

void SortedIndex::InsertAt(uint32_t pos, uint32_t tupleNo, const void* key) {
    if (Full() || pos > count_) return;
    char* at = Entry(pos);
    std::memmove(at + entryLen_, at, static_cast<uint64_t>(count_ - pos) * entryLen_);
    std::memcpy(at, &tupleNo, 4);
    if (keyLen_ > 0) std::memcpy(at + 4, key, keyLen_);
    ++count_;
    if (noting_) NoteIndexWriteIn(noteIndex_, noteBuf_, uint64_t{pos} * entryLen_, uint64_t{count_ - pos} * entryLen_);
}

void SortedIndex::EraseAt(uint32_t pos) {
    if (pos >= count_) return;
    char* at = Entry(pos);
    std::memmove(at, at + entryLen_, static_cast<uint64_t>(count_ - pos - 1) * entryLen_);
    if (noting_) NoteIndexWriteIn(noteIndex_, noteBuf_, uint64_t{pos} * entryLen_, (count_ - 1ULL - pos) * entryLen_);
    --count_;
}

}  // namespace dbs::core
