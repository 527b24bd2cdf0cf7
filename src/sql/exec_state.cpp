// Creation of the executor state and the binding of FROM tables to their record buffers.
#include "sql/exec_state.h"

#include <new>

namespace dbs::sql {

ExecState* GetExecState(TagSqlParser& ctx) {
    if (ctx.pvExecState == nullptr) ctx.pvExecState = new (std::nothrow) ExecState();
    return static_cast<ExecState*>(ctx.pvExecState);
}

void ReleaseExecState(TagSqlParser& ctx) {
    delete static_cast<ExecState*>(ctx.pvExecState);
    ctx.pvExecState = nullptr;
}

int PrepareFromTables(TagSqlParser& ctx, ExecState& st, bool secondary) {
    st.bSecondary = secondary;
    st.ResetScratch();
    st.iDepth = 0;
    for (int i = 0; i < ctx.iTableNum; ++i) {
        SqlFromTable& t = ctx.atTable[i];
        FromCursor& c = st.from[i];
        c.hTable = DbsGetTableHandle(t.achTableName);
        if (c.hTable == 0) return SqlRaiseError(ctx, kSqlErrTableNotFound, "%s", t.achTableName);
        t.wTableNo = static_cast<uint16_t>(DBS_HANDLE_NO(c.hTable));
        c.dwDataLen = DbsGetTupleLen(c.hTable);
        // Records longer than the context's fixed buffer get a buffer sized from the table.
        if (c.dwDataLen <= kRecordBufferSize) {
            c.pbyRecord = t.abyRecord;
        } else {
            c.bigBuffer.assign(c.dwDataLen, 0);
            c.pbyRecord = c.bigBuffer.data();
        }
        t.iEndMark = 100;
        t.dwTupleNo = 0;
    }
    return 0;
}

}  // namespace dbs::sql
