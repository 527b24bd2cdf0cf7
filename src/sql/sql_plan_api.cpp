// SQLExplain: the access paths a statement would take, as text, without running it.
#include <dbs/dbs_plan.h>

#include <new>

#include "runtime/trace_log.h"
#include "sql/access_path.h"
#include "sql/exec_state.h"
#include "sql/executor.h"
#include "sql/parser.h"
#include "sql/transaction.h"

extern "C" {

DBS_API int SQLExplain(hSqlParser hParser, const char* pchSql, char* pchPlan, int iPlanSize) {
    if (hParser == nullptr || pchSql == nullptr || pchPlan == nullptr || iPlanSize < 0) {
        DbsTraceLog("[FILE %s, Line %d], SQLExplain: null or negative argument!", DBS_HERE);
        return -1;
    }
    using namespace dbs::sql;
    TagSqlParser& ctx = *hParser;
    int result = -1;
    try {
        if (Parse(ctx, pchSql) != 0 || ResolveColumns(ctx) != 0) {
            DbsTraceLog("[File=%s,Line=%d] Parser SQL String Error!", DBS_HERE);
        } else if (ExecState* st = GetExecState(ctx); st == nullptr) {
            SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
        } else {
            bool changing = ctx.eKind == StatementKind::Delete || ctx.eKind == StatementKind::Update;
            if (PrepareFromTables(ctx, *st, changing && TransactionActive()) == 0) {
                PlanAccess(ctx, *st);
                size_t need = DescribePlan(ctx, *st, pchPlan, static_cast<size_t>(iPlanSize));
                result = need > INT32_MAX ? INT32_MAX : static_cast<int>(need);
            }
        }
    } catch (...) {
        SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
        result = -1;
    }
    ReleaseStatement(ctx);
    return result;
}

}  // extern "C"
