// Index kinds, their groups and the byte size of one index buffer.
//
// The size of an index's buffers is fixed when its block is allocated and recorded beside the form; every index
// operation is bounded by that recorded size, so none touches bytes outside the block, whatever the descriptor
// says afterwards.
#pragma once

#include <cstdint>

#include <dbs/dbs.h>

#include "core/sorted_index.h"

namespace dbs::core {

enum class IndexGroup { Array1D, Array2D, Sorted, Invalid };

inline IndexGroup GroupOf(uint8_t byIdxType) {
    switch (byIdxType) {
    case DBS_IDX_ARRAY1D_0: case DBS_IDX_ARRAY1D_1:
        return IndexGroup::Array1D;
    case DBS_IDX_ARRAY2D_0: case DBS_IDX_ARRAY2D_1: case DBS_IDX_ARRAY2D_2: case DBS_IDX_ARRAY2D_3:
    case DBS_IDX_ARRAY2D_4:
        return IndexGroup::Array2D;
    case DBS_IDX_SORTED:
        return IndexGroup::Sorted;
    default:
        return IndexGroup::Invalid;
    }
}

// The group of an index, Invalid also for a sorted index whose entries are too short to hold a tuple number.
inline IndexGroup GroupOf(const TagIdxForm& idx) {
    IndexGroup g = GroupOf(idx.byIdxType);
    return g == IndexGroup::Sorted && idx.wIdxEntryLen < 4 ? IndexGroup::Invalid : g;
}

// Bytes of one buffer as the descriptor and its table's capacity describe it; valid kinds only.
inline uint64_t DescribedBufferBytes(const TagIdxForm& idx, uint32_t dwMaxTupleNum) {
    switch (GroupOf(idx)) {
    case IndexGroup::Array1D: return uint64_t{idx.wDimX} * 4;
    case IndexGroup::Array2D: return uint64_t{idx.wDimX} * idx.wDimY * 4;
    case IndexGroup::Sorted: return TreeBufferBytes(ShapeFor(idx.wIdxEntryLen, dwMaxTupleNum));
    case IndexGroup::Invalid: break;
    }
    return 0;
}

// Size of each of the two buffers of the index block allocated for index number `no` (0 before allocation).
uint64_t AllocatedBufferBytes(uint32_t no);
void RecordBufferBytes(uint32_t no, uint64_t bytes);

// The buffer with buffer number b of an index, or null when b is not 0 or 1 or the buffer is missing.
inline char* IndexBuffer(const TagIdxForm& idx, uint8_t b) { return b < 2 ? idx.apchIdxAddr[b] : nullptr; }

}  // namespace dbs::core
