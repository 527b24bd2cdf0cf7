// The array index structures over one raw index buffer: the one- and two-dimensional arrays of tuple numbers (the
// sorted kind is sorted_index.h).
//
// Each works on a buffer and its usable byte size and never reads or writes outside it: an array cell beyond the
// buffer is out of range.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/index_kind.h"

namespace dbs::core {

// Where a lookup landed: the cell or entry position and the tuple number there (0 = none). For the sorted kind the
// position is the slot within its leaf page of the entry, or on a miss of the place where the key would go.
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

// The cell a key addresses in a one- or two-dimensional array index: X = key bytes 0-1, Y = bytes 2-3 (both
// little-endian). False when X or Y lies outside the dimensions or the cell outside `cells`; x and y are set
// either way for the refusal line.
bool ArrayCellOf(IndexGroup group, const TagIdxForm& idx, uint64_t cells, const void* key, uint32_t& cell,
                 uint16_t& x, uint16_t& y);

}  // namespace dbs::core
