/*
 * The sorted index list: entries of a 32-bit tuple number followed by the key bytes, packed at the start of the
 * buffer in ascending order of their keys compared as unsigned bytes (memcmp order), no two keys equal.
 *
 * Lookup is a binary search for the first entry whose key is not below the sought key; since keys are unique this
 * is both the hit and, on a miss, the insertion place. Short keys of 4 and 8 bytes, the common primary keys, are
 * compared as one byte-swapped integer load, which orders exactly like memcmp. Insertion and removal move the
 * entries behind the position with one memmove; nothing is allocated.
 */
#include "core/index_structures.h"

#include <bit>
#include <type_traits>

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
struct AnyKey {
    static int Compare(const char* a, const char* b, uint32_t len) { return std::memcmp(a, b, len); }
};

template <typename Key>
bool Search(const char* buffer, uint32_t entryLen, uint32_t keyLen, uint32_t count, const char* key,
            IndexHit& hit) {
    uint32_t first = 0;
    uint32_t len = count;
    while (len > 0) {
        uint32_t half = len / 2;
        const char* entry = buffer + static_cast<uint64_t>(first + half) * entryLen;
        if (Key::Compare(entry + 4, key, keyLen) < 0) {
            first += half + 1;
            len -= half + 1;
        } else {
            len = half;
        }
    }
    hit.pos = first;
    hit.tupleNo = 0;
    if (first == count) return false;
    const char* entry = buffer + static_cast<uint64_t>(first) * entryLen;
    if (Key::Compare(entry + 4, key, keyLen) != 0) return false;
    std::memcpy(&hit.tupleNo, entry, 4);
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
    const char* k = static_cast<const char*>(key);
    switch (keyLen_) {
    case 4: return Search<FixedKey<4>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    case 8: return Search<FixedKey<8>>(buffer_, entryLen_, keyLen_, count_, k, hit);
    default: return Search<AnyKey>(buffer_, entryLen_, keyLen_, count_, k, hit);
    }
}

void SortedIndex::Repoint(uint32_t pos, uint32_t tupleNo) {
    if (pos < count_) std::memcpy(Entry(pos), &tupleNo, 4);
}

void SortedIndex::InsertAt(uint32_t pos, uint32_t tupleNo, const void* key) {
    if (Full() || pos > count_) return;
    char* at = Entry(pos);
    std::memmove(at + entryLen_, at, static_cast<uint64_t>(count_ - pos) * entryLen_);
    std::memcpy(at, &tupleNo, 4);
    if (keyLen_ > 0) std::memcpy(at + 4, key, keyLen_);
    ++count_;
}

void SortedIndex::EraseAt(uint32_t pos) {
    if (pos >= count_) return;
    char* at = Entry(pos);
    std::memmove(at, at + entryLen_, static_cast<uint64_t>(count_ - pos - 1) * entryLen_);
    --count_;
}

}  // namespace dbs::core
