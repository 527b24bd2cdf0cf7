// Access paths: how the scan reaches the records of each FROM table. Chosen once per statement from the WHERE
// tree; a table whose key index is fixed by the condition is visited through that index (one key, the keys of an
// IN list, or a range of leading key columns), every other table by walking all its records.
//
// The choice never changes a statement's meaning: an index is used only when the whole condition is certain to
// evaluate without an error or a trace line on any record, and only with keys that compare exactly as the
// condition compares; the scan then visits the same combinations, in the same order, as the full walk would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sql/parser_context.h"

namespace dbs::sql {

struct ExecState;

enum class PathKind : uint8_t { Scan, Lookup, InList, Range };

// One fixed key column: the value it equals, and where its bytes go in the key.
struct KeyTerm {
    const SqlExpr* ptValue = nullptr;  // a constant, or an expression over columns of earlier FROM tables
    bool bConstant = false;
    int iColumnType = 0;               // DB_STRING, DB_ULONG, DB_USHORT or DB_TINYINT
    uint16_t wOffset = 0;              // of the column in the key
    uint16_t wWidth = 0;
};

struct TablePath {
    PathKind eKind = PathKind::Scan;
    uint8_t bySlot = 0;
    uint32_t hIndex = 0;
    uint8_t byKeyColumns = 0;          // columns of the index key
    uint8_t byFixed = 0;               // leading key columns fixed by equalities (Lookup: all; InList: all but one)
    uint16_t wKeyLen = 0;
    uint16_t wPrefixLen = 0;           // key bytes the equalities fix
    KeyTerm atTerm[8];
    const SqlPredicate* ptIn = nullptr;  // InList: the IN predicate on the last key column
    KeyTerm tInColumn;                   // InList: that column (ptValue unused)
    uint8_t abyKey[256] = {};            // the constant part of the key
    std::vector<uint8_t> inKeys;         // InList: the IN list's keys, wKeyLen - wPrefixLen bytes each

    // While the scan runs: the tuple numbers found for the current records of the earlier tables, ascending.
    std::vector<uint32_t> candidates;
    size_t iNext = 0;
};

struct AccessPlan {
    bool bIndexed = false;             // some table uses an index
    TablePath table[kMaxFromTables];
    TablePath trial;                   // the planner's scratch; kept so that its buffers are reused
};

// Turns the index paths off (every table scanned) or back on; on by default. For tests that compare both.
void SetIndexPathsEnabled(bool enabled);
bool IndexPathsEnabled();

// Chooses the path of every FROM table of the resolved statement into st.plan.
void PlanAccess(TagSqlParser& ctx, ExecState& st);

// Fills the candidates of FROM table i from its index, for the current records of the tables before it; the
// buffer searched is the main or the secondary one, as the scan reads (st.bSecondary).
void FindCandidates(TagSqlParser& ctx, ExecState& st, int i);

// Writes one line per FROM table describing its path ("T: scan", "T: index 0 (ID) lookup", ...), zero-terminated
// and cut to `size` bytes. Returns the length the whole text needs, without the zero byte.
size_t DescribePlan(const TagSqlParser& ctx, const ExecState& st, char* out, size_t size);

}  // namespace dbs::sql
