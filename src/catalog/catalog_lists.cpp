// The catalogue lists: their storage, installation and release.
//
// Every list is copied into its own zero-filled DbsMalloc block so that the library owns it outright; the
// callers' arrays may go away as soon as installation returns.
#include "catalog/catalog_lists.h"

#include <cstring>
#include <vector>

TagSYSTABTuple* gptSysTab = nullptr;
uint32_t gdwSysTabNum = 0;
TagSYSCOLUMNTuple* gptSysColumn = nullptr;
uint32_t gdwSysColumnNum = 0;
TagSYSCONSCOLUMNTuple* gptSysConsColumn = nullptr;
uint32_t gdwSysConsColumnNum = 0;
TagSYSCONSTRAINTSTuple* gptSysConstraints = nullptr;
uint32_t gdwSysConstraintsNum = 0;
TagSYSCONSTRAINTSTuple* gptSysCheckCons = nullptr;
uint32_t gdwSysCheckConsNum = 0;
TagSYSCONSTRAINTSTuple* gptSysMutexTab = nullptr;
uint32_t gdwSysMutexTabNum = 0;
TagSYSCONSTRAINTSTuple* gptSysFixedIdx = nullptr;
uint32_t gdwSysFixedIdxNum = 0;

namespace dbs::catalog {
namespace {

template <typename T>
void FreeList(T*& list, uint32_t& count) {
    DbsFree(list);
    list = nullptr;
    count = 0;
}

// Copies `src` into a fresh block; an empty source leaves the list null. false when the block is refused.
template <typename T>
bool CopyList(std::span<const T> src, T*& list, uint32_t& count) {
    list = nullptr;
    count = 0;
    if (src.empty()) return true;
    auto* block = static_cast<T*>(DbsMalloc(src.size_bytes()));
    if (block == nullptr) return false;
    std::memcpy(block, src.data(), src.size_bytes());
    list = block;
    count = static_cast<uint32_t>(src.size());
    return true;
}

}  // namespace

void ReleaseLists() {
    FreeList(gptSysTab, gdwSysTabNum);
    FreeList(gptSysColumn, gdwSysColumnNum);
    FreeList(gptSysConsColumn, gdwSysConsColumnNum);
    FreeList(gptSysConstraints, gdwSysConstraintsNum);
    FreeList(gptSysCheckCons, gdwSysCheckConsNum);
    FreeList(gptSysMutexTab, gdwSysMutexTabNum);
    FreeList(gptSysFixedIdx, gdwSysFixedIdxNum);
}

bool InstallLists(const CatalogLists& lists) {
    ReleaseLists();
    bool ok = CopyList(lists.tables, gptSysTab, gdwSysTabNum) &&
              CopyList(lists.columns, gptSysColumn, gdwSysColumnNum) &&
              CopyList(lists.keyColumns, gptSysConsColumn, gdwSysConsColumnNum) &&
              CopyList(lists.foreignKeys, gptSysConstraints, gdwSysConstraintsNum) &&
              CopyList(lists.checks, gptSysCheckCons, gdwSysCheckConsNum) &&
              CopyList(lists.mutexes, gptSysMutexTab, gdwSysMutexTabNum) &&
              CopyList(lists.fixedIndexes, gptSysFixedIdx, gdwSysFixedIdxNum);
    if (!ok) ReleaseLists();
    return ok;
}

bool InstallFromLoader(std::span<const TagSYSTABTuple> tables, std::span<const TagSYSCOLUMNTuple> columns,
                       std::span<const TagSYSCONSCOLUMNTuple> keyColumns,
                       std::span<const TagSYSCONSTRAINTSTuple> constraints) {
    std::vector<TagSYSCONSTRAINTSTuple> foreignKeys, checks, mutexes, fixed;
    for (const TagSYSCONSTRAINTSTuple& rec : constraints) {
        switch (rec.byConsType) {
            case DBS_CONS_CHECK: checks.push_back(rec); break;
            case DBS_CONS_MUTEX: mutexes.push_back(rec); break;
            case DBS_CONS_FIXED_INDEX: fixed.push_back(rec); break;
            default: foreignKeys.push_back(rec); break;
        }
    }
    return InstallLists({tables, columns, keyColumns, foreignKeys, checks, mutexes, fixed});
}

}  // namespace dbs::catalog
