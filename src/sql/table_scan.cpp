// The scan: a nested loop over the FROM tables that visits every combination of their records, the last table
// varying fastest, in each table's cursor order. It walks main memory through the tables' own cursors, or
// secondary memory for DELETE and UPDATE inside a transaction, so that such a statement sees the changes of the
// statements before it in the same transaction.
#include "sql/executor.h"

namespace dbs::sql {

namespace {

bool MoveFirst(const ExecState& st, uint32_t h) { return (st.bSecondary ? DbsSkipToFirstEX(h) : DbsSkipToFirst(h)) != 0; }
bool MoveNext(const ExecState& st, uint32_t h) { return (st.bSecondary ? DbsSkipToNextEX(h) : DbsSkipToNext(h)) != 0; }

// A table named twice in FROM shares one cursor in the store; each entry puts the cursor back on its own record
// before moving on, so that a self-join sees every pair. In secondary memory the checked update and delete of
// the statement itself move the cursor too (they locate records by key, a cascade in other tables as well), so
// there the cursor always goes back to the scan's own record; without this an UPDATE that gives every record
// the same key would step back and forth between two records for ever.
void RestoreSharedCursor(const TagSqlParser& ctx, const ExecState& st, int i) {
    if (st.bSecondary) {
        DbsSetTupleNoEX(st.from[i].hTable, ctx.atTable[i].dwTupleNo);
        return;
    }
    for (int j = 0; j < ctx.iTableNum; ++j) {
        if (j == i || st.from[j].hTable != st.from[i].hTable) continue;
        if (st.bSecondary) {
            DbsSetTupleNoEX(st.from[i].hTable, ctx.atTable[i].dwTupleNo);
        } else {
            DbsSetTupleNo(st.from[i].hTable, ctx.atTable[i].dwTupleNo);
        }
        return;
    }
}

// Positions table i on its first record; false (end mark 100) for an empty table.
bool PositionTable(TagSqlParser& ctx, ExecState& st, int i) {
    if (!MoveFirst(st, st.from[i].hTable)) {
        ctx.atTable[i].iEndMark = kScanEnd;
        return false;
    }
    ScanStoreRecord(ctx, st, i);
    return true;
}

}  // namespace

void ScanStoreRecord(TagSqlParser& ctx, ExecState& st, int i) {
    FromCursor& c = st.from[i];
    SqlFromTable& t = ctx.atTable[i];
    if (st.bSecondary) {
        t.dwTupleNo = DbsGetTupleNoEX(c.hTable);
        DbsGetTupleEX(c.hTable, c.pbyRecord);
    } else {
        t.dwTupleNo = DbsGetTupleNo(c.hTable);
        DbsGetTuple(c.hTable, c.pbyRecord);
    }
    t.iEndMark = kScanOnRecord;
}

int ScanPosition(TagSqlParser& ctx, ExecState& st) {
    for (int i = 0; i < ctx.iTableNum; ++i) {
        if (!PositionTable(ctx, st, i)) {
            ctx.atTable[0].iEndMark = kScanEnd;
            return kScanEnd;
        }
    }
    return ctx.iTableNum == 0 ? kScanEnd : kScanOnRecord;
}

int ScanAdvance(TagSqlParser& ctx, ExecState& st) {
    for (int i = ctx.iTableNum - 1; i >= 0; --i) {
        RestoreSharedCursor(ctx, st, i);
        if (!MoveNext(st, st.from[i].hTable)) {
            ctx.atTable[i].iEndMark = kScanEnd;
            continue;
        }
        ScanStoreRecord(ctx, st, i);
        // Every table after the one that moved starts again from its first record, so that with three or more
        // tables no combination is skipped. None of them is empty: positioning succeeded for all of them.
        for (int j = i + 1; j < ctx.iTableNum; ++j) {
            if (!PositionTable(ctx, st, j)) {
                ctx.atTable[0].iEndMark = kScanEnd;
                return kScanEnd;
            }
        }
        return kScanOnRecord;
    }
    return kScanEnd;
}

}  // namespace dbs::sql
