// The loop that DELETE and UPDATE share: outside a transaction the statement is its own transaction (main memory
// copied onto secondary memory first, the roles swapped only when every record was accepted); inside one the
// copy and the swap belong to TransBegin and TransCommit. Every record whose condition is not false goes to the
// statement's own change; the first refusal ends the statement with -1 and no swap.
#include "runtime/trace_log.h"
#include "sql/executor.h"
#include "sql/transaction.h"

namespace dbs::sql {

namespace {

// The scan itself: 0 when every matching record was changed, -1 at the first refusal.
int ChangeEach(TagSqlParser& ctx, ExecState& st, int (*change)(TagSqlParser&, ExecState&)) {
    int end = ScanPosition(ctx, st);
    while (end == kScanOnRecord) {
        int r = cond_eval(ctx, st, ctx.ptWhere);
        if (r != 0) {
            if (change(ctx, st) != 0) return -1;
        } else if (ctx.iErrCode != 0) {
            DbsTraceLog("[File=%s,Line=%d] cond_eval where Error!", DBS_HERE);
            return -1;
        }
        end = ScanAdvance(ctx, st);
    }
    return 0;
}

}  // namespace

int ChangeMatchingRecords(TagSqlParser& ctx, ExecState& st, int (*change)(TagSqlParser&, ExecState&)) {
    return AsOneStatement([&] { return ChangeEach(ctx, st, change); });
}

}  // namespace dbs::sql
