/*
 * The array index kinds: a key names its cell directly, X for the one-dimensional kinds and (X, Y) for the
 * two-dimensional ones, cell number Y * wDimX + X. A lookup is one range check and one load, with no comparison
 * of key bytes. The range check covers the buffer too, so a descriptor changed after allocation cannot lead
 * outside the block.
 */
#include "core/index_structures.h"

namespace dbs::core {

bool ArrayCellOf(IndexGroup group, const TagIdxForm& idx, uint64_t cells, const void* key, uint32_t& cell,
                 uint16_t& x, uint16_t& y) {
    x = KeyWord(key, 0);
    y = 0;
    uint64_t at = 0;
    if (group == IndexGroup::Array1D) {
        if (x >= idx.wDimX) return false;
        at = x;
    } else {
        y = KeyWord(key, 2);
        if (x >= idx.wDimX || y >= idx.wDimY) return false;
        at = uint64_t{y} * idx.wDimX + x;
    }
    if (at >= cells) return false;
    cell = static_cast<uint32_t>(at);
    return true;
}

}  // namespace dbs::core
