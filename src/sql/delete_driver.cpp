// The DELETE driver. Outside a transaction the statement is its own transaction: main memory is copied onto
// secondary memory, the records are deleted there through the checked delete, and the roles are swapped only when
// every deletion succeeded, so a refused deletion leaves main memory exactly as it was. The scan walks main memory
// while the deletions happen in secondary memory, so deleting never disturbs the walk; a record that a cascading
// deletion took away before the walk reached it is passed over instead of failing the statement.
#include "core/core_state.h"
#include "runtime/trace_log.h"
#include "sql/executor.h"

namespace dbs::sql {

namespace {

// True when a record read from main memory is no longer in secondary memory: a cascading deletion of an earlier
// record of this statement removed it already, so there is nothing left to delete.
bool AlreadyDeleted(const ExecState& st) {
    if (st.bSecondary) return false;
    uint32_t h = st.from[0].hTable;
    const TagDBForm* form = dbs::core::TableForm(h);
    if (form == nullptr || form->adwIdxHandle[0] == 0) return false;
    return DbsSysLocateTupleEX(h, 0, st.from[0].pbyRecord) == 0;
}

int del_del_currec(TagSqlParser&, ExecState& st) {
    if (AlreadyDeleted(st)) return 0;
    if (!DbsSysDeleteTabTuple(st.from[0].hTable, st.from[0].pbyRecord)) {
        DbsTraceLog("[File=%s,Line=%d] del_del_currec Error!", DBS_HERE);
        return -1;
    }
    return 0;
}

}  // namespace

int RunDelete(TagSqlParser& ctx, ExecState& st) {
    return ChangeMatchingRecords(ctx, st, del_del_currec);
}

}  // namespace dbs::sql
