// SQLCreate, SQLDestory and SQLExecute: the statement interface of the SQL engine.
//
// SQLExecute parses one statement into the context, resolves its columns, runs its driver and releases the tree
// again, whatever the outcome; the context can run the next statement at once. A SELECT or EXISTS result goes to
// the host as a record set of its own. No exception leaves these calls: an allocation failure anywhere inside
// fails the statement with code 6.
#include <new>

#include "runtime/trace_log.h"
#include "sql/exec_state.h"
#include "sql/executor.h"
#include "sql/parser.h"
#include "sql/parser_context.h"
#include "sql/transaction.h"

namespace dbs::sql {

namespace {

void FreeRecordset(TagSqlRecordset* rs) {
    if (rs == nullptr) return;
    DbsFree(rs->pchData);
    DbsFree(rs);
}

int RunQuery(TagSqlParser& ctx, ExecState& st, TagSqlRst** pptRst) {
    auto* rs = static_cast<TagSqlRecordset*>(DbsMalloc(sizeof(TagSqlRecordset)));
    if (rs == nullptr)
        return SqlRaiseError(ctx, kSqlErrResultParam, "select statement must return a result param");
    ctx.ptRecordset = rs;
    int result = ctx.eKind == StatementKind::Select ? RunSelect(ctx, st, *rs) : RunExists(ctx, st, *rs);
    ctx.ptRecordset = nullptr;
    if (result != 0 || pptRst == nullptr) {
        FreeRecordset(rs);
        return result;
    }
    auto* handle = static_cast<TagSqlRst*>(DbsMalloc(sizeof(TagSqlRst)));
    if (handle == nullptr) {
        FreeRecordset(rs);
        return SqlRaiseError(ctx, kSqlErrResultParam, "select statement must return a result param");
    }
    handle->ptResult = rs;
    handle->iCurRow = -1;
    *pptRst = handle;
    return 0;
}

int Run(TagSqlParser& ctx, const char* pchSql, TagSqlRst** pptRst) {
    if (Parse(ctx, pchSql) != 0 || ResolveColumns(ctx) != 0) {
        DbsTraceLog("[File=%s,Line=%d] Parser SQL String Error!", DBS_HERE);
        return -1;
    }
    ExecState* st = GetExecState(ctx);
    if (st == nullptr) return SqlRaiseError(ctx, kSqlErrNoMemory, nullptr);
    bool changing = ctx.eKind == StatementKind::Delete || ctx.eKind == StatementKind::Update;
    if (PrepareFromTables(ctx, *st, changing && TransactionActive()) != 0) return -1;
    switch (ctx.eKind) {
        case StatementKind::Select:
        case StatementKind::Exists: return RunQuery(ctx, *st, pptRst);
        case StatementKind::Delete: return RunDelete(ctx, *st);
        case StatementKind::Update: return RunUpdate(ctx, *st);
        case StatementKind::Insert: return RunInsert(ctx, *st);
        default: return -1;
    }
}

}  // namespace

}  // namespace dbs::sql

extern "C" {

DBS_API hSqlParser SQLCreate(void) {
    void* block = DbsMalloc(sizeof(TagSqlParser));
    if (block == nullptr) return nullptr;
    auto* ctx = new (block) TagSqlParser();
    dbs::sql::ResetContext(*ctx);
    return ctx;
}

DBS_API int SQLDestory(hSqlParser hParser) {
    if (hParser == nullptr) return 0;
    dbs::sql::ReleaseStatement(*hParser);
    dbs::sql::ReleaseExecState(*hParser);
    hParser->~TagSqlParser();
    DbsFree(hParser);
    return 0;
}

DBS_API int SQLExecute(hSqlParser hParser, const char* pchSql, TagSqlRst** pptRst) {
    if (hParser == nullptr) {
        DbsTraceLog("[FILE %s, Line %d], hSqlParser is NULL!", DBS_HERE);
        return -1;
    }
    if (pptRst != nullptr) *pptRst = nullptr;
    if (pchSql == nullptr) {
        DbsTraceLog("[FILE %s, Line %d], pchSql is NULL!", DBS_HERE);
        return -1;
    }
    TagSqlParser& ctx = *hParser;
    int result = -1;
    try {
        result = dbs::sql::Run(ctx, pchSql, pptRst);
    } catch (...) {
        // Only allocation failures can throw here (growing the executor's buffers).
        if (ctx.ptRecordset != nullptr) {
            dbs::sql::FreeRecordset(ctx.ptRecordset);
            ctx.ptRecordset = nullptr;
        }
        dbs::sql::SqlRaiseError(ctx, dbs::sql::kSqlErrNoMemory, nullptr);
        result = -1;
    }
    dbs::sql::ReleaseStatement(ctx);
    return result;
}

}  // extern "C"
