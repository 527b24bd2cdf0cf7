// The three index structures over one raw index buffer: the one- and two-dimensional arrays of tuple numbers and
// the packed sorted list of (tuple number, key) entries.
//
// Each works on a buffer and its usable byte size and never reads or writes outside it: an array cell beyond the
// buffer is out of range, and the sorted list holds at most bytes / entry length entries.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/index_kind.h"

namespace dbs::core {

// Where a lookup landed: the cell or entry position and the tuple number there (0 = none). For a sorted miss the
// position is the place where the key would be inserted.
struct IndexHit {
    uint32_t pos = 0;
    uint32_t tupleNo = 0;
};

// Reads the unsigned 16-bit little-endian value at key bytes [at, at + 2).
inline uint16_t KeyWord(const void* key, unsigned at) {
    const auto* p = static_cast<const uint8_t*>(key) + at;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Array of 32-bit tuple numbers, one per cell, 0 = empty.
class ArrayIndex {
public:
    ArrayIndex(char* buffer, uint64_t bytes) : buffer_(buffer), cells_(bytes / 4) {}
    bool HasCell(uint64_t cell) const { return cell < cells_; }
    uint32_t Get(uint64_t cell) const {
        uint32_t v;
        std::memcpy(&v, buffer_ + cell * 4, 4);
        return v;
    }
    void Set(uint64_t cell, uint32_t tupleNo) { std::memcpy(buffer_ + cell * 4, &tupleNo, 4); }

private:
    char* buffer_;
    uint64_t cells_;
};

// Packed list of entries [tuple number u32][key bytes], ascending by key in memory-comparison order, keys unique.
class SortedIndex {
public:
    // `count` is the entry count the descriptor holds; it is bounded by what the buffer can hold.
    SortedIndex(char* buffer, uint64_t bytes, uint32_t entryLen, uint32_t count);

    uint32_t Count() const { return count_; }
    bool Full() const { return count_ >= capacity_; }
    // Writes through this view are noted as writes into buffer number `buf` of index number `indexNo`
    // (dirty_pages.h); a view of storage that is not an index buffer notes nothing.
    SortedIndex& NoteAs(uint32_t indexNo, uint8_t buf) {
        noteIndex_ = indexNo;
        noteBuf_ = buf;
        noting_ = true;
        return *this;
    }

    // Binary search; true with the entry's position and tuple number on a hit, false with the insertion place.
    bool Find(const void* key, IndexHit& hit) const;
    // Writes tupleNo into the entry at pos (pos < Count()).
    void Repoint(uint32_t pos, uint32_t tupleNo);
    // Moves entries pos.. up by one and writes the new entry at pos; requires !Full() and pos <= Count().
    void InsertAt(uint32_t pos, uint32_t tupleNo, const void* key);
    // Moves entries pos + 1.. down by one; requires pos < Count().
    void EraseAt(uint32_t pos);

private:
    char* Entry(uint32_t i) const { return buffer_ + static_cast<uint64_t>(i) * entryLen_; }

    char* buffer_;
    uint32_t entryLen_;
    uint32_t keyLen_;
    uint32_t count_;
    uint32_t capacity_;
    uint32_t noteIndex_ = 0;
    uint8_t noteBuf_ = 0;
    bool noting_ = false;
};

// The cell a key addresses in a one- or two-dimensional array index: X = key bytes 0-1, Y = bytes 2-3 (both
// little-endian). False when X or Y lies outside the dimensions or the cell outside `cells`; x and y are set
// either way for the refusal line.
bool ArrayCellOf(IndexGroup group, const TagIdxForm& idx, uint64_t cells, const void* key, uint32_t& cell,
                 uint16_t& x, uint16_t& y);

}  // namespace dbs::core
