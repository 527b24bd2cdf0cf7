// The process-wide transaction state that groups INSERT, DELETE and UPDATE statements (0 idle, 1 active,
// 2 committing, 3 committed). Outside the active state every changing statement is its own transaction.
#pragma once

namespace dbs::sql {

int TransactionState();
bool TransactionActive();
// Back to idle (used when the core is restarted under a test).
void ResetTransactionState();

}  // namespace dbs::sql
