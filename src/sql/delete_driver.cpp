// The DELETE driver. Outside a transaction the statement is its own transaction: main memory is copied onto
// secondary memory, the records are deleted there through the checked delete, and the roles are swapped only when
// every deletion succeeded, so a refused deletion leaves main memory exactly as it was.
#include "runtime/trace_log.h"
#include "sql/executor.h"
#include "sql/transaction.h"

namespace dbs::sql {

namespace {

int del_del_currec(TagSqlParser&, ExecState& st) {
    if (!DbsSysDeleteTabTuple(st.from[0].hTable, st.from[0].pbyRecord)) {
        DbsTraceLog("[File=%s,Line=%d] del_del_currec Error!", DBS_HERE);
        return -1;
    }
    return 0;
}

}  // namespace

int RunDelete(TagSqlParser& ctx, ExecState& st) {
    bool own = !TransactionActive();
    if (own) DbsAllCopyData();
    int end = ScanPosition(ctx, st);
    while (end == kScanOnRecord) {
        int r = cond_eval(ctx, st, ctx.ptWhere);
        if (r != 0) {
            if (del_del_currec(ctx, st) != 0) return -1;
        } else if (ctx.iErrCode != 0) {
            DbsTraceLog("[File=%s,Line=%d] cond_eval where Error!", DBS_HERE);
            return -1;
        }
        end = ScanAdvance(ctx, st);
    }
    if (own) DbsChangeOverAddr();
    return 0;
}

}  // namespace dbs::sql
