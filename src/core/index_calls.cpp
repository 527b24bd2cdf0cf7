/*
 * Lookups and entry changes of the indexes: DbsFetchIndex and its buffer-number twin, DbsLocateTuple, and the
 * insertion and removal of keys in main (plain calls) or secondary memory (EX calls).
 *
 * A lookup returns 1 for a hit and for a miss alike (tuple number 0 on a miss) and leaves in adwIdxPos the cell
 * found, or for the sorted kind the slot in its leaf page of the entry found or of the place where the key belongs;
 * the insertion or removal that follows in the same call works at the place the lookup found. Only bad arguments
 * and array keys out of range return 0. Every access is bounded by the size of the block allocated for the index.
 */
#include "core/core_state.h"
#include "core/dirty_pages.h"
#include "core/index_kind.h"
#include "core/index_structures.h"
#include "core/sorted_index.h"
#include "runtime/trace_log.h"

namespace dbs::core {
namespace {

enum class Memory { Main, Secondary };

// Which lines a lookup writes: those of DbsFetchIndex, or the quieter ones of DbsFetchIndexEX.
enum class Lines { Fetch, FetchEx };

struct Found {
    bool present = false;  // the key has an entry (for arrays: a non-empty cell)
    IndexHit hit;
    TreePath path;         // sorted kind: where the entry is or belongs (left uninitialised beyond its levels)
};

SortedIndex TreeOf(uint32_t hIndex, const TagIdxForm& idx, uint8_t b) {
    const uint32_t no = DBS_HANDLE_NO(hIndex);
    return SortedIndex(IndexBuffer(idx, b), AllocatedBufferBytes(no), RecordedTreeShape(no), no, b);
}

uint8_t BufferOf(const TagIdxForm& idx, Memory m) {
    return m == Memory::Main ? idx.byIdxMainAddrPtr : idx.byIdxSecondAddrPtr;
}
uint8_t BufferOf(const TagDBForm& table, Memory m) {
    return m == Memory::Main ? table.byDBMainAddrPtr : table.byDBSecondAddrPtr;
}

// The lookup itself, on buffer b of a valid index with a non-null key: stores the position and the result.
uint8_t FetchIn(uint32_t hIndex, TagIdxForm& idx, uint8_t b, const void* key, Found& found, Lines lines) {
    found.present = false;
    found.hit = IndexHit{};
    found.path.levels = 0;
    char* buffer = IndexBuffer(idx, b);
    if (buffer == nullptr) {
        if (lines == Lines::Fetch) {
            DbsTraceLog("[File:%s Line%d] Index (Handle %x) index buffer is 0.", DBS_HERE, hIndex);
        } else {
            DbsTraceLog("[File:%s Line%d] Index (Handle %x) index buffer not exist", DBS_HERE, hIndex);
        }
        return 0;
    }
    uint64_t bytes = AllocatedBufferBytes(DBS_HANDLE_NO(hIndex));
    IndexGroup group = GroupOf(idx);
    switch (group) {
    case IndexGroup::Array1D:
    case IndexGroup::Array2D: {
        uint32_t cell = 0;
        uint16_t x = 0, y = 0;
        ArrayIndex array(buffer, bytes);
        if (!ArrayCellOf(group, idx, bytes / 4, key, cell, x, y)) {
            if (group == IndexGroup::Array1D) {
                DbsTraceLog("[File:%s Line:%d] Handle: %04xH, X:%d key value exceed", DBS_HERE, hIndex, x);
            } else if (lines == Lines::Fetch) {
                DbsTraceLog("[File:%s Line:%d] Handle: %04xH, X:%d Y:%d key value exceed DimX or DimY", DBS_HERE,
                            hIndex, x, y);
            } else {
                DbsTraceLog("[File:%s Line:%d] Handle: %04xH, X:%d Y:%d key value exceed", DBS_HERE, hIndex, x, y);
            }
            return 0;
        }
        idx.adwIdxPos[b] = cell;
        found.hit = {cell, array.Get(cell)};
        found.present = found.hit.tupleNo != 0;
        return 1;
    }
    case IndexGroup::Sorted: {
        if (idx.adwIdxEntryNum[b] == 0) {
            idx.adwIdxPos[b] = 0;
            if (lines == Lines::Fetch) {
                DbsTraceLog("[File:%s Line:%d] DbsFetchIndex return dwTupleNo=0, all index num==0", DBS_HERE);
            }
            return 1;
        }
        SortedIndex tree = TreeOf(hIndex, idx, b);
        found.present = tree.Find(key, found.path);
        found.hit = {found.path.levels > 0 ? found.path.slot[0] : 0, found.present ? tree.TupleAt(found.path) : 0};
        idx.adwIdxPos[b] = found.hit.pos;
        if (!found.present && lines == Lines::Fetch) {
            DbsTraceLog("[File:%s Line:%d] DbsFetchIndex return dwTupleNo=0, all index num=%d", DBS_HERE,
                        idx.adwIdxEntryNum[b]);
        }
        return 1;
    }
    case IndexGroup::Invalid:
        break;
    }
    DbsTraceLog("[File: %s, Line: %d] %04xH index type invalid", DBS_HERE, hIndex);
    return 0;
}

// Writes one cell of buffer b of an array index (the cell lies inside the buffer: the lookup checked it).
void SetCell(uint32_t hIndex, uint8_t b, char* buffer, uint64_t bytes, uint32_t cell, uint32_t tupleNo) {
    ArrayIndex(buffer, bytes).Set(cell, tupleNo);
    NoteIndexWriteIn(DBS_HANDLE_NO(hIndex), b, uint64_t{cell} * 4, 4);
}

bool KeyArgumentsPresent(const void* key, const uint32_t* out) {
    if (key == nullptr) {
        DbsTraceLog("[File:%s Line%d] Pointer pchTupleKey is NULL", DBS_HERE);
        return false;
    }
    if (out == nullptr) {
        DbsTraceLog("[File:%s Line%d] Pointer pdwTupleNo is NULL", DBS_HERE);
        return false;
    }
    return true;
}

// DbsFetchIndex on the main buffer or DbsFetchIndexEX on buffer b, once the pointers are known to be there.
uint8_t Fetch(uint32_t hIndex, Memory m, uint8_t b, const void* key, uint32_t& out, Found& found) {
    out = 0;
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr) {
        DbsTraceLog("[File:%s Line%d] Index Handle %x Invalid", DBS_HERE, hIndex);
        return 0;
    }
    if (m == Memory::Main) b = idx->byIdxMainAddrPtr;
    if (b > 1) {
        DbsTraceLog("[File:%s Line%d] Index (Handle %x) buffer number %d invalid", DBS_HERE, hIndex, b);
        return 0;
    }
    uint8_t ok = FetchIn(hIndex, *idx, b, key, found, m == Memory::Main ? Lines::Fetch : Lines::FetchEx);
    out = found.hit.tupleNo;
    return ok;
}

// The lookup an insertion or removal makes: the fetch of its memory, key pointer checked.
uint8_t FetchForChange(uint32_t hIndex, Memory m, uint8_t b, const void* key, Found& found) {
    uint32_t out = 0;
    if (!KeyArgumentsPresent(key, &out)) return 0;
    return Fetch(hIndex, m, b, key, out, found);
}

uint8_t Locate(uint32_t hIndex, const void* pbyKey, Memory m) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr) {
        if (m == Memory::Main) {
            DbsTraceLog("[File: %s, Line: %d] Index tHandle %xH invalid", DBS_HERE, hIndex);
        } else {
            DbsTraceLog("[File: %s, Line: %d] index handle %xH invalid", DBS_HERE, hIndex);
        }
        return 0;
    }
    Found found;
    uint32_t tupleNo = 0;
    if (!KeyArgumentsPresent(pbyKey, &tupleNo)) return 0;
    if (Fetch(hIndex, m, idx->byIdxSecondAddrPtr, pbyKey, tupleNo, found) == 0) return 0;
    return m == Memory::Main ? DbsSetTupleNo(idx->dwDBHandle, tupleNo) : DbsSetTupleNoEX(idx->dwDBHandle, tupleNo);
}

// An entry must name a tuple: tuple number 0 reads as "no entry", so an entry holding it would be counted but
// never found, and a later insertion of the same key would duplicate it.
uint8_t NoCurrentTuple(uint32_t hIndex, uint32_t hTable) {
    DbsTraceLog("[File:%s Line%d] Index Handle %x: table %xH has no current tuple", DBS_HERE, hIndex, hTable);
    return 0;
}

uint8_t Insert(uint32_t hIndex, const void* pbyKey, Memory m) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr) {
        DbsTraceLog("[File:%s Line%d] Index Handle %x Invalid", DBS_HERE, hIndex);
        return 0;
    }
    uint8_t b = BufferOf(*idx, m);
    char* buffer = IndexBuffer(*idx, b);
    if (buffer == nullptr) return 0;
    uint32_t t = m == Memory::Main ? DbsGetTupleNo(idx->dwDBHandle) : DbsGetTupleNoEX(idx->dwDBHandle);
    Found found;
    if (FetchForChange(hIndex, m, b, pbyKey, found) == 0) return 0;
    uint64_t bytes = AllocatedBufferBytes(DBS_HANDLE_NO(hIndex));
    IndexGroup group = GroupOf(*idx);
    if (found.present) {
        if (t == 0) return NoCurrentTuple(hIndex, idx->dwDBHandle);
        if (group == IndexGroup::Sorted) {
            TreeOf(hIndex, *idx, b).Repoint(found.path, t);
        } else {
            SetCell(hIndex, b, buffer, bytes, found.hit.pos, t);
        }
        return 1;
    }
    const TagDBForm* table = TableForm(idx->dwDBHandle);
    if (table == nullptr) return 0;
    uint8_t tb = BufferOf(*table, m);
    if (tb > 1 || idx->adwIdxEntryNum[b] >= table->adwTupleNum[tb]) return 0;
    if (t == 0) return NoCurrentTuple(hIndex, idx->dwDBHandle);
    switch (group) {
    case IndexGroup::Array1D:
    case IndexGroup::Array2D:
        SetCell(hIndex, b, buffer, bytes, found.hit.pos, t);
        ++idx->adwIdxEntryNum[b];
        return 1;
    case IndexGroup::Sorted: {
        if (idx->adwIdxEntryNum[b] >= RecordedTreeShape(DBS_HANDLE_NO(hIndex)).capacity) return 0;
        if (!TreeOf(hIndex, *idx, b).Insert(found.path, t, pbyKey)) return 0;
        ++idx->adwIdxEntryNum[b];
        return 1;
    }
    case IndexGroup::Invalid:
        break;
    }
    DbsTraceLog("[File: %s, Line: %d] %04xH index type invalid", DBS_HERE, hIndex);
    return 0;
}

uint8_t Remove(uint32_t hIndex, const void* pbyKey, Memory m) {
    TagIdxForm* idx = IndexForm(hIndex);
    if (idx == nullptr) {
        DbsTraceLog("[File:%s Line%d] Index Handle %x Invalid", DBS_HERE, hIndex);
        return 0;
    }
    uint8_t b = BufferOf(*idx, m);
    char* buffer = IndexBuffer(*idx, b);
    if (buffer == nullptr) return 0;
    if (pbyKey == nullptr) {
        // A removal that cannot look its key up has removed nothing: refuse it rather than report success.
        DbsTraceLog("[File:%s Line%d] Pointer pchTupleKey is NULL", DBS_HERE);
        return 0;
    }
    Found found;
    if (FetchForChange(hIndex, m, b, pbyKey, found) == 0 || !found.present) return 1;
    if (GroupOf(*idx) == IndexGroup::Sorted) {
        TreeOf(hIndex, *idx, b).Erase(found.path);
        if (idx->adwIdxEntryNum[b] > 0) --idx->adwIdxEntryNum[b];
    } else {
        SetCell(hIndex, b, buffer, AllocatedBufferBytes(DBS_HANDLE_NO(hIndex)), found.hit.pos, 0);
        if (idx->adwIdxEntryNum[b] > 0) --idx->adwIdxEntryNum[b];
    }
    return 1;
}

uint8_t RemoveSecondary(uint32_t hPri, const void* pbyPriKey, uint32_t hSec, const void* pbySecKey, Memory m) {
    TagIdxForm* pri = IndexForm(hPri);
    if (pri == nullptr) {
        DbsTraceLog("[File:%s Line%d] Primary Index Handle %xH Invalid", DBS_HERE, hPri);
        return 0;
    }
    uint8_t b = BufferOf(*pri, m);
    if (IndexBuffer(*pri, b) == nullptr) return 0;
    TagIdxForm* sec = IndexForm(hSec);
    if (sec == nullptr) {
        DbsTraceLog("[File:%s Line%d] Secondary Index Handle %xH Invalid", DBS_HERE, hSec);
        return 0;
    }
    if (IndexBuffer(*sec, b) == nullptr) return 0;
    uint32_t priTuple = 0, secTuple = 0;
    Found found;
    if (!KeyArgumentsPresent(pbyPriKey, &priTuple) || !KeyArgumentsPresent(pbySecKey, &secTuple)) return 0;
    if (Fetch(hPri, Memory::Secondary, b, pbyPriKey, priTuple, found) == 0) return 0;
    if (Fetch(hSec, Memory::Secondary, b, pbySecKey, secTuple, found) == 0) return 0;
    if (priTuple != secTuple || priTuple == 0) return 1;
    return Remove(hSec, pbySecKey, m);
}

}  // namespace
}  // namespace dbs::core

using dbs::core::Memory;

extern "C" {

DBS_API uint8_t DbsFetchIndex(uint32_t hIndex, const void* pchTupleKey, uint32_t* pdwTupleNo) {
    if (!dbs::core::KeyArgumentsPresent(pchTupleKey, pdwTupleNo)) return 0;
    dbs::core::Found found;
    return dbs::core::Fetch(hIndex, Memory::Main, 0, pchTupleKey, *pdwTupleNo, found);
}

DBS_API uint8_t DbsFetchIndexEX(uint32_t hIndex, uint8_t byBufNo, const void* pchTupleKey, uint32_t* pdwTupleNo) {
    if (!dbs::core::KeyArgumentsPresent(pchTupleKey, pdwTupleNo)) return 0;
    dbs::core::Found found;
    return dbs::core::Fetch(hIndex, Memory::Secondary, byBufNo, pchTupleKey, *pdwTupleNo, found);
}

DBS_API uint8_t DbsLocateTuple(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Locate(hIndex, pbyKey, Memory::Main);
}
DBS_API uint8_t DbsLocateTupleEX(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Locate(hIndex, pbyKey, Memory::Secondary);
}
DBS_API uint8_t DbsInsertIndex(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Insert(hIndex, pbyKey, Memory::Main);
}
DBS_API uint8_t DbsInsertIndexEX(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Insert(hIndex, pbyKey, Memory::Secondary);
}
DBS_API uint8_t DbsDeleteIndex(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Remove(hIndex, pbyKey, Memory::Main);
}
DBS_API uint8_t DbsDeleteIndexEX(uint32_t hIndex, const void* pbyKey) {
    return dbs::core::Remove(hIndex, pbyKey, Memory::Secondary);
}
DBS_API uint8_t DbsDeleteSecondaryIndex(uint32_t hPriIndex, const void* pbyPriKey, uint32_t hSecIndex,
                                        const void* pbySecKey) {
    return dbs::core::RemoveSecondary(hPriIndex, pbyPriKey, hSecIndex, pbySecKey, Memory::Main);
}
DBS_API uint8_t DbsDeleteSecondaryIndexEX(uint32_t hPriIndex, const void* pbyPriKey, uint32_t hSecIndex,
                                          const void* pbySecKey) {
    return dbs::core::RemoveSecondary(hPriIndex, pbyPriKey, hSecIndex, pbySecKey, Memory::Secondary);
}

}  // extern "C"
