// Ordered search over runs of fixed-length entries [32-bit word][key bytes] in unsigned-byte (memcmp) order, with
// word-sized comparisons for keys of 4, 8, 12 and 16 bytes; reads only the entries it is given, allocates nothing.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace dbs::core {

template <typename Word>
inline Word LoadBigEndian(const char* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::little) {
        if constexpr (sizeof(Word) == 4) w = __builtin_bswap32(w);
        else w = __builtin_bswap64(w);
    }
    return w;
}

// Three-way comparison of `len` key bytes, specialised for the key lengths that fit one machine word: a
// byte-swapped integer load orders exactly like memcmp.
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

// The first of `count` entries (stride `entryLen`, key behind the 4-byte word) whose key is not below `key`, and
// whether its key equals it. Without branches on the comparisons: the range holding the answer halves each step by
// a conditional move, and the entries the next step may read are prefetched.
template <typename Key>
inline uint32_t LowerBound(const char* entries, uint32_t entryLen, uint32_t keyLen, uint32_t count, const char* key,
                           bool& equal) {
    equal = false;
    if (count == 0) return 0;
    auto keyAt = [&](uint32_t i) { return entries + static_cast<uint64_t>(i) * entryLen + 4; };
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
    equal = pos < count && Key::Compare(keyAt(pos), key, keyLen) == 0;
    return pos;
}

// LowerBound with the comparison chosen by the key length.
inline uint32_t LowerBoundAny(const char* entries, uint32_t entryLen, uint32_t keyLen, uint32_t count,
                              const char* key, bool& equal) {
    switch (keyLen) {
    case 4: return LowerBound<FixedKey<4>>(entries, entryLen, keyLen, count, key, equal);
    case 8: return LowerBound<FixedKey<8>>(entries, entryLen, keyLen, count, key, equal);
    case 12: return LowerBound<TwoWordKey<12>>(entries, entryLen, keyLen, count, key, equal);
    case 16: return LowerBound<TwoWordKey<16>>(entries, entryLen, keyLen, count, key, equal);
    default: return LowerBound<AnyKey>(entries, entryLen, keyLen, count, key, equal);
    }
}

}  // namespace dbs::core
