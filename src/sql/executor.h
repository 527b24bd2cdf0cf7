// Statement execution: column resolution, the scan over the FROM tables, expression and condition evaluation,
// aggregates, and the four statement drivers that SQLExecute dispatches to.
//
// Every operation works on the parser context of the statement being run; a failure stores its SQL error code
// there (reporting it where the dialect says so) and returns -1 (0 from cond_eval).
#pragma once

#include <cstdint>
#include <cstring>

#include "sql/exec_state.h"
#include "sql/parser_context.h"
#include "sql/sql_value.h"

namespace dbs::sql {

inline constexpr int kScanOnRecord = 0;
inline constexpr int kScanEnd = 100;
inline constexpr int kRowsPerBlock = 100;
inline constexpr int kMaxRowBlocks = 100;

// The field number of `name` in the table's field descriptors, or -1 after writing the "Not find field" line.
int GetFieldIndex(uint16_t wTableNo, const char* pchTableName, const char* pchField);

// Resolves every column reference of the statement. 0, or -1 with code 1 raised.
int ResolveColumns(TagSqlParser& ctx);

// Puts every FROM table on its first record; returns the first table's end mark (0 or 100).
int ScanPosition(TagSqlParser& ctx, ExecState& st);
// Moves to the next combination of records, the last table varying fastest; returns the first table's end mark.
// Position chooses the access paths; Advance skips the combinations that they rule out.
int ScanAdvance(TagSqlParser& ctx, ExecState& st);
// Moves to the next combination of the full walk whatever the access paths, for a statement that stops after
// this step: its tables' cursors are then left exactly where the full walk leaves them.
int ScanAdvanceAll(TagSqlParser& ctx, ExecState& st);
// Reads the cursor record of one FROM table into its buffer (used by the EXISTS walk too).
void ScanStoreRecord(TagSqlParser& ctx, ExecState& st, int i);

// Evaluates an expression into `out`. 0, or -1 with the error code set.
int SqlEvalExpr(TagSqlParser& ctx, ExecState& st, const SqlExpr* ptExpr, SqlValue& out);

// Three-valued evaluation of a condition tree: 1, 0 or -1; an empty tree is 1. Clears the error code first and
// returns 0 with the code set on an error.
int cond_eval(TagSqlParser& ctx, ExecState& st, const SqlCondition* ptCond);

// Aggregates: reset before the scan, accumulate one qualifying record combination.
int ResetAggregates(TagSqlParser& ctx, ExecState& st);
int AccumulateAggregates(TagSqlParser& ctx, ExecState& st);

// Statement drivers; SELECT and EXISTS fill the record set they are given.
int RunSelect(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs);
int RunExists(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs);
// What a change does to the keys of the scanned table: only removes them (DELETE), or also adds some (UPDATE).
enum class KeyChanges { RemoveOnly, Any };

// Runs `change` on every record of the scan whose condition is not false, with the copy and swap that publish
// the statement outside a transaction; -1 at the first refusal (nothing published), else 0.
int ChangeMatchingRecords(TagSqlParser& ctx, ExecState& st, int (*change)(TagSqlParser&, ExecState&),
                          KeyChanges keys);
int RunDelete(TagSqlParser& ctx, ExecState& st);
int RunUpdate(TagSqlParser& ctx, ExecState& st);

// Copies a name into a record-set descriptor field, cut to 19 characters so that it keeps its zero byte.
inline void CopySqlName(char (&dst)[DBS_SQL_NAME_SIZE], const char* src) {
    size_t n = strnlen(src, DBS_SQL_NAME_SIZE - 1);
    std::memcpy(dst, src, n);
    std::memset(dst + n, 0, DBS_SQL_NAME_SIZE - n);
}

// Sorts the rows of a record set by the statement's ORDER BY keys.
void SortRows(const TagSqlParser& ctx, TagSqlRecordset& rs, char* swapRow);

}  // namespace dbs::sql
