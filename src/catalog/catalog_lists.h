// The seven catalogue lists: the schema of the store as plain records, owned by the library from initialisation
// to uninitialisation and read-only in between. Each list is one zero-filled DbsMalloc block (null when empty)
// with its count; installing either fills all seven or leaves all seven empty, never a half-installed catalogue.
#pragma once

#include <cstdint>
#include <span>

#include <dbs/dbs.h>

// Globals, named as the store's documentation names them.
extern TagSYSTABTuple* gptSysTab;
extern uint32_t gdwSysTabNum;
extern TagSYSCOLUMNTuple* gptSysColumn;
extern uint32_t gdwSysColumnNum;
extern TagSYSCONSCOLUMNTuple* gptSysConsColumn;
extern uint32_t gdwSysConsColumnNum;
extern TagSYSCONSTRAINTSTuple* gptSysConstraints;   // foreign keys (byConsType 1 restricting, 2 cascading)
extern uint32_t gdwSysConstraintsNum;
extern TagSYSCONSTRAINTSTuple* gptSysCheckCons;     // check constraints
extern uint32_t gdwSysCheckConsNum;
extern TagSYSCONSTRAINTSTuple* gptSysMutexTab;      // mutually exclusive tables
extern uint32_t gdwSysMutexTabNum;
extern TagSYSCONSTRAINTSTuple* gptSysFixedIdx;      // indexes whose keys may not change
extern uint32_t gdwSysFixedIdxNum;

// Builds every table, column and key index from the lists and installs the checked insert, update and delete
// as methods 3, 4 and 5 of every table. 1 on success; 0 (with a trace line) when anything could not be built.
uint8_t DbsInitSysManageTable();

namespace dbs::catalog {

// The lists as separate record arrays, one per global list.
struct CatalogLists {
    std::span<const TagSYSTABTuple> tables;
    std::span<const TagSYSCOLUMNTuple> columns;
    std::span<const TagSYSCONSCOLUMNTuple> keyColumns;
    std::span<const TagSYSCONSTRAINTSTuple> foreignKeys;
    std::span<const TagSYSCONSTRAINTSTuple> checks;
    std::span<const TagSYSCONSTRAINTSTuple> mutexes;
    std::span<const TagSYSCONSTRAINTSTuple> fixedIndexes;
};

// Releases whatever is installed, then copies every list in order. false (all lists empty) when a block cannot
// be obtained; the allocator has written its line.
bool InstallLists(const CatalogLists& lists);

// Installs the loader's four record arrays: the constraint records of the fourth are dealt out by byConsType
// (1 and 2 foreign keys, 3 checks, 4 mutex lists, 5 fixed indexes; any other type is kept with the foreign
// keys, whose passes skip it). Same result as InstallLists.
bool InstallFromLoader(std::span<const TagSYSTABTuple> tables, std::span<const TagSYSCOLUMNTuple> columns,
                       std::span<const TagSYSCONSCOLUMNTuple> keyColumns,
                       std::span<const TagSYSCONSTRAINTSTuple> constraints);

// Frees every list and sets every count to 0. Safe to call when nothing is installed.
void ReleaseLists();

}  // namespace dbs::catalog
