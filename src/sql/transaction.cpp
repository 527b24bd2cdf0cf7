// TransBegin, TransCommit and TransRollback.
//
// Beginning copies main onto secondary memory for every table; the statements of the transaction change
// secondary memory; committing swaps the two roles of every table and index, and rolling back just forgets the
// working copy (the next beginning or changing statement copies over it).
#include "runtime/trace_log.h"
#include "sql/transaction.h"

namespace dbs::sql {

namespace {
int gTransState = DBS_TRANS_IDLE;
}

int TransactionState() { return gTransState; }
bool TransactionActive() { return gTransState == DBS_TRANS_ACTIVE; }
void ResetTransactionState() { gTransState = DBS_TRANS_IDLE; }

}  // namespace dbs::sql

using dbs::sql::gTransState;

extern "C" {

DBS_API int TransBegin(void) {
    if (gTransState == DBS_TRANS_ACTIVE) {
        DbsTraceLog("[File=%s,Line=%d] Transact is in ACTIVE state!", DBS_HERE);
        return -1;
    }
    if (gTransState == DBS_TRANS_COMMITTING) {
        DbsTraceLog("[File=%s,Line=%d] Transact is in COMMITTING state!", DBS_HERE);
        return -1;
    }
    DbsAllCopyData();
    gTransState = DBS_TRANS_ACTIVE;
    return 0;
}

DBS_API int TransCommit(void) {
    if (gTransState != DBS_TRANS_ACTIVE) {
        DbsTraceLog("[File=%s,Line=%d] No Transact is in ACTIVE state!", DBS_HERE);
        return -1;
    }
    gTransState = DBS_TRANS_COMMITTING;
    DbsChangeOverAddr();
    gTransState = DBS_TRANS_COMMITTED;
    return 0;
}

DBS_API int TransRollback(void) {
    if (gTransState != DBS_TRANS_ACTIVE) {
        DbsTraceLog("[File=%s,Line=%d] No Transact is in ACTIVE state!", DBS_HERE);
        return -1;
    }
    gTransState = DBS_TRANS_IDLE;
    return 0;
}

}  // extern "C"
