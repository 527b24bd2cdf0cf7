// Statement execution: column resolution, the scan over the FROM tables, expression and condition evaluation,
// aggregates, grouping, and the five statement drivers that SQLExecute dispatches to.
//
// Every operation works on the parser context of the statement being run; a failure stores its SQL error code
// there (reporting it where the dialect says so) and returns -1 (0 from cond_eval).
#pragma once

#include <cstdint>
#include <cstring>

#include "sql/exec_state.h"
#include "sql/parser_context.h"
#include "sql/sql_value.h"
#include "sql/transaction.h"

namespace dbs::sql {

inline constexpr int kScanOnRecord = 0;
inline constexpr int kScanEnd = 100;
inline constexpr int kRowsPerBlock = 100;
inline constexpr int kMaxRowBlocks = 100;

// The field number of `name` in the table's field descriptors, or -1 after writing the "Not find field" line.
int GetFieldIndex(uint16_t wTableNo, const char* pchTableName, const char* pchField);

// Resolves every column reference of the statement. 0, or -1 with code 1 raised.
int ResolveColumns(TagSqlParser& ctx);
// Binds a column reference to a field of FROM table iTableIndex (offset from 1 in the record slot, kind, width);
// false when the field does not lie inside the table's records of dataLen bytes.
bool BindColumn(SqlColumnRef& ref, int iTableIndex, uint16_t offset, char kind, uint16_t width, uint32_t dataLen);

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
// The same for one aggregate's own state (a group's, under GROUP BY).
void ResetAggregate(AggregateState& a, const SqlAggregate* node);
int AccumulateAggregate(TagSqlParser& ctx, ExecState& st, AggregateState& a);

// GROUP BY: StartGroups checks the select list and empties the groups before the scan; AddToGroup takes the
// current record combination into its group; EmitGroups visits the groups whose HAVING condition holds, in
// ascending order of their grouping values, with the aggregates and records of each group in place, and hands
// each to `row` (which returns 0 to go on, 1 to stop, -1 on failure). Each returns 0 or -1 with the code set.
int StartGroups(TagSqlParser& ctx, ExecState& st);
int AddToGroup(TagSqlParser& ctx, ExecState& st);
int EmitGroups(TagSqlParser& ctx, ExecState& st, int (*row)(TagSqlParser&, ExecState&, void*), void* user);

// Statement drivers; SELECT and EXISTS fill the record set they are given.
int RunSelect(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs);
int RunExists(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs);
// Runs `change` on every record of the scan whose condition is not false, with the copy and swap that publish
// the statement outside a transaction; -1 at the first refusal (nothing published), else 0.
int ChangeMatchingRecords(TagSqlParser& ctx, ExecState& st, int (*change)(TagSqlParser&, ExecState&));
int RunDelete(TagSqlParser& ctx, ExecState& st);
int RunUpdate(TagSqlParser& ctx, ExecState& st);
// INSERT: builds each row's record from its values and adds it through the checked insert, published as one
// statement outside a transaction (all rows or none).
int RunInsert(TagSqlParser& ctx, ExecState& st);

// Runs `work` as one statement: outside a transaction on a fresh copy of main memory in secondary memory, which
// is published (the roles swapped) only when the work succeeded; inside one the copy and the publishing belong
// to TransBegin and TransCommit. Returns 0, or -1 when the work failed (nothing published).
template <typename Work>
int AsOneStatement(Work&& work) {
    const bool own = !TransactionActive();
    if (own) DbsAllCopyData();
    if (work() != 0) return -1;
    if (own) DbsChangeOverAddr();
    return 0;
}

// Copies a name into a record-set descriptor field, cut to 19 characters so that it keeps its zero byte.
inline void CopySqlName(char (&dst)[DBS_SQL_NAME_SIZE], const char* src) {
    size_t n = strnlen(src, DBS_SQL_NAME_SIZE - 1);
    std::memcpy(dst, src, n);
    std::memset(dst + n, 0, DBS_SQL_NAME_SIZE - n);
}

// Sorts the rows of a record set by the statement's ORDER BY keys.
void SortRows(const TagSqlParser& ctx, TagSqlRecordset& rs, char* swapRow);

}  // namespace dbs::sql
