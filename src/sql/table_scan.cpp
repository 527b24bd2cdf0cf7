// The scan: a nested loop over the FROM tables that visits every combination of their records, the last table
// varying fastest, in each table's cursor order. It walks main memory through the tables' own cursors, or
// secondary memory for DELETE and UPDATE inside a transaction, so that such a statement sees the changes of the
// statements before it in the same transaction.
//
// A table with an index path is visited only on the records its index finds for the current records of the
// tables before it, in ascending tuple number, which is the order the full walk meets them in; every combination
// that the walk skips this way has a false condition. Positioning, the end of the walk and a stop after one
// step (ScanAdvanceAll) leave the cursors and record buffers exactly where the full walk leaves them.
#include <algorithm>

#include "core/tuple_places.h"
#include "sql/access_path.h"
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

dbs::core::Role RoleOf(const ExecState& st) {
    return st.bSecondary ? dbs::core::Role::Secondary : dbs::core::Role::Main;
}

bool Indexed(const ExecState& st, int i) { return st.plan.table[i].eKind != PathKind::Scan; }

// Moves index-path table i onto its next candidate still in use; false (end mark 100) after the last.
bool NextCandidate(TagSqlParser& ctx, ExecState& st, int i) {
    TablePath& p = st.plan.table[i];
    uint32_t h = st.from[i].hTable;
    while (p.iNext < p.candidates.size()) {
        uint32_t n = p.candidates[p.iNext++];
        // A candidate no longer in use was deleted earlier in this statement, and the full walk passes it by.
        if (!dbs::core::ReadTupleAt(RoleOf(st), h, n, st.from[i].pbyRecord)) continue;
        ctx.atTable[i].dwTupleNo = n;
        ctx.atTable[i].iEndMark = kScanOnRecord;
        return true;
    }
    ctx.atTable[i].iEndMark = kScanEnd;
    return false;
}

// Table i from its first record (or candidate) again.
bool StartTable(TagSqlParser& ctx, ExecState& st, int i) {
    if (!Indexed(st, i)) return PositionTable(ctx, st, i);
    FindCandidates(ctx, st, i);
    return NextCandidate(ctx, st, i);
}

// Table i on to its next record (or candidate).
bool StepTable(TagSqlParser& ctx, ExecState& st, int i) {
    if (Indexed(st, i)) return NextCandidate(ctx, st, i);
    RestoreCursor(ctx, st, i);
    if (!MoveNext(st, st.from[i].hTable)) {
        ctx.atTable[i].iEndMark = kScanEnd;
        return false;
    }
    ScanStoreRecord(ctx, st, i);
    return true;
}

// The end of a walk guided by access paths. The full walk ends with every table on its last record in use, read
// into its buffer; in secondary memory, where the statement deletes records as it goes, on the last record it
// reached, which is the last one still in use or the last one this walk visited, whichever comes later. A record
// this walk visited last is already in its buffer, as the statement left it (UPDATE changes the buffer).
int FinishWalk(TagSqlParser& ctx, ExecState& st) {
    for (int i = 0; i < ctx.iTableNum; ++i) {
        uint32_t h = st.from[i].hTable;
        uint32_t last = dbs::core::LastUsedTuple(RoleOf(st), h);
        if (st.bSecondary) last = std::max(last, ctx.atTable[i].dwTupleNo);
        if (last != 0) {
            dbs::core::PlaceCursor(RoleOf(st), h, last);
            if (last != ctx.atTable[i].dwTupleNo) ScanStoreRecord(ctx, st, i);
        }
        ctx.atTable[i].iEndMark = kScanEnd;
    }
    return kScanEnd;
}

// Brings tables i .. n-1 onto the next combination, table i started afresh (`fresh`) or moved on; backs up to
// earlier tables as they run out.
int Seek(TagSqlParser& ctx, ExecState& st, int i, bool fresh) {
    for (;;) {
        bool on = fresh ? StartTable(ctx, st, i) : StepTable(ctx, st, i);
        if (!on) {
            if (i == 0) return FinishWalk(ctx, st);
            --i;
            fresh = false;
            continue;
        }
        if (i == ctx.iTableNum - 1) return kScanOnRecord;
        ++i;
        fresh = true;
    }
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
    PlanAccess(ctx, st);
    // Every table is first put on its first record, as the full walk does; an empty one ends the scan there.
    for (int i = 0; i < ctx.iTableNum; ++i) {
        if (!PositionTable(ctx, st, i)) {
            ctx.atTable[0].iEndMark = kScanEnd;
            return kScanEnd;
        }
    }
    if (ctx.iTableNum == 0) return kScanEnd;
    if (!st.plan.bIndexed) return kScanOnRecord;
    int first = 0;
    while (!Indexed(st, first)) ++first;
    return Seek(ctx, st, first, true);
}

int ScanAdvance(TagSqlParser& ctx, ExecState& st) {
    if (st.plan.bIndexed && ctx.iTableNum > 0) return Seek(ctx, st, ctx.iTableNum - 1, false);
    return ScanAdvanceAll(ctx, st);
}

int ScanAdvanceAll(TagSqlParser& ctx, ExecState& st) {
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
