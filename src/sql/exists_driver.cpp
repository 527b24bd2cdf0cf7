// The EXISTS driver: searches the one FROM table for a record whose condition is not false, starting in the
// middle and walking first backwards to the first record, then forwards from just after the middle to the last.
// The record set it fills has one row and one DB_INT column "exists" holding 1 or 0.
//
// With an index path only the records the index finds are checked, in the same order, and the cursor is left
// where the walk leaves it: on the record found, or on the last record when none qualifies.
#include <algorithm>
#include <cstring>

#include "core/tuple_places.h"
#include "sql/access_path.h"
#include "sql/executor.h"

namespace dbs::sql {

namespace {

// Puts the table's cursor on its middle record (the first, then half the record count further); false when
// the table is empty.
bool MoveToMiddle(uint32_t h, uint32_t count) {
    if (!DbsSkipToFirst(h)) return false;
    for (uint32_t i = 0; i < count / 2; ++i) {
        if (!DbsSkipToNext(h)) break;
    }
    return true;
}

// 1 when the cursor record qualifies, 0 when not, -1 on an error.
int Check(TagSqlParser& ctx, ExecState& st) {
    ScanStoreRecord(ctx, st, 0);
    int r = cond_eval(ctx, st, ctx.ptWhere);
    if (ctx.iErrCode != 0) return -1;
    return r != 0 ? 1 : 0;
}

int SearchByIndex(TagSqlParser& ctx, ExecState& st, uint32_t count) {
    using dbs::core::Role;
    uint32_t h = st.from[0].hTable;
    if (!DbsSkipToFirst(h)) return 0;
    uint32_t middle = dbs::core::NthUsedTuple(Role::Main, h, count / 2);
    FindCandidates(ctx, st, 0);
    const std::vector<uint32_t>& c = st.plan.table[0].candidates;
    auto split = static_cast<size_t>(std::upper_bound(c.begin(), c.end(), middle) - c.begin());
    auto visit = [&](uint32_t n) {
        dbs::core::PlaceCursor(Role::Main, h, n);
        return Check(ctx, st);
    };
    for (size_t k = split; k-- > 0;) {
        int r = visit(c[k]);
        if (r != 0) return r;
    }
    for (size_t k = split; k < c.size(); ++k) {
        int r = visit(c[k]);
        if (r != 0) return r;
    }
    // None qualifies: the walk checked the last record last, or the first when the middle is the last, and its
    // cursor stays on the last record.
    uint32_t last = dbs::core::LastUsedTuple(Role::Main, h);
    dbs::core::PlaceCursor(Role::Main, h, middle == last ? dbs::core::NthUsedTuple(Role::Main, h, 0) : last);
    ScanStoreRecord(ctx, st, 0);
    dbs::core::PlaceCursor(Role::Main, h, last);
    return 0;
}

int Search(TagSqlParser& ctx, ExecState& st) {
    uint32_t h = st.from[0].hTable;
    uint32_t count = DbsGetTupleNum(h);
    PlanAccess(ctx, st);
    if (st.plan.bIndexed) return SearchByIndex(ctx, st, count);
    if (!MoveToMiddle(h, count)) return 0;
    do {
        int r = Check(ctx, st);
        if (r != 0) return r;
    } while (DbsSkipToPrev(h));
    MoveToMiddle(h, count);
    while (DbsSkipToNext(h)) {
        int r = Check(ctx, st);
        if (r != 0) return r;
    }
    return 0;
}

}  // namespace

int RunExists(TagSqlParser& ctx, ExecState& st, TagSqlRecordset& rs) {
    if (ctx.iTableNum < 1) return SqlRaiseError(ctx, kSqlErrSystem, nullptr);
    int found = Search(ctx, st);
    if (found < 0) return -1;
    int32_t value = found;
    rs.pchData = static_cast<char*>(DbsMalloc(sizeof value));
    if (rs.pchData == nullptr) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
    std::memcpy(rs.pchData, &value, sizeof value);
    rs.iRowNum = 1;
    rs.iFieldNum = 1;
    rs.iRowLen = sizeof value;
    rs.iDataLen = sizeof value;
    TagSqlField& f = rs.atField[0];
    f = TagSqlField{};
    CopySqlName(f.achTableName, ctx.atTable[0].achTableName);
    CopySqlName(f.achFieldName, "exists");
    f.iFieldType = DB_INT;
    f.iFieldLen = sizeof value;
    return 0;
}

}  // namespace dbs::sql
