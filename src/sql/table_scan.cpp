// The scan: a nested loop over the FROM tables that visits every combination of their records, the last table
// varying fastest, in each table's cursor order. It walks main memory through the tables' own cursors, or
// secondary memory for DELETE and UPDATE inside a transaction, so that such a statement sees the changes of the
// statements before it in the same transaction.
#include "sql/executor.h"

namespace dbs::sql {

namespace {

bool MoveFirst(const ExecState& st, uint32_t h) { return (st.bSecondary ? DbsSkipToFirstEX(h) : DbsSkipToFirst(h)) != 0; }
bool MoveNext(const ExecState& st, uint32_t h) { return (st.bSecondary ? DbsSkipToNextEX(h) : DbsSkipToNext(h)) != 0; }

// Puts the store's cursor back on the record this FROM entry stands on before it moves on. A table named twice
// in FROM shares one cursor in the store, so each entry restores its own position and a self-join sees every
// pair. In secondary memory the checked delete and update move the cursor themselves (a cascading delete may
// reach other records of the same table), so there the position is always restored; the store accepts a
// position whose record was just deleted and moves on from it.
void RestoreCursor(const TagSqlParser& ctx, const ExecState& st, int i) {
    uint32_t h = st.from[i].hTable;
    if (st.bSecondary) {
        DbsSetTupleNoEX(h, ctx.atTable[i].dwTupleNo);
        return;
    }
    for (int j = 0; j < ctx.iTableNum; ++j) {
        if (j != i && st.from[j].hTable == h) {
            DbsSetTupleNo(h, ctx.atTable[i].dwTupleNo);
            return;
        }
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
        RestoreCursor(ctx, st, i);
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
