/*
 * Prefix visits over the tree of a sorted index: a descent to the first entry whose leading key bytes are not
 * below the prefix, then a walk forward in key order while they equal it.
 */
#include "core/index_prefix.h"

#include <cstring>

#include "core/core_state.h"
#include "core/index_kind.h"
#include "core/sorted_index.h"

namespace dbs::core {

bool VisitKeyPrefix(uint32_t hIndex, uint8_t b, const void* prefix, uint32_t len, TupleVisitor visit, void* ctx) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr || b > 1 || GroupOf(*idx) != IndexGroup::Sorted || visit == nullptr) return false;
    char* buffer = IndexBuffer(*idx, b);
    if (buffer == nullptr || len > idx->wIdxEntryLen - 4u || (len > 0 && prefix == nullptr)) return false;
    if (idx->adwIdxEntryNum[b] == 0) return true;
    const uint32_t no = DBS_HANDLE_NO(hIndex);
    const SortedIndex tree(buffer, AllocatedBufferBytes(no), RecordedTreeShape(no), no, b);
    TreePath path;
    for (bool on = tree.Seek(prefix, len, path); on; on = tree.Next(path)) {
        const char* entry = tree.EntryAt(path);
        if (len > 0 && std::memcmp(entry + 4, prefix, len) != 0) break;
        uint32_t tupleNo;
        std::memcpy(&tupleNo, entry, 4);
        if (!visit(ctx, tupleNo)) break;
    }
    return true;
}

}  // namespace dbs::core
